#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/ShellWords.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// A setting whose text reaches the command lines (and the scripts' strings) an engine writes.
struct CommandText {
  enum class Use {
    Options,   // split into arguments: the encoder options
    Argument,  // one argument, or one name inside a script's string
    Opening,   // a script string's first part: a double quote may open it
    Closing,   // a script string's last part: a double quote may close it
  };
  std::string_view field;
  std::string_view title;  // "the encoder options"
  Use use;
};

// What in `text` cannot be carried for `shell` when used so; nothing when it can.
std::optional<shellwords::Fault> commandTextFault(std::string_view text, CommandText::Use use,
                                                  Shell shell);

// Raises Error for the first of `texts` that `shell` cannot carry, naming the setting, the
// character and where its text came from (the file, the preset or the field).
void checkCommandTexts(const ConversionSettings& settings, Shell shell,
                       std::span<const CommandText> texts);

// What keeps a preset from being used by any engine (its options or its extension), as a short
// text ("a line break in its options"); empty when nothing does.
std::string presetFault(std::string_view options, std::string_view extension);

// The texts of the settings that every engine's command lines take.
namespace commandtexts {
inline constexpr CommandText kPrefix{"Prefix", "the prefix of the output names",
                                     CommandText::Use::Argument};
inline constexpr CommandText kFfmpeg[] = {
    {"FfmpegLocation", "the ffmpeg program", CommandText::Use::Argument},
    {"Edit_coding_presets", "the encoder options", CommandText::Use::Options},
    {"Edit_Video_Extension", "the output extension", CommandText::Use::Argument}};
}  // namespace commandtexts

}  // namespace twinlens
