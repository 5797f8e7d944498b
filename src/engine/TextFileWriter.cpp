#include "engine/TextFileWriter.h"

namespace twinlens {

void TextFileWriter::add(std::string_view line) {
  file_.write(line);
  file_.write("\r\n");
}

void TextFileWriter::append(const TextFile& lines) {
  file_.write(lines.text());
}

}  // namespace twinlens
