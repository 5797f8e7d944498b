#include "base/TextFile.h"

namespace twinlens {

void TextFile::append(const TextFile& other) {
  const std::size_t offset = text_.size();
  text_.append(other.text_);
  ends_.reserve(ends_.size() + other.ends_.size());
  for (const std::size_t end : other.ends_) ends_.push_back(offset + end);
}

std::vector<std::string> TextFile::lines() const {
  std::vector<std::string> result;
  result.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) result.emplace_back((*this)[i]);
  return result;
}

std::string TextFile::joinLines(const std::vector<std::string>& lines) {
  std::size_t length = 0;
  for (const auto& line : lines) length += line.size() + 2;
  std::string bytes;
  bytes.reserve(length);
  for (const auto& line : lines) bytes.append(line).append("\r\n");
  return bytes;
}

TextFile TextFile::fromText(std::string_view text) {
  TextFile file;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      file.add(text.substr(start, i - start));
      i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) file.add(text.substr(start));
  return file;
}

}  // namespace twinlens
