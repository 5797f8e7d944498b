#include "window/MenuTable.h"

#include <algorithm>
#include <array>

namespace twinlens::window {

namespace {

constexpr std::array kMenus = {
    Menu{"File1", "&File", "File related commands"},
    Menu{"Edit1", "&Edit", "Edit commands"},
    Menu{"View1", "&View", "View commands"},
    Menu{"Help1", "&Help", "Help topics"},
};

constexpr std::array kItems = {
    MenuItem{"M1", "File1", "Convert files", "Ctrl+S", ""},
    MenuItem{"RunReport1", "File1", "Last run report", "",
             "Last run report|Shows every file the last conversion wrote and every program it "
             "started"},
    MenuItem{"LoadLayout1", "File1", "Load Layout", "", ""},
    MenuItem{"SaveLayout1", "File1", "Save Layout", "", ""},
    MenuItem{"", "File1", "", "", ""},
    MenuItem{"FileExit1", "File1", "E&xit", "", "Exit|Exit application"},
    MenuItem{"EditCut1", "Edit1", "Cu&t", "Ctrl+X",
             "Cut|Cuts the selection and puts it on the Clipboard"},
    MenuItem{"EditCopy1", "Edit1", "&Copy", "Ctrl+C",
             "Copy|Copies the selection and puts it on the Clipboard"},
    MenuItem{"EditPaste1", "Edit1", "&Paste", "Ctrl+V", "Paste|Inserts Clipboard contents"},
    MenuItem{"Preview1", "View1", "&Preview", "Ctrl+P",
             "Preview|Shows a frame of the clip through the conversion of these settings"},
    MenuItem{"HelpAbout1", "Help1", "&About...", "",
             "About|Displays program information, version number, and copyright"},
};

}  // namespace

std::span<const Menu> menus() {
  return kMenus;
}

std::span<const MenuItem> menuItems() {
  return kItems;
}

const MenuItem* findMenuItem(std::string_view name) {
  const auto it = std::find_if(kItems.begin(), kItems.end(),
                               [name](const MenuItem& item) { return item.name == name; });
  return it == kItems.end() || name.empty() ? nullptr : &*it;
}

}  // namespace twinlens::window
