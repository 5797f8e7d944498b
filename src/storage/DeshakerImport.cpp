#include "storage/DeshakerImport.h"

#include "platform/FileSystem.h"

namespace twinlens {

namespace {

constexpr std::string_view kFilterLine = "VirtualDub.video.filters.Add(\"Deshaker v3.0\");";
constexpr std::size_t npos = std::string_view::npos;

// The line starting at `start` (without its line end), and where the next one starts: CR LF,
// LF or a lone CR end a line.
std::string_view lineAt(std::string_view text, std::size_t start, std::size_t& next) {
  const std::size_t end = text.find_first_of("\r\n", start);
  if (end == npos) {
    next = text.size();
    return text.substr(start);
  }
  next = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  return text.substr(start, end - start);
}

}  // namespace

std::optional<DeshakerParameters> cutDeshakerLine(std::string_view line) {
  // Separators are counted from the opening quote on: only the quoted text is the parameter
  // string.
  const std::size_t q = line.find('"');
  if (q == npos) return std::nullopt;
  std::size_t a = q;
  for (int n = 0; n < 24; ++n) {
    a = line.find('|', a + 1);
    if (a == npos) return std::nullopt;
  }
  const std::size_t b = line.find('|', a + 1);
  if (b == npos) return std::nullopt;
  const std::size_t e = line.find('"', b + 1);
  if (e == npos) return std::nullopt;

  DeshakerParameters parameters;
  std::string head(line.substr(q, a - q + 1));
  // The first character of field 2 names the pass. An empty field 2 gets the digit inserted, so
  // that the separator behind it is not overwritten.
  const std::size_t field2 = head.find('|', 1) + 1;
  if (head[field2] == '|') head.insert(field2, 1, '1');
  head[field2] = '1';
  parameters.part1a = head;
  head[field2] = '2';
  parameters.part1b = std::move(head);
  parameters.part2 = std::string(line.substr(b, e - b + 1));
  return parameters;
}

std::optional<DeshakerParameters> findDeshakerParameters(std::string_view vcfText) {
  std::size_t start = 0;
  while (start < vcfText.size()) {
    std::size_t next = 0;
    const std::string_view line = lineAt(vcfText, start, next);
    if (line == kFilterLine) {
      if (next >= vcfText.size()) return std::nullopt;  // the filter line is the last line
      std::size_t after = 0;
      return cutDeshakerLine(lineAt(vcfText, next, after));
    }
    start = next;
  }
  return std::nullopt;
}

bool importDeshakerSettings(ConversionSettings& settings, const std::string& vcfPath) {
  const auto parameters = findDeshakerParameters(platform::readFile(vcfPath));
  if (!parameters) return false;
  settings.DeshakePart1a = parameters->part1a;
  settings.DeshakePart1b = parameters->part1b;
  settings.DeshakePart2 = parameters->part2;
  const std::string source = "the VirtualDub configuration file \"" + vcfPath + "\"";
  settings.sources.record("DeshakePart1a", settings.DeshakePart1a, source);
  settings.sources.record("DeshakePart1b", settings.DeshakePart1b, source);
  settings.sources.record("DeshakePart2", settings.DeshakePart2, source);
  return true;
}

}  // namespace twinlens
