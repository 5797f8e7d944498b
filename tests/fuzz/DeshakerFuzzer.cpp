// Any bytes as a VirtualDub configuration file: the cut gives three well-formed parts or nothing.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/DeshakerImport.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

void checkParts(const twinlens::DeshakerParameters& p, std::string_view input) {
  check(p.part1a.size() >= 3 && p.part1a.front() == '"' && p.part1a.back() == '|');
  check(std::count(p.part1a.begin(), p.part1a.end(), '|') == 24);
  check(p.part1a.size() == p.part1b.size());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < p.part1a.size(); ++i) differing += p.part1a[i] != p.part1b[i];
  check(differing == 1);
  check(p.part2.size() >= 2 && p.part2.front() == '|' && p.part2.back() == '"');
  check(input.find(p.part2) != std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (const auto parts = twinlens::cutDeshakerLine(input)) checkParts(*parts, input);
  if (const auto parts = twinlens::findDeshakerParameters(input)) checkParts(*parts, input);
  return 0;
}
