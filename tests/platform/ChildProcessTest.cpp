// A program left running while its caller goes on: what a window renders previews and encodes
// through without freezing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "platform/ChildProcess.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kLong = std::chrono::seconds(20);

#ifdef _WIN32
// Speaks, then waits about three seconds (ping waits a second between its four tries).
const std::vector<std::string> kSlowTalker{
    "cmd", "/c", "echo %TWINLENS_WORD%& cd& ping -n 4 127.0.0.1 >NUL& echo done"};
// Starts a program of its own that runs for a minute.
const std::vector<std::string> kStarter{"cmd", "/c", "ping -n 60 127.0.0.1 >NUL"};
#else
const std::vector<std::string> kSlowTalker{"sh", "-c",
                                           "echo $TWINLENS_WORD; pwd; sleep 3; echo done"};
const std::vector<std::string> kStarter{"sh", "-c", "sleep 60 & wait"};
#endif

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ChildProcess, ItsOutputArrivesWhileItRunsAndAPollWaitsNoLongerThanAsked) {
  test::TempDir dir;
  platform::ChildProcess child;
  ASSERT_EQ(child.start(kSlowTalker, {dir.path().string(), {{"TWINLENS_WORD", "hello"}}, false}),
            "");
  // Its first words come while it sleeps, each poll returning soon.
  const auto started = Clock::now();
  while (!contains(child.output(), dir.path().string()) &&
         Clock::now() - started < std::chrono::seconds(2))
    EXPECT_TRUE(child.poll(50));
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
  EXPECT_TRUE(contains(child.output(), "hello")) << child.output();
  EXPECT_TRUE(child.running());
  EXPECT_FALSE(contains(child.output(), "done"));
  EXPECT_EQ(child.exitCode(), -1);
  while (child.poll(-1)) {
  }
  EXPECT_TRUE(contains(child.output(), "done"));
  EXPECT_EQ(child.exitCode(), 0);
}

TEST(ChildProcess, StoppingItEndsWhatItStartedToo) {
  platform::ChildProcess child;
  ASSERT_EQ(child.start(kStarter, {{}, {}, true}), "");
  EXPECT_TRUE(child.poll(100));
  const auto stopping = Clock::now();
  child.stop();
  EXPECT_FALSE(child.running());
  EXPECT_EQ(child.exitCode(), -1);
  // The pipes it shared with its own program are closed: nothing waits on that program.
  EXPECT_FALSE(child.poll(-1));
  EXPECT_LT(Clock::now() - stopping, std::chrono::seconds(10));
}

TEST(ChildProcess, AProgramThatIsNotThereSaysSo) {
  platform::ChildProcess child;
  EXPECT_TRUE(contains(child.start({"twinlens-no-such-program"}), "twinlens-no-such-program"));
  EXPECT_FALSE(child.running());
  EXPECT_FALSE(child.poll(-1));
}

#ifndef _WIN32
TEST(ChildProcess, ItTakesLargeMemoryInHugePagesUnlessTheUserChoseOtherwise) {
  const struct {
    const char* inherited;  // nullptr: no such variable
    const char* seen;
  } cases[] = {
      {nullptr, "glibc.malloc.hugetlb=1"},
      {"", "glibc.malloc.hugetlb=1"},
      {"glibc.malloc.arena_max=2", "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"},
      {"glibc.malloc.hugetlb=0", "glibc.malloc.hugetlb=0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.inherited != nullptr ? c.inherited : "(none)");
    platform::ChildProcess::Options options;
    if (c.inherited != nullptr) options.environment = {{"GLIBC_TUNABLES", c.inherited}};
    if (c.inherited == nullptr) ::unsetenv("GLIBC_TUNABLES");
    platform::ChildProcess child;
    ASSERT_EQ(child.start({"sh", "-c", "printf %s \"$GLIBC_TUNABLES\""}, options), "");
    while (child.poll(-1)) {
    }
    EXPECT_EQ(child.output(), c.seen);
  }
}

// A program that writes faster than its caller reads waits for it: no more than the bound (and
// one read) is taken in until the caller takes it out, and nothing is lost on the way.
TEST(ChildProcess, OutputBeyondItsBoundWaitsForTheCaller) {
  platform::ChildProcess::Options options;
  options.outputLimit = 100000;
  platform::ChildProcess child;
  ASSERT_EQ(child.start({"sh", "-c", "seq 1 400000; echo end"}, options), "");
  const auto started = Clock::now();
  while (child.output().size() < options.outputLimit && Clock::now() - started < kLong)
    child.poll(10);
  for (int i = 0; i < 20; ++i) child.poll(5);
  EXPECT_TRUE(child.running());
  EXPECT_LT(child.output().size(), options.outputLimit + 65536);
  std::string taken;
  while (child.poll(5) || !child.output().empty()) {
    taken += child.output();
    child.output().clear();
  }
  EXPECT_EQ(child.exitCode(), 0);
  std::string expected;
  for (int i = 1; i <= 400000; ++i) expected += std::to_string(i) + '\n';
  EXPECT_EQ(taken, expected + "end\n");
}
#endif

}  // namespace
}  // namespace twinlens
