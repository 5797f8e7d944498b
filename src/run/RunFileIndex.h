#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Paths.h"

namespace twinlens {

// The names of every file a run reads, writes or has its encoders write, gathered before the run
// writes anything, so that two uses of one file are found in time. Each name is kept as a hash
// and the caller's number for it (8 bytes), so a run of many clips stays small; the caller spells
// a name again from its number when two hashes meet.
class RunFileIndex {
 public:
  explicit RunFileIndex(PathStyle style) : style_(style) {}

  // Files are the same when their names are, for this path style: letter case aside on Windows,
  // and a doubled separator read as one.
  void add(std::string_view path, std::uint32_t number);

  std::size_t size() const { return entries_.size(); }
  // Room for `count` names, so that a long run's index never holds a doubled copy of itself.
  void reserve(std::size_t count) { entries_.reserve(count); }

  // Every group of numbers whose files are one file, the groups ordered by their smallest
  // number, each group in ascending order. `nameOf` spells the name of a number as it was added.
  std::vector<std::vector<std::uint32_t>> sharedFiles(
      const std::function<std::string(std::uint32_t)>& nameOf);

 private:
  std::string key(std::string_view path) const;

  PathStyle style_;
  std::vector<std::uint64_t> entries_;  // hash in the high half, number in the low half
};

}  // namespace twinlens
