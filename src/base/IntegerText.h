#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace twinlens {

// The one conversion from a typed text to a whole number: an optional sign followed by decimal
// digits, or by hexadecimal digits behind a "$" or "0x" prefix, within the signed 32-bit range.
// Nothing else is accepted: no blanks, no empty text, no trailing characters.
std::optional<std::int32_t> tryToInteger(std::string_view text);

// As tryToInteger(), but a text that is not an integer raises
// "'<text>' is not a valid integer value".
std::int32_t toInteger(std::string_view text);

// Reads `text` as `pattern`, where each "#" stands for a whole decimal number (64 bits), into
// `numbers`; whatever follows the pattern is left. For the lines programs print
// ("frame=250", "Encoding clip 2 of 3 (250 frames)").
bool readNumbersAs(std::string_view text, std::string_view pattern,
                   std::vector<std::int64_t>& numbers);

}  // namespace twinlens
