#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/Error.h"

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
  if (file == nullptr) return errno != 0 ? errno : EIO;
  int error = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    error = errno != 0 ? errno : EIO;
  }
  if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
#else
  // Straight to the system, in as few calls as the bytes allow; never reuse a stranger's file.
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (file < 0) return errno;
  int error = 0;
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = ::write(file, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      error = wrote < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(wrote);
  }
  if (::close(file) != 0 && error == 0) error = errno;
#endif
  if (error != 0) std::remove(path.c_str());
  return error;
}

// What is at a path before it is written: one look, reused by every check of the write.
struct Existing {
  bool exists = false;
  bool regular = false;
  std::uint64_t size = 0;
#ifdef _WIN32
  DWORD attributes = 0;
#else
  mode_t mode = 0;
#endif
};

Existing existingAt(const std::string& path) {
  Existing existing;
#ifdef _WIN32
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) return existing;
  existing.exists = true;
  existing.attributes = info.dwFileAttributes;
  existing.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  existing.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
#else
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return existing;
  existing.exists = true;
  existing.regular = S_ISREG(info.st_mode);
  existing.size = static_cast<std::uint64_t>(info.st_size);
  existing.mode = info.st_mode;
#endif
  return existing;
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

bool folderExists(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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

void makeExecutable(const std::string& path) {
#ifdef _WIN32
  (void)path;
#else
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw Error::cannotCreate(path, systemErrorText(errno));
  // Each class that may read it may also run it.
  const mode_t readable = info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
  const mode_t mode = (info.st_mode & 07777) | (readable >> 2);
  if (mode != (info.st_mode & 07777) && ::chmod(path.c_str(), mode) != 0) {
    throw Error::cannotCreate(path, systemErrorText(errno));
  }
#endif
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

namespace {

// True when the file at `path` holds exactly `bytes`; a file that cannot be read is not equal.
bool holdsExactly(const std::string& path, const Existing& existing, std::string_view bytes) {
  // Most changed files change their length: those are told apart without reading them.
  if (!existing.regular || existing.size != bytes.size()) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[1 << 16];
  std::size_t compared = 0;
  bool equal = true;
  while (equal) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    if (got == 0) break;
    equal =
        compared + got <= bytes.size() && std::memcmp(buffer, bytes.data() + compared, got) == 0;
    compared += got;
  }
  equal = equal && std::ferror(file) == 0 && compared == bytes.size();
  std::fclose(file);
  return equal;
}

// True when two files hold the same bytes, compared a piece at a time so that a long file costs
// no memory.
bool sameFileContent(const std::string& a, const std::string& b) {
  std::FILE* first = std::fopen(a.c_str(), "rb");
  if (first == nullptr) return false;
  std::FILE* second = std::fopen(b.c_str(), "rb");
  if (second == nullptr) {
    std::fclose(first);
    return false;
  }
  static constexpr std::size_t kPiece = 1 << 16;
  std::string one(kPiece, '\0');
  std::string two(kPiece, '\0');
  bool equal = true;
  while (equal) {
    const std::size_t got = std::fread(one.data(), 1, kPiece, first);
    equal = std::fread(two.data(), 1, kPiece, second) == got &&
            std::memcmp(one.data(), two.data(), got) == 0;
    if (got < kPiece) break;
  }
  equal = equal && std::ferror(first) == 0 && std::ferror(second) == 0;
  std::fclose(first);
  std::fclose(second);
  return equal;
}

// A file the user made read-only refuses the write, whatever a rename over it would do: renaming
// needs only the folder's permission, and Wine replaces such a file on Windows.
void refuseReadOnly(const std::string& path, const Existing& existing) {
  if (!existing.exists) return;
#ifndef _WIN32
  if (::access(path.c_str(), W_OK) != 0) throw Error::cannotCreate(path, systemErrorText(errno));
#else
  if ((existing.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    throw Error::cannotCreate(path, windowsErrorText(ERROR_ACCESS_DENIED));
  }
#endif
}

// Renames a complete temporary file over the target, which keeps its permissions; on failure the
// temporary file is removed and the target stays as it was.
void putInPlace(const std::string& temporary, const std::string& path,
                [[maybe_unused]] const Existing& existing) {
#ifdef _WIN32
  if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD code = GetLastError();
    DeleteFileA(temporary.c_str());
    throw Error::cannotCreate(path, windowsErrorText(code));
  }
#else
  if (existing.exists) ::chmod(temporary.c_str(), existing.mode & 07777);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    throw Error::cannotCreate(path, systemErrorText(error));
  }
#endif
}

}  // namespace

