#pragma once

#include <span>
#include <string_view>

namespace twinlens::window {

// What a control is.
enum class ControlKind {
  Tab,          // a page of the tab control
  Group,        // a captioned frame around other controls
  ChoiceGroup,  // a captioned group of radio buttons, one per option
  CheckBox,
  Edit,              // a single-line text field
  DropDown,          // a fixed list to choose from
  EditableDropDown,  // a list whose text can also be typed
  Label,             // a caption beside another control, or a text the program fills
  Button,
  Panel,  // the area below the tabs
};

// Where a control's hint shows. A hint "first|second" shows its first part as the tooltip and its
// second in the status bar.
enum class HintPlace { TooltipAndStatusBar, StatusBarOnly };

// One control of the main window, the same in every window that shows it.
struct Control {
  std::string_view name;  // the control's identity; a control that shows a setting has its name
  ControlKind kind;
  std::string_view parent;   // the tab, group or panel it sits in; "" for tabs and the panel
  std::string_view caption;  // caption, title or label text
  std::span<const std::string_view> options = {};  // a choice group's or drop-down's items
  int columns = 1;                                 // a choice group's columns
  std::string_view initial = {};  // the text a field starts with, or a choice's item index
  std::string_view hint = {};
  HintPlace place = HintPlace::TooltipAndStatusBar;
  std::string_view labelFor = {};  // for a caption label: the control it names
  int width = 0;                   // a field's width in pixels at 96 dpi; 0 fills the space
};

// Every control, tab by tab in the order of the tabs, each parent before what it holds, and the
// controls of a parent in their order on screen (top to bottom, left to right).
std::span<const Control> controls();

// The control of that name, or nullptr.
const Control* findControl(std::string_view name);

// The parts of a control's hint: the tooltip (empty when the hint shows in the status bar only)
// and the status-bar text.
std::string_view tooltipOf(const Control& control);
std::string_view statusHintOf(const Control& control);

}  // namespace twinlens::window
