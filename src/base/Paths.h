#pragma once

#include <string>
#include <string_view>

namespace twinlens {

// How paths are spelled. Windows: "\" separates folders, a drive ends in ":", folder names
// compare without letter case. Posix: "/" separates folders, names compare exactly.
enum class PathStyle { Windows, Posix };

// The style of the machine the program runs on.
constexpr PathStyle nativePathStyle() {
#ifdef _WIN32
  return PathStyle::Windows;
#else
  return PathStyle::Posix;
#endif
}

namespace paths {

// The folder separator written into paths of this style.
char separator(PathStyle style);

// True for the characters that end a folder part: "\" and ":" (Windows) or "/" (Posix).
bool endsFolder(char c, PathStyle style);

// The folder part of p up to and including its last separator; empty when p has none.
std::string dir(std::string_view p, PathStyle style = nativePathStyle());

// The part of p after its folder part.
std::string name(std::string_view p, PathStyle style = nativePathStyle());

// t without the part from its last dot, when that dot comes after the folder part; t unchanged
// otherwise.
std::string noext(std::string_view t, PathStyle style = nativePathStyle());

// The folder `to` written relative to the folder `from` (both as dir() gives them, ending in a
// separator): one parent step for each level of `from` below the part both share, then the
// remaining folder names of `to`, with a trailing separator. Empty when the folders are the
// same; `to` itself when the two lie on different drives (or shares).
std::string relativeFolder(std::string_view from, std::string_view to,
                           PathStyle style = nativePathStyle());

// True when two folder or file names are the same for this style.
bool sameName(std::string_view a, std::string_view b, PathStyle style = nativePathStyle());

}  // namespace paths
}  // namespace twinlens
