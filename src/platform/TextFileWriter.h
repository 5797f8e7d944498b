#pragma once

#include <string>
#include <string_view>

#include "base/TextFile.h"
#include "platform/FileSystem.h"

namespace twinlens {

// A text file written line by line as a run goes (every line ended by CR LF, or LF) that replaces
// its target as a whole once complete. A writer dropped before commit() leaves nothing behind, so a
// run that stops leaves neither a partial file nor a temporary one.
class TextFileWriter {
 public:
  // Creates the temporary file beside `path`; a failure raises `Cannot create file ...`.
  // `lineFeedsOnly` ends every line with LF alone (a POSIX shell script).
  explicit TextFileWriter(std::string path, bool lineFeedsOnly = false)
      : file_(std::move(path)), lineFeedsOnly_(lineFeedsOnly) {}

  const std::string& path() const { return file_.path(); }

  void add(std::string_view line);
  void append(const TextFile& lines);

  // Puts the file in place; false when the target already held the same bytes and was left
  // untouched.
  bool commit() { return file_.commit(); }

 private:
  platform::ReplacementFile file_;
  bool lineFeedsOnly_;
};

}  // namespace twinlens
