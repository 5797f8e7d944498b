#pragma once

#include <string>
#include <vector>

namespace twinlens {

class IniText;

// Profile-string access to an INI file: case-insensitive sections and keys, every call reads or
// writes the file afresh, writes replace the file as a whole (atomically) and keep every line
// they do not change.
class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& path() const { return path_; }

  // The value after the first "=", blanks trimmed, one pair of matching surrounding quotes
  // removed, at most 2047 characters; `fallback` for a missing file, section or key.
  std::string read(const std::string& section, const std::string& key,
                   const std::string& fallback) const;
  // The key names of a section in file order (cut off at 16 KB of names).
  std::vector<std::string> keys(const std::string& section) const;
  // Writes a value in place, or appends the key to its section, or the section to the file.
  // A refused write raises "Unable to write to <path>". A section, key or value that could
  // not be read back as written (a line break, a key with "=") raises
  // "'<text>' cannot be written to <path>" and leaves the file alone.
  void write(const std::string& section, const std::string& key, const std::string& value);
  // Deletes the key (every copy of it in its section); nothing happens when it is missing.
  void remove(const std::string& section, const std::string& key);

  // One value of a write of many.
  struct Entry {
    std::string section;
    std::string key;
    std::string value;
  };
  // Writes the values in order with one replacement of the file. One that could not be read
  // back raises as write() does, before anything is written.
  void write(const std::vector<Entry>& entries);
  // The values set into a text in order; raises as write() does (naming `path`) and leaves the
  // text alone when one could not be read back.
  static void set(IniText& text, const std::vector<Entry>& entries, const std::string& path);

  // The file's text as it stands; empty when there is none or it cannot be read.
  IniText text() const;

 private:
  std::string path_;
};

}  // namespace twinlens
