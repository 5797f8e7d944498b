#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "model/ConversionSettings.h"

namespace twinlens {

// A choice's field, read and written as the zero-based item index that files and controls hold
// (-1: nothing selected).
struct ChoiceMember {
  int (*get)(const ConversionSettings&);
  void (*set)(ConversionSettings&, int);
};

// Access to the fields of ConversionSettings by their names, for front ends that name them
// (the command line's --set, the window's controls).
struct SettingsField {
  enum class Kind { Radio, DropDown, Flag, Text, Integer };

  std::string_view name;
  Kind kind;
  int count;  // number of items of a choice; -1 when the list is not fixed (the preset box)
  std::variant<std::int32_t ConversionSettings::*, bool ConversionSettings::*,
               std::string ConversionSettings::*, ChoiceMember>
      member;

  // A choice's item index, and setting it as it stands (the caller keeps it within the list).
  int itemIndex(const ConversionSettings& settings) const;
  void setItemIndex(ConversionSettings& settings, int index) const;
};

// Every field, in the order of the window's tabs.
std::span<const SettingsField> settingsFields();

// The field of that exact name, or nullptr.
const SettingsField* findSettingsField(std::string_view name);

// Sets a field from a text: choices and integers in decimal (a radio group clamps, a drop-down
// outside its list selects nothing), flags as "0" or "1", texts verbatim (a VirtualDub
// configuration file also goes into the field that shows it, as its button does). A malformed
// value raises Error with "'<text>' is not a valid integer value" or, for a flag,
// "'<text>' is not a valid flag value".
void setSettingsField(ConversionSettings& settings, const SettingsField& field,
                      const std::string& value);

// The field's value as the text setSettingsField() takes.
std::string settingsFieldText(const ConversionSettings& settings, const SettingsField& field);

}  // namespace twinlens
