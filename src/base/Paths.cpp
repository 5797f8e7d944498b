#include "base/Paths.h"

#include <algorithm>
#include <vector>

namespace twinlens::paths {

namespace {

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t folderEnd(std::string_view p, PathStyle style) {
  for (std::size_t i = p.size(); i > 0; --i) {
    if (endsFolder(p[i - 1], style)) return i;
  }
  return 0;
}

// The root of a folder: a drive ("C:"), a share ("\\server\share\") or the file-system root
// ("/"). Folders with different roots cannot be reached from each other by parent steps.
std::string_view rootOf(std::string_view folder, PathStyle style) {
  if (style == PathStyle::Posix) return folder.substr(0, folder.starts_with('/') ? 1 : 0);
  if (folder.starts_with("\\\\")) {
    std::size_t pos = 2;
    for (int parts = 0; parts < 2 && pos != std::string_view::npos; ++parts) {
      pos = folder.find('\\', pos);
      if (pos != std::string_view::npos) ++pos;
    }
    return pos == std::string_view::npos ? folder : folder.substr(0, pos);
  }
  if (folder.size() >= 2 && folder[1] == ':') return folder.substr(0, 2);
  return folder.substr(0, folder.starts_with('\\') ? 1 : 0);
}

std::vector<std::string_view> folderNames(std::string_view rest, PathStyle style) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || endsFolder(rest[i], style)) {
      if (i > start) names.push_back(rest.substr(start, i - start));
      start = i + 1;
    }
  }
  return names;
}

}  // namespace

char separator(PathStyle style) {
  return style == PathStyle::Windows ? '\\' : '/';
}

bool endsFolder(char c, PathStyle style) {
  return style == PathStyle::Windows ? (c == '\\' || c == ':') : c == '/';
}

std::string dir(std::string_view p, PathStyle style) {
  return std::string(p.substr(0, folderEnd(p, style)));
}

std::string name(std::string_view p, PathStyle style) {
  return std::string(p.substr(folderEnd(p, style)));
}

std::string noext(std::string_view t, PathStyle style) {
  const std::size_t dot = t.rfind('.');
  if (dot == std::string_view::npos || dot < folderEnd(t, style)) return std::string(t);
  return std::string(t.substr(0, dot));
}

bool sameName(std::string_view a, std::string_view b, PathStyle style) {
  if (style == PathStyle::Posix) return a == b;
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::string relativeFolder(std::string_view from, std::string_view to, PathStyle style) {
  const std::string_view fromRoot = rootOf(from, style);
  const std::string_view toRoot = rootOf(to, style);
  if (!sameName(fromRoot, toRoot, style)) return std::string(to);

  const auto fromNames = folderNames(from.substr(fromRoot.size()), style);
  const auto toNames = folderNames(to.substr(toRoot.size()), style);
  std::size_t shared = 0;
  while (shared < fromNames.size() && shared < toNames.size() &&
         sameName(fromNames[shared], toNames[shared], style)) {
    ++shared;
  }

  const char sep = separator(style);
  std::string prefix;
  for (std::size_t i = shared; i < fromNames.size(); ++i) prefix.append("..").push_back(sep);
  for (std::size_t i = shared; i < toNames.size(); ++i) prefix.append(toNames[i]).push_back(sep);
  return prefix;
}

}  // namespace twinlens::paths
