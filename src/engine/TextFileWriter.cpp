#include "engine/TextFileWriter.h"

namespace twinlens {

void TextFileWriter::add(std::string_view line) {
  file_.write(line);
  file_.write("\r\n");
}

void TextFileWriter::append(const TextFile& lines) {
  for (const std::string& line : lines.lines()) add(line);
}

}  // namespace twinlens
