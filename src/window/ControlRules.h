#pragma once

#include <span>
#include <string_view>

#include "model/ConversionSettings.h"

namespace twinlens::window {

class MainScreenModel;

// The enable and visibility rules of the main window, the same for every window that shows it:
// each lets one setting decide whether some controls can be used (or are shown at all).
struct ControlRule {
  enum class Effect { Enable, Show };

  std::string_view handler;  // the event handler that applies it when its source changes
  std::string_view source;   // the control whose value decides
  Effect effect;
  std::span<const std::string_view> targets;  // the controls it acts on, by name
  bool (*on)(const ConversionSettings& settings);
  void (MainScreenModel::*apply)();  // the handler itself
};

// The rules, in the order a window applies them after loading; a handler may apply several.
std::span<const ControlRule> controlRules();

// The first rule that the handler of that name applies, or nullptr.
const ControlRule* findControlRule(std::string_view handler);

}  // namespace twinlens::window
