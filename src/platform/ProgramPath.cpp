#include "platform/ProgramPath.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace twinlens::platform {

std::string programPath() {
  // Paths may be longer than the usual limit; grow the buffer until the whole path fits.
  std::vector<char> buffer(1024);
  for (;;) {
#ifdef _WIN32
    const DWORD length =
        GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::string(buffer.data(), length);
#else
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
#endif
    if (buffer.size() >= (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
}

bool onSearchPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr || name.empty()) return false;
#ifdef _WIN32
  constexpr char kSeparator = ';';
  std::vector<std::string> extensions{""};
  if (name.find('.') == std::string::npos) {
    const char* listed = std::getenv("PATHEXT");
    std::string_view rest = listed != nullptr ? listed : ".COM;.EXE;.BAT;.CMD";
    while (!rest.empty()) {
      const std::size_t end = std::min(rest.find(';'), rest.size());
      if (end > 0) extensions.emplace_back(rest.substr(0, end));
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
  }
  const auto usable = [](const std::string& file) {
    const DWORD attributes = GetFileAttributesA(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  };
#else
  constexpr char kSeparator = ':';
  const std::vector<std::string> extensions{""};
  const auto usable = [](const std::string& file) { return ::access(file.c_str(), X_OK) == 0; };
#endif
  std::string_view folders = path;
  for (;;) {
    const std::size_t end = std::min(folders.find(kSeparator), folders.size());
    // An empty entry is the current folder.
    std::string folder(end == 0 ? std::string_view(".") : folders.substr(0, end));
    folder.push_back('/');
    folder.append(name);
    for (const std::string& extension : extensions) {
      if (usable(folder + extension)) return true;
    }
    if (end == folders.size()) return false;
    folders.remove_prefix(end + 1);
  }
}

}  // namespace twinlens::platform
