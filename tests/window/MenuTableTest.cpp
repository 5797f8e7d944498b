#include "window/MenuTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace twinlens::window {
namespace {

TEST(MenuTable, FileEditViewHelpWithTheirCommandsShortcutsAndHints) {
  std::vector<std::string_view> bar;
  for (const Menu& menu : menus()) bar.push_back(menu.caption);
  EXPECT_EQ(bar, (std::vector<std::string_view>{"&File", "&Edit", "&View", "&Help"}));

  std::set<std::string_view> names;
  std::vector<std::string_view> shortcuts;
  for (const MenuItem& item : menuItems()) {
    const bool known = std::any_of(menus().begin(), menus().end(),
                                   [&](const Menu& menu) { return menu.name == item.menu; });
    EXPECT_TRUE(known) << item.name;
    if (item.name.empty()) continue;  // a separator
    EXPECT_TRUE(names.insert(item.name).second) << item.name;
    EXPECT_EQ(findMenuItem(item.name), &item);
    if (!item.shortcut.empty()) shortcuts.push_back(item.shortcut);
  }
  EXPECT_EQ(shortcuts,
            (std::vector<std::string_view>{"Ctrl+S", "Ctrl+X", "Ctrl+C", "Ctrl+V", "Ctrl+P"}));
  EXPECT_EQ(findMenuItem("M1")->caption, "Convert files");
  EXPECT_EQ(findMenuItem("FileExit1")->hint, "Exit|Exit application");
  EXPECT_EQ(findMenuItem(""), nullptr);
}

}  // namespace
}  // namespace twinlens::window
