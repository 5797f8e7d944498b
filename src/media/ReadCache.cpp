#include "media/ReadCache.h"

#include <cstdio>
#include <filesystem>
#include <functional>

#include "base/Error.h"
#include "platform/FileSystem.h"

namespace twinlens {

std::optional<std::string> ReadCache::stampOf(std::string_view what,
                                              std::span<const std::string> files) {
  std::string stamp(what);
  for (const std::string& path : files) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    const auto changed = std::filesystem::last_write_time(path, error);
    if (error) return std::nullopt;
    stamp += "\t" + path + "\t" + std::to_string(size) + "\t" +
             std::to_string(changed.time_since_epoch().count());
  }
  return stamp + "\n";
}

std::string ReadCache::recordOf(const std::string& stamp) const {
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.txt",
                static_cast<unsigned long long>(std::hash<std::string>{}(stamp)));
  return (std::filesystem::path(folder_) / name).string();
}

std::optional<std::string> ReadCache::find(std::string_view what,
                                           std::span<const std::string> files) const {
  if (!keeps()) return std::nullopt;
  const std::optional<std::string> stamp = stampOf(what, files);
  if (!stamp) return std::nullopt;
  const std::string record = recordOf(*stamp);
  if (!platform::fileExists(record)) return std::nullopt;
  try {
    std::string text = platform::readFile(record);
    // Another stamp of the same hash is another record.
    if (text.compare(0, stamp->size(), *stamp) != 0) return std::nullopt;
    return text.substr(stamp->size());
  } catch (const Error&) {
    return std::nullopt;  // an unreadable record: the files are read again
  }
}

void ReadCache::keep(std::string_view what, std::span<const std::string> files,
                     std::string_view text) const {
  if (!keeps()) return;
  const std::optional<std::string> stamp = stampOf(what, files);
  if (!stamp) return;
  try {
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
    platform::ReplacementFile record(recordOf(*stamp));
    record.write(*stamp);
    record.write(text);
    record.commit();
  } catch (const Error&) {
    // Nothing is kept where nothing can be written; the next run reads the files again.
  }
}

}  // namespace twinlens
