#pragma once

#include <filesystem>
#include <string>

namespace twinlens::test {

// A fresh, empty folder for one test, removed with everything in it when the test ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of a file in the folder, as a string.
  std::string file(const std::string& relative) const { return (path_ / relative).string(); }

 private:
  std::filesystem::path path_;
};

// The bytes of a file; empty when it cannot be read.
std::string readBytes(const std::filesystem::path& file);
// Writes bytes to a file, creating its folders.
void writeBytes(const std::filesystem::path& file, const std::string& bytes);

}  // namespace twinlens::test
