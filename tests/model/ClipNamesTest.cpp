#include "model/ClipNames.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/Error.h"
#include "support/ErrorMessage.h"

namespace twinlens {
namespace {

constexpr auto W = PathStyle::Windows;

struct StemCase {
  const char* left;
  const char* stem;
};

class StemPath : public ::testing::TestWithParam<StemCase> {};

TEST_P(StemPath, RemovesEveryLeftMarkerInTheWholePath) {
  EXPECT_EQ(stemPathOf(GetParam().left), GetParam().stem);
}

INSTANTIATE_TEST_SUITE_P(
    Markers, StemPath,
    ::testing::Values(StemCase{"C:\\v\\clip_L.mp4", "C:\\v\\clip.mp4"},
                      StemCase{"C:\\v\\clip_l.mp4", "C:\\v\\clip.mp4"},
                      StemCase{"C:\\v\\clip-l.avi", "C:\\v\\clip.avi"},
                      StemCase{"C:\\v\\clip-L.avi", "C:\\v\\clip.avi"},
                      StemCase{"C:\\v\\clip-left.avi", "C:\\v\\clip.avi"},
                      StemCase{"C:\\v\\clip-Left.avi", "C:\\v\\clip.avi"},
                      StemCase{"C:\\v\\clip-LEFT.avi", "C:\\v\\clip.avi"},
                      StemCase{"C:\\v\\clip_left.avi", "C:\\v\\clip.avi"},
                      StemCase{"C:\\v\\clip_Left.avi", "C:\\v\\clip.avi"},
                      StemCase{"C:\\v\\clip_LEFT.avi", "C:\\v\\clip.avi"},
                      // Letter case counts as written: "-lEft." is no marker.
                      StemCase{"C:\\v\\clip-lEft.avi", "C:\\v\\clip-lEft.avi"},
                      StemCase{"C:\\v\\clip.avi", "C:\\v\\clip.avi"},
                      StemCase{"C:\\v\\clip_R.avi", "C:\\v\\clip_R.avi"},
                      // A marker in the middle of a name, and in a folder name.
                      StemCase{"a-l.b.avi", "a.b.avi"},
                      StemCase{"C:\\day_L.1\\clip_L.avi", "C:\\day.1\\clip.avi"},
                      // Only one marker of a doubled one ends in a dot.
                      StemCase{"clip_L_L.avi", "clip_L.avi"},
                      StemCase{"a-l.b_left.c_L.avi", "a.b.c.avi"}));

struct NamesCase {
  const char* title;
  choices::OutputFormat output;
  const char* prefix;
  const char* left;
  const char* right;
  ClipNames expected;  // the two files are filled in from left and right
};

class DeriveClipNames : public ::testing::TestWithParam<NamesCase> {};

TEST_P(DeriveClipNames, NamesEveryScriptOfTheClip) {
  const auto& c = GetParam();
  ConversionSettings settings;
  settings.RadioGroup_Output_Format = c.output;
  settings.Prefix = c.prefix;
  ClipNames expected = c.expected;
  expected.leftFile = c.left;
  expected.rightFile = c.right;
  EXPECT_EQ(deriveClipNames(settings, c.left, c.right, W), expected);
}

ClipNames names(const char* stem, const char* base, const char* leftDi, const char* rightDi,
                const char* leftAvi, const char* rightAvi, const char* leftOut,
                const char* rightOut, const char* sbs, const char* ou, const char* primary,
                const char* prefix) {
  ClipNames n;
  n.stemPath = stem;
  n.base = base;
  n.leftDeinterlaceScript = leftDi;
  n.rightDeinterlaceScript = rightDi;
  n.leftIntermediate = leftAvi;
  n.rightIntermediate = rightAvi;
  n.leftOutputScript = leftOut;
  n.rightOutputScript = rightOut;
  n.sideBySideScript = sbs;
  n.overUnderScript = ou;
  // The anaglyph stands beside the side-by-side script.
  n.anaglyphScript =
      std::string(sbs).replace(std::string_view(sbs).rfind("_LR.avs"), 7, "_Anaglyph.avs");
  n.primaryScript = primary;
  n.rightFolderPrefix = prefix;
  return n;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, DeriveClipNames,
    ::testing::Values(
        NamesCase{"PairInOneFolder", choices::OutputFormat::Separate, "", "C:\\v\\clip_L.mp4",
                  "C:\\v\\clip_R.mp4",
                  names("C:\\v\\clip.mp4", "clip", "C:\\v\\DI_clip_L.avs", "C:\\v\\DI_clip_R.avs",
                        "DI_clip_L.avi", "DI_clip_R.avi", "C:\\v\\clip_L.avs", "C:\\v\\clip_R.avs",
                        "C:\\v\\clip_LR.avs", "C:\\v\\clip_OU.avs", "C:\\v\\clip_L.avs", "")},
        // The prefix goes in front of the output scripts only.
        NamesCase{"Prefix", choices::OutputFormat::Separate, "new_", "C:\\v\\clip_L.mp4",
                  "C:\\v\\clip_R.mp4",
                  names("C:\\v\\clip.mp4", "new_clip", "C:\\v\\DI_clip_L.avs",
                        "C:\\v\\DI_clip_R.avs", "DI_clip_L.avi", "DI_clip_R.avi",
                        "C:\\v\\new_clip_L.avs", "C:\\v\\new_clip_R.avs", "C:\\v\\new_clip_LR.avs",
                        "C:\\v\\new_clip_OU.avs", "C:\\v\\new_clip_L.avs", "")},
        // noext applies to the joined text, so a dotted prefix keeps its dot.
        NamesCase{
            "DottedPrefix", choices::OutputFormat::SideBySide, "v1.", "C:\\v\\clip_L.mp4",
            "C:\\v\\clip_R.mp4",
            names("C:\\v\\clip.mp4", "v1.clip", "C:\\v\\DI_clip_L.avs", "C:\\v\\DI_clip_R.avs",
                  "DI_clip_L.avi", "DI_clip_R.avi", "C:\\v\\v1.clip_L.avs", "C:\\v\\v1.clip_R.avs",
                  "C:\\v\\v1.clip_LR.avs", "C:\\v\\v1.clip_OU.avs", "C:\\v\\v1.clip_LR.avs", "")},
        NamesCase{
            "FoldersApart", choices::OutputFormat::Separate, "", "C:\\l\\clip_L.mp4",
            "C:\\r\\clip_R.mp4",
            names("C:\\l\\clip.mp4", "clip", "C:\\l\\DI_clip_L.avs", "C:\\r\\DI_clip_R.avs",
                  "DI_clip_L.avi", "DI_clip_R.avi", "C:\\l\\clip_L.avs", "C:\\r\\clip_R.avs",
                  "C:\\l\\clip_LR.avs", "C:\\l\\clip_OU.avs", "C:\\l\\clip_L.avs", "..\\r\\")},
        NamesCase{
            "OtherDrive", choices::OutputFormat::OverUnder, "", "C:\\l\\clip_L.mp4",
            "D:\\r\\clip_R.mp4",
            names("C:\\l\\clip.mp4", "clip", "C:\\l\\DI_clip_L.avs", "D:\\r\\DI_clip_R.avs",
                  "DI_clip_L.avi", "DI_clip_R.avi", "C:\\l\\clip_L.avs", "D:\\r\\clip_R.avs",
                  "C:\\l\\clip_LR.avs", "C:\\l\\clip_OU.avs", "C:\\l\\clip_OU.avs", "D:\\r\\")},
        // One file holds both views: the deinterlace files are told apart by view.
        NamesCase{"SideBySideFile", choices::OutputFormat::SideBySide, "", "C:\\v\\clip.avi",
                  "C:\\v\\clip.avi",
                  names("C:\\v\\clip.avi", "clip", "C:\\v\\DI_clip_L.avs", "C:\\v\\DI_clip_R.avs",
                        "DI_clip_L.avi", "DI_clip_R.avi", "C:\\v\\clip_L.avs", "C:\\v\\clip_R.avs",
                        "C:\\v\\clip_LR.avs", "C:\\v\\clip_OU.avs", "C:\\v\\clip_LR.avs", "")},
        NamesCase{"InterlacedUsesOverUnderName", choices::OutputFormat::Interlaced, "",
                  "C:\\v\\clip.avi", "C:\\v\\CLIP.AVI",
                  names("C:\\v\\clip.avi", "clip", "C:\\v\\DI_clip_L.avs", "C:\\v\\DI_CLIP_R.avs",
                        "DI_clip_L.avi", "DI_CLIP_R.avi", "C:\\v\\clip_L.avs", "C:\\v\\clip_R.avs",
                        "C:\\v\\clip_LR.avs", "C:\\v\\clip_OU.avs", "C:\\v\\clip_OU.avs", "")},
        NamesCase{"Anaglyph", choices::OutputFormat::AnaglyphGrey, "a_", "C:\\v\\clip_L.mp4",
                  "C:\\v\\clip_R.mp4",
                  names("C:\\v\\clip.mp4", "a_clip", "C:\\v\\DI_clip_L.avs", "C:\\v\\DI_clip_R.avs",
                        "DI_clip_L.avi", "DI_clip_R.avi", "C:\\v\\a_clip_L.avs",
                        "C:\\v\\a_clip_R.avs", "C:\\v\\a_clip_LR.avs", "C:\\v\\a_clip_OU.avs",
                        "C:\\v\\a_clip_Anaglyph.avs", "")},
        // Mono output keeps the marker.
        NamesCase{
            "MonoKeepsMarker", choices::OutputFormat::Mono, "", "C:\\v\\clip-l.avi",
            "C:\\v\\clip-r.avi",
            names("C:\\v\\clip-l.avi", "clip-l", "C:\\v\\DI_clip-l.avs", "C:\\v\\DI_clip-r.avs",
                  "DI_clip-l.avi", "DI_clip-r.avi", "C:\\v\\clip-l.avs", "C:\\v\\clip-l.avs",
                  "C:\\v\\clip-l_LR.avs", "C:\\v\\clip-l_OU.avs", "C:\\v\\clip-l.avs", "")},
        NamesCase{"SeparateDropsMarker", choices::OutputFormat::Separate, "", "C:\\v\\clip-l.avi",
                  "C:\\v\\clip-r.avi",
                  names("C:\\v\\clip.avi", "clip", "C:\\v\\DI_clip-l.avs", "C:\\v\\DI_clip-r.avs",
                        "DI_clip-l.avi", "DI_clip-r.avi", "C:\\v\\clip_L.avs", "C:\\v\\clip_R.avs",
                        "C:\\v\\clip_LR.avs", "C:\\v\\clip_OU.avs", "C:\\v\\clip_L.avs", "")},
        NamesCase{
            "MvcPair", choices::OutputFormat::Separate, "", "D:\\m\\00001-l.avi",
            "D:\\m\\00001-r.avi",
            names("D:\\m\\00001.avi", "00001", "D:\\m\\DI_00001-l.avs", "D:\\m\\DI_00001-r.avs",
                  "DI_00001-l.avi", "DI_00001-r.avi", "D:\\m\\00001_L.avs", "D:\\m\\00001_R.avs",
                  "D:\\m\\00001_LR.avs", "D:\\m\\00001_OU.avs", "D:\\m\\00001_L.avs", "")},
        // The layout scripts follow the stem path, folder marker included.
        NamesCase{
            "MarkerInFolder", choices::OutputFormat::SideBySide, "", "C:\\day_L.1\\a_L.avi",
            "C:\\day_L.1\\a_R.avi",
            names("C:\\day.1\\a.avi", "a", "C:\\day_L.1\\DI_a_L.avs", "C:\\day_L.1\\DI_a_R.avs",
                  "DI_a_L.avi", "DI_a_R.avi", "C:\\day_L.1\\a_L.avs", "C:\\day_L.1\\a_R.avs",
                  "C:\\day.1\\a_LR.avs", "C:\\day.1\\a_OU.avs", "C:\\day.1\\a_LR.avs", "")}),
    [](const auto& info) { return std::string(info.param.title); });

struct PictureCase {
  const char* first;
  const char* last;
  PictureSequence expected;
};

class Pictures : public ::testing::TestWithParam<PictureCase> {};

TEST_P(Pictures, FindTheFrameNumberBeforeTheLastDot) {
  EXPECT_EQ(pictureSequence(GetParam().first, GetParam().last), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Pictures,
    ::testing::Values(
        PictureCase{"C:\\p\\img0001.jpg", "C:\\p\\img0250.jpg", {"C:\\p\\img%04d.jpg", 1, 250}},
        // The width comes from the last picture.
        PictureCase{"D:\\s\\IMG_17.jpg", "D:\\s\\IMG_250.jpg", {"D:\\s\\IMG_%03d.jpg", 17, 250}},
        // Non-digits between the number and the dot are skipped.
        PictureCase{"shot12a.png", "shot40a.png", {"shot%02da.png", 12, 40}},
        // Only the last dot counts.
        PictureCase{"C:\\p\\f.7.tar.gz", "C:\\p\\f.9.tar.gz", {"C:\\p\\f.%01d.tar.gz", 7, 9}},
        // The scan may reach into the folder part.
        PictureCase{"C:\\p2\\img.jpg", "C:\\p3\\img.jpg", {"C:\\p%01d\\img.jpg", 2, 3}},
        PictureCase{"0.bmp", "000000000000000000000001.bmp", {"%024d.bmp", 0, 1}},
        PictureCase{"9223372036854775807.bmp",
                    "9223372036854775807.bmp",
                    {"%019d.bmp", 9223372036854775807, 9223372036854775807}}));

// VR players read the projection from the name: "_180" after the layout, unless turned off.
TEST(VrNames, TellTheHalfSphereWhereTheTagsAreOn) {
  const struct {
    choices::OutputFormat output;
    choices::Projection projection;
    bool tags;
    const char* primary;
  } cases[] = {
      {choices::OutputFormat::SideBySide, choices::Projection::VR180, true,
       "C:\\v\\trip_LR_180.avs"},
      {choices::OutputFormat::OverUnder, choices::Projection::VR180, true,
       "C:\\v\\trip_OU_180.avs"},
      {choices::OutputFormat::Separate, choices::Projection::VR180, true, "C:\\v\\trip_L_180.avs"},
      {choices::OutputFormat::SideBySide, choices::Projection::VR180, false, "C:\\v\\trip_LR.avs"},
      {choices::OutputFormat::SideBySide, choices::Projection::Full360, true,
       "C:\\v\\trip_LR_360.avs"},
      {choices::OutputFormat::SideBySide, choices::Projection::Flat, true, "C:\\v\\trip_LR.avs"},
  };
  for (const auto& c : cases) {
    ConversionSettings settings;
    settings.RadioGroup_Output_Format = c.output;
    settings.RadioGroup_Projection = c.projection;
    settings.CheckBox_Player_Tags = c.tags;
    EXPECT_EQ(deriveClipNames(settings, "C:\\v\\trip.mp4", "C:\\v\\trip.mp4", W).primaryScript,
              c.primary);
  }
}

struct BadPictureCase {
  const char* first;
  const char* last;
  const char* message;
};

class BadPictures : public ::testing::TestWithParam<BadPictureCase> {};

TEST_P(BadPictures, AreNoIntegers) {
  EXPECT_EQ(test::messageOf([&] { pictureSequence(GetParam().first, GetParam().last); }),
            GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadPictures,
    ::testing::Values(BadPictureCase{"C:\\p\\img1", "C:\\p\\img2.jpg",
                                     "'C:\\p\\img1' is not a valid integer value"},
                      BadPictureCase{"C:\\p\\img1.jpg", "C:\\p\\img",
                                     "'C:\\p\\img' is not a valid integer value"},
                      BadPictureCase{"C:\\p\\img.jpg", "C:\\p\\img.jpg",
                                     "'C:\\p\\img.jpg' is not a valid integer value"},
                      BadPictureCase{"a1.b", "9223372036854775808.bmp",
                                     "'9223372036854775808.bmp' is not a valid integer value"},
                      BadPictureCase{"99999999999999999999.bmp", "1.bmp",
                                     "'99999999999999999999.bmp' is not a valid integer value"}));

}  // namespace
}  // namespace twinlens
