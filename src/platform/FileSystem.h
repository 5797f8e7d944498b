#pragma once

#include <string>
#include <string_view>

namespace twinlens::platform {

// True when a file (not a folder) exists at the path.
bool fileExists(const std::string& path);
// True when a folder exists at the path.
bool folderExists(const std::string& path);

// The whole content of a file. A file that cannot be opened or read raises
// `Cannot open file "<path>". <reason>`.
std::string readFile(const std::string& path);

// Replaces the file at `path` as a whole with `bytes`: the bytes go to a temporary file in the
// same folder, which is then renamed over the target, so a failed write never leaves a
// half-written file where a good one stood. A file that already holds exactly these bytes is left
// as it is (no write, its time stamp kept). A failure raises
// `Cannot create file "<path>". <reason>` and leaves any earlier file untouched. True when the
// file was written.
bool writeFileReplacing(const std::string& path, std::string_view bytes);

// A file written piece by piece that replaces `path` as a whole once it is complete: the pieces go
// to a temporary file beside the target, which commit() puts in place by the rules of
// writeFileReplacing(). A file that is never committed leaves nothing behind, neither a partial
// target nor the temporary file.
class ReplacementFile {
 public:
  // Creates the temporary file; a failure raises `Cannot create file "<path>". <reason>`.
  explicit ReplacementFile(std::string path);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const std::string& path() const { return path_; }

  void write(std::string_view bytes);

  // Puts the file in place. True when the target was replaced, false when it already held the
  // same bytes and was left untouched.
  bool commit();

 private:
  // Closes and removes the temporary file, then raises the failure for the target.
  [[noreturn]] void fail(int errorNumber);

  std::string path_;
  std::string temporary_;
  void* file_ = nullptr;  // the std::FILE of the temporary file while it is open
};

// Lets everyone who may read the file also run it (a shell script); nothing on Windows, where a
// file's name says whether it runs. A failure raises `Cannot create file "<path>". <reason>`.
void makeExecutable(const std::string& path);

// The full path of a file named relative to the current folder, "." and ".." steps resolved and
// the separators spelled the system's way. The bytes stay in the 8-bit code page: on Windows
// the name never passes through a wide-character path.
std::string absolutePath(const std::string& path);

// The system's text for an error number of the C library.
std::string systemErrorText(int errorNumber);

// The folder where the program keeps what it can make again (what was read of a clip):
// $XDG_CACHE_HOME/twinlens or ~/.cache/twinlens; %LOCALAPPDATA%\Twinlens\Cache on Windows. Empty
// where the system names no such place. It may not exist yet.
std::string cacheFolder();

}  // namespace twinlens::platform
