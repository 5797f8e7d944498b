#include "base/FilterText.h"

namespace twinlens {

std::string filterValue(std::string_view text) {
  // The option parser takes "\" as its escape and ":" as the end of a value.
  std::string option;
  for (const char c : text) {
    if (c == '\\' || c == '\'' || c == ':') option.push_back('\\');
    option.push_back(c);
  }
  // The graph parser keeps everything between single quotes; a quote itself is closed, escaped
  // and opened again.
  std::string quoted = "'";
  for (const char c : option) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted.push_back(c);
    }
  }
  return quoted + "'";
}

}  // namespace twinlens
