#include "engine/TextFile.h"

#include "platform/FileSystem.h"

namespace twinlens {

void TextFile::append(const TextFile& other) {
  lines_.insert(lines_.end(), other.lines_.begin(), other.lines_.end());
}

std::string TextFile::joinLines(const std::vector<std::string>& lines) {
  std::size_t length = 0;
  for (const auto& line : lines) length += line.size() + 2;
  std::string bytes;
  bytes.reserve(length);
  for (const auto& line : lines) bytes.append(line).append("\r\n");
  return bytes;
}

void TextFile::save(const std::string& path) const {
  platform::writeFileReplacing(path, text());
}

TextFile TextFile::fromText(std::string_view text) {
  TextFile file;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      file.add(std::string(text.substr(start, i - start)));
      i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) file.add(std::string(text.substr(start)));
  return file;
}

TextFile TextFile::load(const std::string& path) {
  return fromText(platform::readFile(path));
}

}  // namespace twinlens
