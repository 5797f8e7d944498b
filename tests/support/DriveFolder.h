#pragma once

// Windows only: folders and files named the way the program names them, in the 8-bit code page
// through the A functions, on real drives.

#include <string>
#include <string_view>

namespace twinlens::test {

// A fresh folder in the root of a drive (C:\twinlens-<process>-<n>), removed with everything
// in it when the test ends. `created()` is false when the drive cannot be written.
class DriveFolder {
 public:
  explicit DriveFolder(char drive);
  ~DriveFolder();
  DriveFolder(const DriveFolder&) = delete;
  DriveFolder& operator=(const DriveFolder&) = delete;

  bool created() const { return created_; }
  // The folder without a trailing separator.
  const std::string& path() const { return path_; }
  // A path inside the folder; `relative` is spelled with backslashes.
  std::string file(std::string_view relative) const { return path_ + "\\" + std::string(relative); }

 private:
  std::string path_;
  bool created_ = false;
};

// True when the program runs under Wine rather than on Windows itself.
bool underWine();

// A text in the ANSI code page; empty when the code page cannot spell every character of it.
std::string ansiText(std::wstring_view text);

// Writes bytes to a file through the C library (code-page names), creating its folders.
// False when that fails.
bool putFile(const std::string& path, std::string_view bytes);

// The bytes of a file read through the C library; empty when it cannot be read.
std::string fileBytes(const std::string& path);

// Empty when every line of the bytes ends in CR LF (no lone CR or LF anywhere, a line end at
// the end); otherwise a description of the first fault, starting with "not CR LF".
std::string crLfFault(std::string_view bytes);

// A batch file that records its working folder and its parameters in `record`, then marks the
// record complete.
std::string recorderBatch(const std::string& record);

// The record of a recorder batch file once it is complete; empty when it has not appeared in
// time. Starting a batch file under Wine can take seconds.
std::string awaitRecord(const std::string& record);

}  // namespace twinlens::test
