#pragma once

#include <span>
#include <string_view>

namespace twinlens::window {

// A menu of the main window's menu bar.
struct Menu {
  std::string_view name;     // its identity (the objectName in the Qt window)
  std::string_view caption;  // with "&" before its access key
  std::string_view hint;     // shown in the status bar while it is open
};

// A command of a menu; an item without a name is a separator.
struct MenuItem {
  std::string_view name;
  std::string_view menu;      // the menu that holds it
  std::string_view caption;   // with "&" before its access key
  std::string_view shortcut;  // "Ctrl+S", or empty
  std::string_view hint;      // "tooltip|status-bar text", or one text for both; may be empty
};

// The menus in the order of the menu bar, and their items in menu order.
std::span<const Menu> menus();
std::span<const MenuItem> menuItems();

// The item of that name, or nullptr.
const MenuItem* findMenuItem(std::string_view name);

}  // namespace twinlens::window
