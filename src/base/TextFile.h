#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace twinlens {

// An ordered list of text lines, the form of every file the program writes (scripts, batch
// files, job lists). On disk every line ends with CR LF. The lines are kept as the file's bytes
// with the end of each line beside them, so joining, appending and saving copy whole blocks.
class TextFile {
 public:
  TextFile() = default;
  TextFile(std::initializer_list<std::string_view> lines) {
    for (const std::string_view line : lines) add(line);
  }
  explicit TextFile(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) add(line);
  }

  void add(std::string_view line) {
    text_.append(line);
    ends_.push_back(text_.size());
    text_.append("\r\n");
  }
  void append(const TextFile& other);

  // The lines, each without its line end.
  std::vector<std::string> lines() const;
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t start = i == 0 ? 0 : ends_[i - 1] + 2;
    return std::string_view(text_).substr(start, ends_[i] - start);
  }

  // The file's bytes: every line followed by CR LF.
  const std::string& text() const { return text_; }
  static std::string joinLines(const std::vector<std::string>& lines);

  // Splits a text at its line ends: CR LF, LF or a lone CR end a line; a last line without a
  // line end is still a line, and a final line end adds no empty line.
  static TextFile fromText(std::string_view text);

  friend bool operator==(const TextFile&, const TextFile&) = default;

 private:
  std::string text_;               // every line followed by CR LF
  std::vector<std::size_t> ends_;  // where each line ends in text_, before its CR LF
};

}  // namespace twinlens
