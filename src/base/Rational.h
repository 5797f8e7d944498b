#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace twinlens {

// An exact fraction, kept in lowest terms with a positive denominator: frame rates and the
// factors between them.
struct Rational {
  std::int64_t num = 0;
  std::int64_t den = 1;

  static Rational of(std::int64_t num, std::int64_t den);
  // A typed rate: a whole number, a decimal fraction ("29.97") or a quotient ("30000/1001").
  // Nothing when the text is none of these, or not above zero.
  static std::optional<Rational> parse(std::string_view text);

  Rational operator*(Rational other) const;
  Rational operator/(Rational other) const;
  double value() const { return static_cast<double>(num) / static_cast<double>(den); }
  // "num/den", as ffmpeg's options read it.
  std::string text() const { return std::to_string(num) + "/" + std::to_string(den); }

  friend bool operator==(const Rational&, const Rational&) = default;
};

}  // namespace twinlens
