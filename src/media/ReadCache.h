#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace twinlens {

// What was read of files, kept in a folder while the files stay as they were (their path, size
// and the time of their last change), so that a file is read once across runs and programs: a
// run, a preview and a measurement of the same files share it. Each record names what was read
// and the files as they were; a changed file is read again, and a record that cannot be read or
// written is as none.
class ReadCache {
 public:
  // Nothing is kept where `folder` is empty.
  explicit ReadCache(std::string folder = {}) : folder_(std::move(folder)) {}

  bool keeps() const { return !folder_.empty(); }
  // The text kept of `what` ("ffprobe headers") for `files` as they are now.
  std::optional<std::string> find(std::string_view what, std::span<const std::string> files) const;
  // Keeps `text` of `what` for `files` as they are now; its record appears whole or not at all.
  void keep(std::string_view what, std::span<const std::string> files, std::string_view text) const;

  // The first line of a record: what was read, and each file's path, size and time; none where a
  // file cannot be looked at.
  static std::optional<std::string> stampOf(std::string_view what,
                                            std::span<const std::string> files);

 private:
  std::string recordOf(const std::string& stamp) const;

  std::string folder_;
};

}  // namespace twinlens
