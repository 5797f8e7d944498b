#pragma once

#include <span>
#include <string_view>

namespace twinlens::window {

class MainScreenModel;

// What a button of the main window does, by the button's name, beside the menus' MenuTable: both
// windows forward a press to MainScreenModel::buttonPressed, which looks it up here.
struct ButtonAction {
  std::string_view name;
  void (*pressed)(MainScreenModel& model);
};

// Every button of the main window that acts (the tabs' and the one below them).
std::span<const ButtonAction> buttonActions();

// The action of the button of that name, or nullptr.
const ButtonAction* findButtonAction(std::string_view name);

}  // namespace twinlens::window
