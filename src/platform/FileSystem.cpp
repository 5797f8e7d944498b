#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/Error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#endif

namespace twinlens::platform {

namespace {

#ifdef _WIN32
std::string windowsErrorText(DWORD code) {
  char buffer[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  // The system's messages end in a period and a line break; the caller adds its own ending.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}
#endif

std::string temporaryNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
#ifdef _WIN32
  const unsigned long pid = GetCurrentProcessId();
#else
  const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
  return path + ".~" + std::to_string(pid) + "-" + std::to_string(counter++) + ".tmp";
}

// Writes all bytes to a new file; returns 0 or the error number.
int writeNewFile(const std::string& path, std::string_view bytes) {
#ifdef _WIN32
  std::FILE* file = std::fopen(path.c_str(), "wb");
#else
  std::FILE* file = std::fopen(path.c_str(), "wbx");  // never reuse a stranger's file
#endif
  if (file == nullptr) return errno != 0 ? errno : EIO;
  int error = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    error = errno != 0 ? errno : EIO;
  }
  if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  if (error != 0) std::remove(path.c_str());
  return error;
}

}  // namespace

std::string systemErrorText(int errorNumber) {
  return std::strerror(errorNumber);
}

bool fileExists(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
#else
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

std::string readFile(const std::string& path) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw Error::cannotOpen(path, systemErrorText(errno != 0 ? errno : ENOENT));
  std::string content;
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throw Error::cannotOpen(path, systemErrorText(error != 0 ? error : EIO));
  return content;
}

std::string absolutePath(const std::string& path) {
#ifdef _WIN32
  // The A function works in the ANSI code page, as every other file call of the program does.
  std::string full(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // the size needed, with its terminating zero
  }
#else
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.lexically_normal().string();
#endif
}

void writeFileReplacing(const std::string& path, std::string_view bytes) {
#ifndef _WIN32
  // Renaming over a file needs only the folder's permission; a file the user made read-only must
  // refuse the write all the same, and a writable one keeps its permissions.
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists && ::access(path.c_str(), W_OK) != 0) {
    throw Error::cannotCreate(path, systemErrorText(errno));
  }
#else
  // The same for the read-only attribute, which a rename over the file does not always honour
  // (Wine replaces such a file).
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    throw Error::cannotCreate(path, windowsErrorText(ERROR_ACCESS_DENIED));
  }
#endif
  const std::string temporary = temporaryNameBeside(path);
  errno = 0;
  if (const int error = writeNewFile(temporary, bytes); error != 0) {
    throw Error::cannotCreate(path, systemErrorText(error));
  }
#ifdef _WIN32
  if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD code = GetLastError();
    DeleteFileA(temporary.c_str());
    throw Error::cannotCreate(path, windowsErrorText(code));
  }
#else
  if (exists) ::chmod(temporary.c_str(), existing.st_mode & 07777);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    throw Error::cannotCreate(path, systemErrorText(error));
  }
#endif
}

}  // namespace twinlens::platform
