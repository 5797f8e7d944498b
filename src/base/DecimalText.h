#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace twinlens {

// The one conversion from a typed text to a decimal number: an optional sign, digits with an
// optional decimal point ("-12.5", ".75", "3."). Nothing else is accepted: no blanks, no empty
// text, no exponent, no "inf" or "nan", no trailing characters.
std::optional<double> tryToDecimal(std::string_view text);

// As tryToDecimal(), but a text that is not a number raises "'<text>' is not a valid number".
double toDecimal(std::string_view text);

// A number with `places` decimals ("12.50"), as files and messages show it.
std::string fixedText(double value, int places);

}  // namespace twinlens