bool writeFileReplacing(const std::string& path, std::string_view bytes) {
  const Existing existing = existingAt(path);
  // A re-run with the same settings costs reads, not rewrites.
  if (holdsExactly(path, existing, bytes)) return false;
#ifndef _WIN32
  // A new file replaces nothing: it is created exclusively and written in place, and removed
  // again when the write fails. Only a file that appeared meanwhile takes the way below.
  if (!existing.exists) {
    const int error = writeNewFile(path, bytes);
    if (error == 0) return true;
    if (error != EEXIST) throw Error::cannotCreate(path, systemErrorText(error));
    return writeFileReplacing(path, bytes);
  }
#endif
  refuseReadOnly(path, existing);
  const std::string temporary = temporaryNameBeside(path);
  errno = 0;
  if (const int error = writeNewFile(temporary, bytes); error != 0) {
    throw Error::cannotCreate(path, systemErrorText(error));
  }
  putInPlace(temporary, path, existing);
  return true;
}

ReplacementFile::ReplacementFile(std::string path)
    : path_(std::move(path)), temporary_(temporaryNameBeside(path_)) {
  errno = 0;
#ifdef _WIN32
  std::FILE* file = std::fopen(temporary_.c_str(), "wb");
#else
  std::FILE* file = std::fopen(temporary_.c_str(), "wbx");  // never reuse a stranger's file
#endif
  if (file == nullptr) throw Error::cannotCreate(path_, systemErrorText(errno != 0 ? errno : EIO));
  file_ = file;
}

ReplacementFile::~ReplacementFile() {
  if (file_ != nullptr) {
    std::fclose(static_cast<std::FILE*>(file_));
    std::remove(temporary_.c_str());
  }
}

void ReplacementFile::fail(int errorNumber) {
  std::fclose(static_cast<std::FILE*>(file_));
  file_ = nullptr;
  std::remove(temporary_.c_str());
  throw Error::cannotCreate(path_, systemErrorText(errorNumber != 0 ? errorNumber : EIO));
}

void ReplacementFile::write(std::string_view bytes) {
  if (file_ == nullptr) throw Error::cannotCreate(path_, systemErrorText(EBADF));
  errno = 0;
  if (!bytes.empty() &&
      std::fwrite(bytes.data(), 1, bytes.size(), static_cast<std::FILE*>(file_)) != bytes.size()) {
    fail(errno);
  }
}

bool ReplacementFile::commit() {
  if (file_ == nullptr) throw Error::cannotCreate(path_, systemErrorText(EBADF));
  errno = 0;
  if (std::fclose(static_cast<std::FILE*>(file_)) != 0) {
    file_ = nullptr;
    std::remove(temporary_.c_str());
    throw Error::cannotCreate(path_, systemErrorText(errno != 0 ? errno : EIO));
  }
  file_ = nullptr;
  if (sameFileContent(temporary_, path_)) {
    std::remove(temporary_.c_str());
    return false;
  }
  const Existing existing = existingAt(path_);
  try {
    refuseReadOnly(path_, existing);
  } catch (const Error&) {
    std::remove(temporary_.c_str());
    throw;
  }
  putInPlace(temporary_, path_, existing);
  return true;
}

std::string cacheFolder() {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
  };
#ifdef _WIN32
  const std::string local = variable("LOCALAPPDATA");
  return local.empty() ? std::string() : local + "\\Twinlens\\Cache";
#else
  const std::string cache = variable("XDG_CACHE_HOME");
  if (!cache.empty()) return cache + "/twinlens";
  const std::string home = variable("HOME");
  return home.empty() ? std::string() : home + "/.cache/twinlens";
#endif
}

}  // namespace twinlens::platform
