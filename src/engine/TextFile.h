#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace twinlens {

// An ordered list of text lines, the form of every file the program writes (scripts, batch
// files, job lists). On disk every line ends with CR LF.
class TextFile {
 public:
  TextFile() = default;
  TextFile(std::initializer_list<std::string> lines) : lines_(lines) {}
  explicit TextFile(std::vector<std::string> lines) : lines_(std::move(lines)) {}

  void add(std::string line) { lines_.push_back(std::move(line)); }
  void append(const TextFile& other);

  const std::vector<std::string>& lines() const { return lines_; }
  std::size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  const std::string& operator[](std::size_t i) const { return lines_[i]; }

  // The file's bytes: every line followed by CR LF.
  std::string text() const { return joinLines(lines_); }
  static std::string joinLines(const std::vector<std::string>& lines);

  // Writes the file, replacing an existing one as a whole. A failure raises
  // `Cannot create file "<path>". <reason>` and leaves the earlier file as it was.
  void save(const std::string& path) const;

  // Splits a text at its line ends: CR LF, LF or a lone CR end a line; a last line without a
  // line end is still a line, and a final line end adds no empty line.
  static TextFile fromText(std::string_view text);

  // Reads a file; a failure raises `Cannot open file "<path>". <reason>`.
  static TextFile load(const std::string& path);

  friend bool operator==(const TextFile&, const TextFile&) = default;

 private:
  std::vector<std::string> lines_;
};

}  // namespace twinlens
