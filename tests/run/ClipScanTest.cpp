// The scan of a run's clips: two files at a time, the clips' facts in their order, what each clip
// begins told on the scanning thread, the first clip that cannot be read told, and a stop asked
// for ending it once the files being read are read.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "run/ClipScan.h"
#include "support/ErrorMessage.h"

// GCC 12 at -O3 (the Windows build) warns wrongly of overlapping copies in "text" + std::string
// (its bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens {
namespace {

// Tells each file's size from its name ("c3_R.mkv": 3 wide); counts the files read at once, and
// may hold every reading until it is let go.
class CountingProbe : public MediaProbe {
 public:
  MediaInfo probe(const std::string& path) override {
    const int now = ++reading_;
    for (int most = mostAtOnce.load();
         now > most && !mostAtOnce.compare_exchange_weak(most, now);) {
    }
    {
      std::unique_lock lock(mutex_);
      letGo_.wait(lock, [&] { return !held_; });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ++reads;
    --reading_;
    if (path.find("bad") != std::string::npos) throw Error("Cannot read \"" + path + "\"");
    MediaInfo info;
    info.width = path[1] - '0';
    info.height = path.find("_R") != std::string::npos ? 2 : 1;
    return info;
  }
  void hold() {
    const std::lock_guard lock(mutex_);
    held_ = true;
  }
  void letGo() {
    {
      const std::lock_guard lock(mutex_);
      held_ = false;
    }
    letGo_.notify_all();
  }

  std::atomic<int> mostAtOnce = 0;
  std::atomic<int> reads = 0;

 private:
  std::atomic<int> reading_ = 0;
  std::mutex mutex_;
  std::condition_variable letGo_;
  bool held_ = false;
};

// Records what the scan tells; asked whether to stop, it says so once told `stopAfter` lines and
// lets the probe's held readings go.
class Told : public ScanProgress {
 public:
  explicit Told(CountingProbe& probe, std::size_t stopAfter = SIZE_MAX)
      : probe_(probe), stopAfter_(stopAfter) {}
  void progress(const std::string& text) override { lines.push_back(text); }
  bool cancelled() override {
    if (lines.size() < stopAfter_) return false;
    probe_.letGo();
    return true;
  }
  std::vector<std::string> lines;

 private:
  CountingProbe& probe_;
  std::size_t stopAfter_;
};

ClipNames clipNamed(const std::string& stem) {
  ClipNames names;
  names.leftFile = stem + "_L.mkv";
  names.rightFile = stem + "_R.mkv";
  return names;
}

const ScanRequest kBothFiles{true, true, false};
const ConversionSettings kSettings;

TEST(ClipScan, ReadsTwoFilesAtATimeAndKeepsTheClipsOrder) {
  CountingProbe probe;
  ClipScan scan(&probe);
  Told told(probe);
  const auto clip = [](std::size_t i) { return clipNamed("c" + std::to_string(i + 1)); };
  const std::vector<ClipFacts> facts =
      scan.scan(kSettings, recipe::InputLayout::Pair, kBothFiles, 6, clip, told);
  ASSERT_EQ(facts.size(), 6u);
  for (std::size_t i = 0; i < facts.size(); ++i) {
    EXPECT_EQ(facts[i].left->width, static_cast<int>(i + 1));
    EXPECT_EQ(facts[i].right->height, 2);
    EXPECT_FALSE(facts[i].geometry);
  }
  EXPECT_EQ(probe.mostAtOnce, 2);
  EXPECT_EQ(probe.reads, 12);
  ASSERT_EQ(told.lines.size(), 6u);
  std::sort(told.lines.begin(), told.lines.end());
  EXPECT_EQ(told.lines.front(), "Reading clip 1 of 6: \"c1_L.mkv\"");

  // Read again while the files stay as they were: from memory. (These names are no files, so
  // nothing tells whether they changed: they are read again.)
  scan.scan(kSettings, recipe::InputLayout::Pair, kBothFiles, 6, clip, told);
  EXPECT_EQ(probe.reads, 24);
  // Nothing asked, nothing read.
  EXPECT_TRUE(scan.scan(kSettings, recipe::InputLayout::Pair, {}, 6, clip, told).empty());
  EXPECT_EQ(probe.reads, 24);
}

TEST(ClipScan, TellsTheFirstClipThatCannotBeReadOrAStop) {
  CountingProbe probe;
  ClipScan scan(&probe);
  Told told(probe);
  const auto clip = [](std::size_t i) {
    return clipNamed((i == 2 || i == 4 ? "bad" : "c") + std::to_string(i + 1));
  };
  EXPECT_EQ(test::messageOf([&] {
              scan.scan(kSettings, recipe::InputLayout::Pair, kBothFiles, 8, clip, told);
            }),
            "Cannot read \"bad3_L.mkv\"");
  EXPECT_LT(probe.reads, 16);  // the clips after the failed one are not begun

  // Stopped while the first two clips are read: they end, and no other clip begins.
  CountingProbe held;
  held.hold();
  ClipScan stopped(&held);
  Told stop(held, 1);
  EXPECT_THROW(stopped.scan(kSettings, recipe::InputLayout::Pair, kBothFiles, 8, clip, stop),
               Cancelled);
  EXPECT_LE(held.reads, 4);
}

}  // namespace
}  // namespace twinlens
