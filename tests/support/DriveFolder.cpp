#include "support/DriveFolder.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace twinlens::test {

DriveFolder::DriveFolder(char drive) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100 && !created_; ++attempt) {
    path_ = std::string(1, drive) + ":\\twinlens-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    created_ = CreateDirectoryA(path_.c_str(), nullptr) != 0;
    if (!created_ && GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

DriveFolder::~DriveFolder() {
  if (!created_) return;
  // The root's name is plain ASCII; the names below it are listed wide, so any name goes.
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

bool underWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string ansiText(std::wstring_view text) {
  if (text.empty()) return {};
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                       static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
  if (size <= 0 || lossy) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                      bytes.data(), size, nullptr, &lossy);
  return lossy ? std::string() : bytes;
}

bool putFile(const std::string& path, std::string_view bytes) {
  for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::string fileBytes(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  std::string bytes;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    bytes.append(buffer, got);
  }
  std::fclose(file);
  return bytes;
}

std::string crLfFault(std::string_view bytes) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) {
      return "not CR LF: a lone CR in line " + std::to_string(line);
    }
    if (bytes[i] == '\n') {
      if (i == 0 || bytes[i - 1] != '\r') {
        return "not CR LF: a bare LF ends line " + std::to_string(line);
      }
      ++line;
    }
  }
  if (!bytes.empty() && bytes.back() != '\n') return "not CR LF: the last line has no line end";
  return {};
}

std::string recorderBatch(const std::string& record) {
  return "@echo off\r\ncd >\"" + record + "\"\r\necho %*>>\"" + record + "\"\r\necho done>\"" +
         record + ".done\"\r\n";
}

std::string awaitRecord(const std::string& record) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  const std::string done = record + ".done";
  while (std::chrono::steady_clock::now() < deadline) {
    if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) return fileBytes(record);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

}  // namespace twinlens::test
