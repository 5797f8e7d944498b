#include "window/ButtonTable.h"

#include <algorithm>
#include <array>

#include "window/MainScreenModel.h"

namespace twinlens::window {

namespace {

using M = MainScreenModel;

const std::array kButtons = {
    ButtonAction{"Button1", [](M& m) { m.Button1Click(); }},
    ButtonAction{"Button2", [](M& m) { m.Button2Click(); }},
    ButtonAction{"Button3", [](M& m) { m.Button3Click(); }},
    ButtonAction{"Button4", [](M& m) { m.Button4Click(); }},
    ButtonAction{"Button5", [](M& m) { m.Button5Click(); }},
    ButtonAction{"Button_Detect_Offset", [](M& m) { m.Button_Detect_OffsetClick(); }},
    ButtonAction{"Button_Measure_Alignment", [](M& m) { m.Button_Measure_AlignmentClick(); }},
    ButtonAction{"Button_VDub_Plugin", [](M& m) { m.Button_VDub_PluginClick(); }},
    ButtonAction{"Button_Deshaker_Settings", [](M& m) { m.Button_Deshaker_SettingsClick(); }},
    ButtonAction{"Button_new_preset", [](M& m) { m.Button_new_presetClick(); }},
    ButtonAction{"Button_Delete_Preset", [](M& m) { m.Button_Delete_PresetClick(); }},
    ButtonAction{"Button_Preview", [](M& m) { m.preview().Preview1Click(); }},
};

}  // namespace

std::span<const ButtonAction> buttonActions() {
  return kButtons;
}

const ButtonAction* findButtonAction(std::string_view name) {
  const auto it = std::find_if(kButtons.begin(), kButtons.end(),
                               [&](const ButtonAction& button) { return button.name == name; });
  return it == kButtons.end() ? nullptr : &*it;
}

}  // namespace twinlens::window
