#include "base/IntegerText.h"

#include <charconv>
#include <limits>

#include "base/Error.h"

namespace twinlens {

namespace {

int digitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < base ? value : -1;
}

}  // namespace

std::optional<std::int32_t> tryToInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;

  // Accumulate the magnitude in 64 bits; the limit lets -2147483648 through but not +2147483648.
  const std::int64_t limit =
      negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
               : std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (char c : text) {
    const int digit = digitValue(c, base);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::int32_t toInteger(std::string_view text) {
  if (auto value = tryToInteger(text)) return *value;
  throw Error::notAnInteger(text);
}

bool readNumbersAs(std::string_view text, std::string_view pattern,
                   std::vector<std::int64_t>& numbers) {
  numbers.clear();
  std::size_t at = 0;
  for (const char expected : pattern) {
    if (expected != '#') {
      if (at >= text.size() || text[at] != expected) return false;
      ++at;
      continue;
    }
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), number);
    if (error != std::errc()) return false;
    numbers.push_back(number);
    at = static_cast<std::size_t>(end - text.data());
  }
  return true;
}

}  // namespace twinlens
