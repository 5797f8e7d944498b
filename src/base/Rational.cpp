#include "base/Rational.h"

#include <charconv>
#include <limits>
#include <numeric>

namespace twinlens {

Rational Rational::of(std::int64_t num, std::int64_t den) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  const std::int64_t divisor = std::gcd(num, den);
  if (divisor > 1) {
    num /= divisor;
    den /= divisor;
  }
  return {num, den};
}

Rational Rational::operator*(Rational other) const {
  // Cross-reduced first, so that products of frame rates stay far from overflow.
  const std::int64_t a = std::gcd(num, other.den);
  const std::int64_t b = std::gcd(other.num, den);
  return of((num / (a ? a : 1)) * (other.num / (b ? b : 1)),
            (den / (b ? b : 1)) * (other.den / (a ? a : 1)));
}

Rational Rational::operator/(Rational other) const {
  return *this * of(other.den, other.num);
}

namespace {

std::optional<std::int64_t> digitsOf(std::string_view text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

}  // namespace

std::optional<Rational> Rational::parse(std::string_view text) {
  std::optional<Rational> rate;
  if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
    const auto num = digitsOf(text.substr(0, slash));
    const auto den = digitsOf(text.substr(slash + 1));
    if (num && den && *den > 0) rate = of(*num, *den);
  } else if (const std::size_t dot = text.find('.'); dot != std::string_view::npos) {
    const std::string_view fraction = text.substr(dot + 1);
    const auto whole = dot == 0 ? std::optional<std::int64_t>(0) : digitsOf(text.substr(0, dot));
    const auto part = digitsOf(fraction);
    if (whole && part && fraction.size() <= 9) {
      std::int64_t scale = 1;
      for (std::size_t i = 0; i < fraction.size(); ++i) scale *= 10;
      // A number too large for its fraction's scale is none (it would overflow).
      if (*whole <= (std::numeric_limits<std::int64_t>::max() - *part) / scale) {
        rate = of(*whole * scale + *part, scale);
      }
    }
  } else if (const auto whole = digitsOf(text)) {
    rate = of(*whole, 1);
  }
  if (rate && rate->num <= 0) return std::nullopt;
  return rate;
}

}  // namespace twinlens
