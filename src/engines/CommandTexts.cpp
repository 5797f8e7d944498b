#include "engines/CommandTexts.h"

#include <cctype>
#include <stdexcept>

#include "base/Error.h"
#include "model/SettingsFields.h"

namespace twinlens {

std::optional<shellwords::Fault> commandTextFault(std::string_view text, CommandText::Use use,
                                                  Shell shell) {
  switch (use) {
    case CommandText::Use::Options: {
      shellwords::Split split = shellwords::split(text);
      return split.fault;
    }
    case CommandText::Use::Argument:
      return shellwords::unsafe(text, shell);
    case CommandText::Use::Opening: {
      // Inside a script's string, where no double quote but its own may stand.
      const bool opens = text.starts_with('"');
      auto fault = shellwords::unsafe(text.substr(opens ? 1 : 0), Shell::Cmd);
      if (fault && opens) ++fault->at;
      return fault;
    }
    case CommandText::Use::Closing: {
      const bool closes = text.ends_with('"');
      return shellwords::unsafe(text.substr(0, text.size() - (closes ? 1 : 0)), Shell::Cmd);
    }
  }
  return std::nullopt;
}

void checkCommandTexts(const ConversionSettings& settings, Shell shell,
                       std::span<const CommandText> texts) {
  for (const CommandText& text : texts) {
    const SettingsField* field = findSettingsField(text.field);
    // Every text named by an engine is a field of the settings table.
    if (field == nullptr) throw std::logic_error("no settings field " + std::string(text.field));
    const std::string value = settingsFieldText(settings, *field);
    const auto fault = commandTextFault(value, text.use, shell);
    if (!fault) continue;
    const bool plural = text.use == CommandText::Use::Options;
    std::string title(text.title);
    title.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(title.front())));
    const std::string source = settings.sources.of(text.field, value);
    throw Error(title + " (" + std::string(text.field) +
                ") cannot go onto a command line: " + (plural ? "they hold " : "it holds ") +
                fault->what + " at character " + std::to_string(fault->at) + "; " +
                (source.empty() ? (plural ? "mend them in the field" : "mend it in the field")
                                : (plural ? "they come from " : "it comes from ") + source));
  }
}

std::string presetFault(std::string_view options, std::string_view extension) {
  if (const auto fault = commandTextFault(options, CommandText::Use::Options, Shell::Cmd)) {
    return fault->what + " in its options";
  }
  if (const auto fault = commandTextFault(extension, CommandText::Use::Argument, Shell::Cmd)) {
    return fault->what + " in its extension";
  }
  return {};
}

}  // namespace twinlens
