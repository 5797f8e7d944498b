#include "base/DecimalText.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "base/Error.h"

namespace twinlens {

std::optional<double> tryToDecimal(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  bool seenDigit = false;
  bool seenPoint = false;
  for (const char c : digits) {
    if (c >= '0' && c <= '9') {
      seenDigit = true;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else {
      return std::nullopt;
    }
  }
  if (!seenDigit) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return text.front() == '-' ? -value : value;
}

double toDecimal(std::string_view text) {
  const std::optional<double> value = tryToDecimal(text);
  if (!value) throw Error("'" + std::string(text) + "' is not a valid number");
  return *value;
}

std::string fixedText(double value, int places) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", places, value);
  return text;
}

}  // namespace twinlens
