#include "run/RunFileIndex.h"

#include <gtest/gtest.h>

namespace twinlens {
namespace {

struct SameFileCase {
  const char* label;
  PathStyle style;
  std::vector<std::string> names;
  std::vector<std::vector<std::uint32_t>> shared;  // the groups of positions in `names`
};

class RunFileIndexTest : public ::testing::TestWithParam<SameFileCase> {};

TEST_P(RunFileIndexTest, GroupsTheNamesOfOneFile) {
  const SameFileCase& c = GetParam();
  RunFileIndex index(c.style);
  for (std::uint32_t i = 0; i < c.names.size(); ++i) index.add(c.names[i], i);
  EXPECT_EQ(index.sharedFiles([&](std::uint32_t i) { return c.names[i]; }), c.shared);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, RunFileIndexTest,
    ::testing::Values(SameFileCase{"WindowsIgnoresLetterCase",
                                   PathStyle::Windows,
                                   {"C:\\v\\clip_L.avi", "C:\\V\\CLIP_l.AVI", "C:\\v\\clip_R.avi"},
                                   {{0, 1}}},
                      SameFileCase{"PosixKeepsLetterCase",
                                   PathStyle::Posix,
                                   {"/v/clip_L.avi", "/v/Clip_L.avi", "/v/clip_L.avi"},
                                   {{0, 2}}},
                      SameFileCase{"WindowsTakesEitherSlash",
                                   PathStyle::Windows,
                                   {"C:\\v/clip_L.avi", "C:\\v\\clip_L.avi", "C:/v//clip_L.avi"},
                                   {{0, 1, 2}}},
                      SameFileCase{"DoubledSeparatorIsOne",
                                   PathStyle::Windows,
                                   {"C:\\vd\\\\VirtualDub.jobs", "C:\\vd\\VirtualDub.jobs",
                                    "\\\\host\\share\\a"},
                                   {{0, 1}}},
                      SameFileCase{"GroupsInOrderOfTheirFirstName",
                                   PathStyle::Posix,
                                   {"/b", "/a", "/c", "/a", "/b", "/b"},
                                   {{0, 4, 5}, {1, 3}}}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace twinlens
