#include "platform/TextFileWriter.h"

namespace twinlens {

void TextFileWriter::add(std::string_view line) {
  file_.write(line);
  file_.write(lineFeedsOnly_ ? "\n" : "\r\n");
}

void TextFileWriter::append(const TextFile& lines) {
  if (!lineFeedsOnly_) {
    file_.write(lines.text());
    return;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) add(lines[i]);
}

}  // namespace twinlens
