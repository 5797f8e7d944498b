#include "run/RunFileIndex.h"

#include <algorithm>
#include <map>

namespace twinlens {

std::string RunFileIndex::key(std::string_view path) const {
  std::string text;
  text.reserve(path.size());
  const char separator = paths::separator(style_);
  for (std::size_t i = 0; i < path.size(); ++i) {
    char c = path[i];
    // Windows takes "/" for "\" as well.
    if (style_ == PathStyle::Windows && c == '/') c = separator;
    // A doubled separator names the same folder; the two leading ones of a share stay.
    if (c == separator && i > 1 && !text.empty() && text.back() == separator) continue;
    if (style_ == PathStyle::Windows && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    text.push_back(c);
  }
  return text;
}

void RunFileIndex::add(std::string_view path, std::uint32_t number) {
  // FNV-1a over the key, folded to 32 bits; equal hashes are told apart by the names themselves.
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : key(path)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  const auto folded = static_cast<std::uint32_t>(hash ^ (hash >> 32));
  entries_.push_back((std::uint64_t{folded} << 32) | number);
}

std::vector<std::vector<std::uint32_t>> RunFileIndex::sharedFiles(
    const std::function<std::string(std::uint32_t)>& nameOf) {
  std::sort(entries_.begin(), entries_.end());
  std::vector<std::vector<std::uint32_t>> groups;
  for (std::size_t first = 0; first < entries_.size();) {
    std::size_t end = first + 1;
    while (end < entries_.size() && (entries_[end] >> 32) == (entries_[first] >> 32)) ++end;
    if (end - first > 1) {
      // The same hash: group the numbers by their names, which are usually all one.
      std::map<std::string, std::vector<std::uint32_t>> byName;
      for (std::size_t i = first; i < end; ++i) {
        const auto number = static_cast<std::uint32_t>(entries_[i]);
        byName[key(nameOf(number))].push_back(number);
      }
      for (auto& [name, numbers] : byName) {
        if (numbers.size() > 1) groups.push_back(std::move(numbers));
      }
    }
    first = end;
  }
  std::sort(groups.begin(), groups.end(),
            [](const auto& a, const auto& b) { return a.front() < b.front(); });
  return groups;
}

}  // namespace twinlens
