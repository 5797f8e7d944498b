#include "win32/Win32MainScreen.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <variant>

#include "model/ConversionSettings.h"
#include "model/SettingsFields.h"
#include "win32/Win32AboutBox.h"
#include "win32/Win32RunReport.h"
#include "win32/WindowClass.h"
#include "window/ControlRules.h"
#include "window/MenuTable.h"

namespace twinlens::win32 {

namespace {

using window::Control;
using window::ControlKind;

constexpr const char* kWindowClass = "TwinlensMainScreen";
constexpr const char* kPageClass = "TwinlensPage";
constexpr UINT kActivate = WM_APP + 1;  // the first activation, once it is over
constexpr UINT_PTR kTicker = 1;         // the turns of the preview and the encodes
constexpr int kStopButton = 999;        // "Stop" beside the status bar while a run scans
constexpr int kFirstControlId = 1000;
constexpr int kFirstOptionId = 20000;
constexpr int kOptionsPerGroup = 32;

// Sizes at 96 dots per inch.
constexpr int kMargin = 8;
constexpr int kGap = 6;
constexpr int kFieldHeight = 23;
constexpr int kBoxHeight = 20;
constexpr int kGroupTop = 20;
constexpr int kGroupSide = 10;

// The menu commands of the window model's items.
struct MenuCommand {
  std::string_view item;
  int command;
};

constexpr MenuCommand kMenuCommands[] = {
    {"M1", Win32MainScreen::kConvert},
    {"RunReport1", Win32MainScreen::kRunReport},
    {"LoadLayout1", Win32MainScreen::kLoadLayout},
    {"SaveLayout1", Win32MainScreen::kSaveLayout},
    {"FileExit1", Win32MainScreen::kExit},
    {"EditCut1", Win32MainScreen::kCut},
    {"EditCopy1", Win32MainScreen::kCopy},
    {"EditPaste1", Win32MainScreen::kPaste},
    {"HelpAbout1", Win32MainScreen::kAbout},
    {"Preview1", Win32MainScreen::kPreview},
};

int commandOf(std::string_view item) {
  for (const MenuCommand& entry : kMenuCommands) {
    if (entry.item == item) return entry.command;
  }
  return 0;
}

// The status-bar part of an item's hint.
std::string_view statusPartOf(std::string_view hint) {
  const std::size_t bar = hint.find('|');
  return bar == std::string_view::npos ? hint : hint.substr(bar + 1);
}

// The window's dots per inch, where the system tells them per window (Windows 10 and Wine), else
// the screen's.
UINT dpiOf(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(window)) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// Whether `next` stands on the row that `first` began, after `last`: the control a caption names,
// the field or text beside a file button, the button that acts on a captioned field, and a second
// short captioned field.
bool joinsRow(const Control& first, const Control& last, const Control& next, int pairs) {
  const bool captionless = next.kind == ControlKind::Label && next.labelFor.empty();
  const bool field = last.kind == ControlKind::Edit || last.kind == ControlKind::DropDown ||
                     last.kind == ControlKind::EditableDropDown;
  if (last.kind == ControlKind::Label && !last.labelFor.empty()) return next.name == last.labelFor;
  if (last.kind == ControlKind::Button) return next.kind == ControlKind::Edit || captionless;
  if (field && first.kind == ControlKind::Label && next.kind == ControlKind::Button) return true;
  const bool shortField = last.kind == ControlKind::Edit && last.width > 0 && last.width <= 100;
  return shortField && next.kind == ControlKind::Label && !next.labelFor.empty() && pairs < 2;
}

int settingsIndex(int index, int count) {
  return std::clamp(index, -1, count - 1);
}

}  // namespace

Win32MainScreen::Win32MainScreen(HINSTANCE instance, window::Prompter& prompter,
                                 std::string settingsPath, std::string presetsPath,
                                 const std::string& programFolder, window::Launcher launcher)
    : instance_(instance),
      model_(prompter, *this, std::move(settingsPath), std::move(presetsPath), programFolder,
             std::move(launcher)),
      folderOpener_([](const std::string& folder) {
        ShellExecuteA(nullptr, "open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      }) {
  INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX),
                              ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);
  registerWindowClass(instance_, kWindowClass, &Win32MainScreen::windowProc, /*withIcon=*/true);
  registerWindowClass(instance_, kPageClass, &Win32MainScreen::pageProc);

  window_ = CreateWindowExA(0, kWindowClass, "Twinlens V1.00", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance_, this);
  useDpi(dpiOf(window_));
  buildMenu();
  buildControls();
  showSettings();
  // The preview renders and the encodes run away from the window; each turn takes in what they
  // have done.
  // Often enough for a playing preview to show each frame in its time.
  SetTimer(window_, kTicker, 10, nullptr);
}

Win32MainScreen::~Win32MainScreen() {
  if (window_ != nullptr) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
  if (font_ != nullptr) DeleteObject(font_);
}

// ---- building ----

void Win32MainScreen::useDpi(UINT dpi) {
  dpi_ = dpi;
  // The message font is given at the screen's dots per inch; the window's may differ.
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  HDC screen = GetDC(nullptr);
  const int screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  metrics.lfMessageFont.lfHeight =
      MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), screenDpi > 0 ? screenDpi : 96);
  if (font_ != nullptr) DeleteObject(font_);
  font_ = CreateFontIndirectA(&metrics.lfMessageFont);
}

void Win32MainScreen::rebuild(UINT dpi) {
  const int page = static_cast<int>(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0));
  for (HWND child : pages_) DestroyWindow(child);
  for (HWND child : {panel_, tabs_, content_, status_, tooltips_}) DestroyWindow(child);
  pages_.clear();
  placed_.clear();
  byName_.clear();
  useDpi(dpi);
  buildControls();
  showSettings();
  if (model_.hasPresets()) showPresetList(model_.presetList());
  showPage(page);
}

void Win32MainScreen::buildMenu() {
  HMENU bar = CreateMenu();
  std::vector<ACCEL> keys;
  for (const window::Menu& menu : window::menus()) {
    HMENU popup = CreatePopupMenu();
    for (const window::MenuItem& item : window::menuItems()) {
      if (item.menu != menu.name) continue;
      if (item.name.empty()) {
        AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const int command = commandOf(item.name);
      std::string caption(item.caption);
      if (!item.shortcut.empty()) {
        caption.append("\t").append(item.shortcut);
        // "Ctrl+<letter>": the accelerator of the same command.
        const char key = item.shortcut.back();
        keys.push_back({FVIRTKEY | FCONTROL, static_cast<WORD>(key), static_cast<WORD>(command)});
      }
      // The run report waits for a run.
      const UINT state = item.name == "RunReport1" ? MF_GRAYED : 0;
      AppendMenuA(popup, MF_STRING | state, static_cast<UINT_PTR>(command), caption.c_str());
    }
    const std::string caption(menu.caption);
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), caption.c_str());
  }
  SetMenu(window_, bar);
  accelerators_ = CreateAcceleratorTableA(keys.data(), static_cast<int>(keys.size()));
}

SIZE Win32MainScreen::textSize(std::string_view text) const {
  SIZE size{0, 0};
  HDC dc = GetDC(window_);
  HGDIOBJ old = SelectObject(dc, font_);
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  return size;
}

HWND Win32MainScreen::create(const Control& spec, HWND page, const char* className, DWORD style,
                             int x, int y, int width, int height) {
  const auto id = static_cast<int>(kFirstControlId + placed_.size());
  const std::string caption(spec.caption);
  HWND handle =
      CreateWindowExA(spec.kind == ControlKind::Edit ? WS_EX_CLIENTEDGE : 0, className,
                      caption.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width, height, page,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  byName_.emplace(std::string(spec.name), placed_.size());
  placed_.push_back({&spec, handle, {}});
  const std::string_view tip = window::tooltipOf(spec);
  if (!tip.empty()) {
    // The tooltip control keeps a copy of the text; the table's text is not ended by a zero byte
    // where a "|" splits it.
    std::string text(tip);
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(handle);
    tool.lpszText = text.data();
    SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  return handle;
}

SIZE Win32MainScreen::layOut(std::string_view parent, HWND page, int x, int y) {
  std::vector<const Control*> children;
  for (const Control& control : window::controls()) {
    if (control.parent == parent) children.push_back(&control);
  }
  // The captions that begin rows line up their fields, and so do the file buttons.
  int labelColumn = 0;
  int buttonColumn = 0;
  for (std::size_t i = 0; i < children.size(); ++i) {
    const Control& c = *children[i];
    const bool afterShortField = i > 0 && children[i - 1]->kind == ControlKind::Edit &&
                                 children[i - 1]->width > 0 && children[i - 1]->width <= 100;
    if (c.kind == ControlKind::Label && !c.labelFor.empty() && !afterShortField) {
      labelColumn = std::max<int>(labelColumn, textSize(c.caption).cx + scale(4));
    }
    if (c.kind == ControlKind::Button && i + 1 < children.size() &&
        children[i + 1]->kind == ControlKind::Edit) {
      buttonColumn = std::max<int>(buttonColumn, textSize(c.caption).cx + scale(24));
    }
  }
  int width = 0;
  int top = y;
  for (std::size_t i = 0; i < children.size(); ++i) {
    const Control& c = *children[i];
    int rowHeight = scale(kFieldHeight);
    int right = x;
    switch (c.kind) {
      case ControlKind::Group: {
        const SIZE inner = layOut(c.name, page, x + scale(kGroupSide), y + scale(kGroupTop));
        const int groupWidth =
            std::max<int>(inner.cx, textSize(c.caption).cx + scale(16)) + 2 * scale(kGroupSide);
        rowHeight = inner.cy + scale(kGroupTop) + scale(kGap);
        HWND group = create(c, page, "BUTTON", BS_GROUPBOX, x, y, groupWidth, rowHeight);
        // The frame lies beneath what it holds.
        SetWindowPos(group, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        right = x + groupWidth;
        break;
      }
      case ControlKind::ChoiceGroup: {
        const int count = static_cast<int>(c.options.size());
        const int columns = std::max(1, c.columns);
        const int perColumn = (count + columns - 1) / columns;
        int columnWidth = 0;
        for (const std::string_view option : c.options) {
          columnWidth = std::max<int>(columnWidth, textSize(option).cx + scale(28));
        }
        const int groupWidth =
            std::max<int>(columns * columnWidth, textSize(c.caption).cx + scale(16)) +
            2 * scale(kGroupSide);
        rowHeight = perColumn * scale(kBoxHeight) + scale(kGroupTop) + scale(kGap);
        HWND group = create(c, page, "BUTTON", BS_GROUPBOX, x, y, groupWidth, rowHeight);
        Placed& placed = placed_.back();
        for (int option = 0; option < count; ++option) {
          const std::string caption(c.options[static_cast<std::size_t>(option)]);
          const int id =
              kFirstOptionId + static_cast<int>(placed_.size() - 1) * kOptionsPerGroup + option;
          HWND radio = CreateWindowExA(
              0, "BUTTON", caption.c_str(),
              WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON |
                  (option == 0 ? WS_GROUP | WS_TABSTOP : 0),
              x + scale(kGroupSide) + (option / perColumn) * columnWidth,
              y + scale(kGroupTop) - scale(2) + (option % perColumn) * scale(kBoxHeight),
              columnWidth - scale(4), scale(kBoxHeight), page,
              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
          SendMessageA(radio, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
          placed.options.push_back(radio);
        }
        SetWindowPos(group, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        right = x + groupWidth;
        break;
      }
      case ControlKind::CheckBox: {
        const int boxWidth = textSize(c.caption).cx + scale(28);
        create(c, page, "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, x, y, boxWidth,
               scale(kBoxHeight));
        rowHeight = scale(kBoxHeight);
        right = x + boxWidth;
        // The hand-off boxes stand side by side, the ffmpeg ones on the first row.
        while (parent == "Panel_HandOff" && i + 1 < children.size() &&
               children[i + 1]->kind == ControlKind::CheckBox &&
               children[i]->name != "CheckBox_Execute_ffmpeg") {
          const Control& next = *children[++i];
          const int nextWidth = textSize(next.caption).cx + scale(28);
          create(next, page, "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, right + scale(kGap),
                 y, nextWidth, scale(kBoxHeight));
          right += scale(kGap) + nextWidth;
        }
        break;
      }
      default: {
        // A row: a caption and the control it names, and a button or text that goes with them.
        auto place = [&](const Control& item, bool first) {
          switch (item.kind) {
            case ControlKind::Label: {
              const bool caption = !item.labelFor.empty();
              int labelWidth = caption ? textSize(item.caption).cx + scale(4) : scale(360);
              if (caption && first) labelWidth = std::max(labelWidth, labelColumn);
              create(item, page, "STATIC", caption ? SS_LEFT : SS_LEFT | SS_NOPREFIX, right,
                     y + scale(4), labelWidth, scale(16));
              right += labelWidth + scale(kGap);
              break;
            }
            case ControlKind::Edit: {
              const int fieldWidth = scale(item.width > 0 ? item.width : 360);
              create(item, page, "EDIT", ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, right, y,
                     fieldWidth, scale(kFieldHeight));
              right += fieldWidth + scale(kGap);
              break;
            }
            case ControlKind::DropDown:
            case ControlKind::EditableDropDown: {
              int listWidth = scale(std::max(item.width, 120));
              for (const std::string_view option : item.options) {
                listWidth = std::max<int>(listWidth, textSize(option).cx + scale(40));
              }
              HWND box =
                  create(item, page, "COMBOBOX",
                         (item.kind == ControlKind::DropDown ? CBS_DROPDOWNLIST
                                                             : CBS_DROPDOWN | CBS_AUTOHSCROLL) |
                             WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                         right, y, listWidth, scale(200));
              for (const std::string_view option : item.options) {
                const std::string text(option);
                SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
              }
              // A list that takes typed text starts with its text.
              if (item.kind == ControlKind::EditableDropDown) {
                SetWindowTextA(box, std::string(item.initial).c_str());
              }
              right += listWidth + scale(kGap);
              break;
            }
            case ControlKind::Button: {
              int buttonWidth = textSize(item.caption).cx + scale(24);
              if (first) buttonWidth = std::max(buttonWidth, buttonColumn);
              create(item, page, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, right, y,
                     buttonWidth, scale(kFieldHeight));
              right += buttonWidth + scale(kGap);
              break;
            }
            default:
              break;
          }
        };
        place(c, true);
        int pairs = c.kind == ControlKind::Label ? 1 : 0;
        for (const Control* last = &c; i + 1 < children.size(); ++i) {
          const Control& next = *children[i + 1];
          if (!joinsRow(c, *last, next, pairs)) break;
          if (next.kind == ControlKind::Label && !next.labelFor.empty()) ++pairs;
          place(next, false);
          last = &next;
        }
        right -= scale(kGap);
        break;
      }
    }
    width = std::max(width, right - x);
    y += rowHeight + scale(kGap);
  }
  return {width, std::max(0, y - top - scale(kGap))};
}

void Win32MainScreen::buildControls() {
  tooltips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                              nullptr, instance_, nullptr);
  SendMessageA(tooltips_, TTM_SETMAXTIPWIDTH, 0, 420);

  // Everything but the status bar lies on one surface, which scrolls when the window is smaller.
  content_ = CreateWindowExA(WS_EX_CONTROLPARENT, kPageClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 10,
                             10, window_, nullptr, instance_, this);
  tabs_ = CreateWindowExA(0, WC_TABCONTROLA, "",
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, scale(kMargin),
                          scale(kMargin), 100, 100, content_, nullptr, instance_, nullptr);
  SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  SetWindowTextA(tabs_, "PageControl1");

  // Each tab's page holds its controls; the largest page sizes them all.
  SIZE largest{0, 0};
  for (const Control& control : window::controls()) {
    if (control.kind != ControlKind::Tab) continue;
    const std::string caption(control.caption);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(tabs_, TCM_INSERTITEMA, pages_.size(), reinterpret_cast<LPARAM>(&item));
    HWND page = CreateWindowExA(WS_EX_CONTROLPARENT, kPageClass, "", WS_CHILD, 0, 0, 10, 10,
                                content_, nullptr, instance_, this);
    byName_.emplace(std::string(control.name), placed_.size());
    placed_.push_back({&control, page, {}});
    const SIZE size = layOut(control.name, page, scale(kMargin), scale(kMargin));
    largest.cx = std::max(largest.cx, size.cx + 2 * scale(kMargin));
    largest.cy = std::max(largest.cy, size.cy + 2 * scale(kMargin));
    pages_.push_back(page);
  }
  RECT area{0, 0, largest.cx, largest.cy};
  SendMessageA(tabs_, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&area));
  const int tabsWidth = area.right - area.left;
  const int tabsHeight = area.bottom - area.top;
  MoveWindow(tabs_, scale(kMargin), scale(kMargin), tabsWidth, tabsHeight, FALSE);
  RECT display{0, 0, tabsWidth, tabsHeight};
  SendMessageA(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  for (HWND page : pages_) {
    MoveWindow(page, scale(kMargin) + display.left, scale(kMargin) + display.top,
               display.right - display.left, display.bottom - display.top, FALSE);
  }

  // The hand-off boxes below the tabs.
  const Control& panelSpec = *window::findControl("Panel_HandOff");
  panel_ = CreateWindowExA(WS_EX_CONTROLPARENT, kPageClass, "", WS_CHILD | WS_VISIBLE,
                           scale(kMargin), scale(kMargin) + tabsHeight + scale(kGap), tabsWidth, 10,
                           content_, nullptr, instance_, this);
  byName_.emplace(std::string(panelSpec.name), placed_.size());
  placed_.push_back({&panelSpec, panel_, {}});
  const SIZE panelSize = layOut("Panel_HandOff", panel_, 0, 0);
  MoveWindow(panel_, scale(kMargin), scale(kMargin) + tabsHeight + scale(kGap), tabsWidth,
             panelSize.cy, FALSE);

  status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                            0, 0, window_, nullptr, instance_, nullptr);
  SendMessageA(status_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  RECT statusRect{};
  GetWindowRect(status_, &statusRect);

  content_size_ = {tabsWidth + 2 * scale(kMargin),
                   scale(kMargin) + tabsHeight + scale(kGap) + panelSize.cy + scale(kMargin)};
  MoveWindow(content_, 0, 0, content_size_.cx, content_size_.cy, FALSE);
  // The window opens as large as its content; made smaller, it scrolls.
  RECT frame{0, 0, content_size_.cx, content_size_.cy + (statusRect.bottom - statusRect.top)};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER);

  // The fields whose values are taken over at a key release.
  for (const char* name : {"Edit_Prefix", "Edit_FR_Num", "Edit_FR_Den"}) {
    SetWindowSubclass(control(name), &Win32MainScreen::keyUpProc, 1,
                      reinterpret_cast<DWORD_PTR>(this));
  }
  showPage(0);
}

// ---- scrolling ----

void Win32MainScreen::updateScrolling() {
  if (content_ == nullptr || status_ == nullptr) return;
  RECT client{};
  GetClientRect(window_, &client);
  RECT statusRect{};
  GetWindowRect(status_, &statusRect);
  const int visible[2] = {client.right, client.bottom - (statusRect.bottom - statusRect.top)};
  const int whole[2] = {content_size_.cx, content_size_.cy};
  for (int bar : {SB_HORZ, SB_VERT}) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = 0;
    info.nMax = whole[bar] - 1;
    info.nPage = static_cast<UINT>(std::max(0, visible[bar]));
    SetScrollInfo(window_, bar, &info, TRUE);
  }
  placeContent();
}

void Win32MainScreen::scroll(int bar, int request) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(window_, bar, &info);
  const int line = scale(kFieldHeight);
  int position = info.nPos;
  switch (request) {
    case SB_LINEUP:
      position -= line;
      break;
    case SB_LINEDOWN:
      position += line;
      break;
    case SB_PAGEUP:
      position -= static_cast<int>(info.nPage);
      break;
    case SB_PAGEDOWN:
      position += static_cast<int>(info.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      position = info.nTrackPos;
      break;
    case SB_TOP:
      position = info.nMin;
      break;
    case SB_BOTTOM:
      position = info.nMax;
      break;
    default:
      return;
  }
  info.fMask = SIF_POS;
  info.nPos = position;
  SetScrollInfo(window_, bar, &info, TRUE);
  placeContent();
}

void Win32MainScreen::placeContent() {
  // The scroll bars clamp their positions; the content follows them.
  const int x = GetScrollPos(window_, SB_HORZ);
  const int y = GetScrollPos(window_, SB_VERT);
  SetWindowPos(content_, nullptr, -x, -y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT Win32MainScreen::scrollPosition() const {
  return {GetScrollPos(window_, SB_HORZ), GetScrollPos(window_, SB_VERT)};
}

// ---- finding ----

HWND Win32MainScreen::control(std::string_view name) const {
  const auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : placed_[it->second].handle;
}

HWND Win32MainScreen::option(std::string_view name, int index) const {
  const auto it = byName_.find(name);
  if (it == byName_.end()) return nullptr;
  const auto& options = placed_[it->second].options;
  return index >= 0 && static_cast<std::size_t>(index) < options.size()
             ? options[static_cast<std::size_t>(index)]
             : nullptr;
}

std::string Win32MainScreen::text(HWND control) const {
  std::string value(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  value.resize(static_cast<std::size_t>(
      GetWindowTextA(control, value.data(), static_cast<int>(value.size()))));
  return value;
}

void Win32MainScreen::setText(HWND control, const std::string& value) {
  // Setting the same text again would move the caret of a field being edited.
  if (text(control) != value) SetWindowTextA(control, value.c_str());
}

std::string Win32MainScreen::statusText() const {
  char buffer[1024] = {};
  SendMessageA(status_, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

std::string Win32MainScreen::tooltipText(HWND control) const {
  char buffer[1024] = {};
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = buffer;
  SendMessageA(tooltips_, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&tool));
  return buffer;
}

void Win32MainScreen::hover(HWND under) {
  for (HWND widget = under; widget != nullptr && widget != window_; widget = GetParent(widget)) {
    for (const Placed& placed : placed_) {
      const bool isOption =
          std::find(placed.options.begin(), placed.options.end(), widget) != placed.options.end();
      if (placed.handle == widget || isOption) {
        showStatus(std::string(window::statusHintOf(*placed.spec)));
        return;
      }
    }
  }
  showStatus({});
}

void Win32MainScreen::showPage(int index) {
  SendMessageA(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    ShowWindow(pages_[i], static_cast<int>(i) == index ? SW_SHOW : SW_HIDE);
  }
}

// ---- what the behaviour asks of the window ----

void Win32MainScreen::showSettings() {
  ConversionSettings& settings = model_.settings();
  updating_ = true;
  for (const SettingsField& field : settingsFields()) {
    const auto it = byName_.find(field.name);
    if (it == byName_.end() || field.name == "ComboBox_FF_codec") continue;
    const Placed& placed = placed_[it->second];
    switch (placed.spec->kind) {
      case ControlKind::CheckBox:
        SendMessageA(placed.handle, BM_SETCHECK,
                     settings.*std::get<bool ConversionSettings::*>(field.member) ? BST_CHECKED
                                                                                  : BST_UNCHECKED,
                     0);
        break;
      case ControlKind::ChoiceGroup: {
        // A choice outside its list is shown as the control takes it, and the record follows.
        const int index =
            settingsIndex(field.itemIndex(settings), static_cast<int>(placed.options.size()));
        field.setItemIndex(settings, index);
        for (std::size_t i = 0; i < placed.options.size(); ++i) {
          SendMessageA(placed.options[i], BM_SETCHECK,
                       static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        break;
      }
      case ControlKind::DropDown: {
        const int index = ConversionSettings::dropDownIndex(
            field.itemIndex(settings), static_cast<int>(placed.spec->options.size()));
        field.setItemIndex(settings, index);
        SendMessageA(placed.handle, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        break;
      }
      case ControlKind::Edit:
        setText(placed.handle, settings.*std::get<std::string ConversionSettings::*>(field.member));
        break;
      default:
        break;
    }
  }
  setText(control("Label_ffmpeg"), settings.FfmpegLocation);
  setText(control("Label_VDub_Plugin"), settings.DeshakerDir);
  updating_ = false;
  if (model_.hasPresets()) selectPreset(settings.ComboBox_FF_codec);
  applyRules();
}

void Win32MainScreen::showPresetFields() {
  updating_ = true;
  const ConversionSettings& settings = model_.settings();
  setText(control("Edit_coding_presets"), settings.Edit_coding_presets);
  setText(control("Edit_Video_Extension"), settings.Edit_Video_Extension);
  setText(control("Edit_preset_name"), settings.Edit_preset_name);
  updating_ = false;
}

void Win32MainScreen::showPresetList(const std::vector<std::string>& names) {
  HWND box = control("ComboBox_FF_codec");
  updating_ = true;
  const std::string typed = text(box);
  SendMessageA(box, CB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) {
    SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SetWindowTextA(box, typed.c_str());
  updating_ = false;
  selectPreset(-1);
}

void Win32MainScreen::selectPreset(int index) {
  HWND box = control("ComboBox_FF_codec");
  updating_ = true;
  index = ConversionSettings::dropDownIndex(index,
                                            static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0)));
  if (index >= 0) {
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  } else {
    // Selecting no entry keeps the box's text.
    const std::string typed = text(box);
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextA(box, typed.c_str());
  }
  model_.settings().ComboBox_FF_codec = index;
  updating_ = false;
}

int Win32MainScreen::selectedPreset() const {
  return static_cast<int>(SendMessageA(control("ComboBox_FF_codec"), CB_GETCURSEL, 0, 0));
}

std::string Win32MainScreen::fieldText(std::string_view field) const {
  HWND edit = control(field);
  return edit != nullptr ? text(edit) : std::string();
}

void Win32MainScreen::setFieldText(std::string_view field, const std::string& value) {
  if (HWND edit = control(field)) setText(edit, value);
}

void Win32MainScreen::showStatus(const std::string& value) {
  SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(value.c_str()));
}

void Win32MainScreen::showProgress(const std::string& text) {
  showStatus(text);
  UpdateWindow(status_);
}

bool Win32MainScreen::stopRequested() {
  if (stopButton_ == nullptr) {
    stopAsked_ = false;
    // The window is held: its controls and menus take no input, "Stop" lies over the status
    // bar's right end.
    enableInput(false);
    RECT bar{};
    GetWindowRect(status_, &bar);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&bar), 2);
    const int width = scale(80);
    stopButton_ = CreateWindowExA(
        0, "BUTTON", "Stop", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, bar.right - width - scale(20),
        bar.top + 1, width, bar.bottom - bar.top - 2, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStopButton)), instance_, nullptr);
    SendMessageA(stopButton_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    SetWindowPos(stopButton_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetFocus(stopButton_);
  }
  // The window's messages, as its own loop would take them; Escape stops too.
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      stopAsked_ = true;
      break;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) stopAsked_ = true;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return stopAsked_;
}

void Win32MainScreen::endProgress() {
  if (stopButton_ == nullptr) return;
  DestroyWindow(stopButton_);
  stopButton_ = nullptr;
  enableInput(true);
}

void Win32MainScreen::enableInput(bool enabled) {
  EnableWindow(content_, enabled ? TRUE : FALSE);
  HMENU menu = GetMenu(window_);
  for (int item = 0; item < GetMenuItemCount(menu); ++item) {
    EnableMenuItem(menu, static_cast<UINT>(item),
                   MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
  }
  DrawMenuBar(window_);
}

void Win32MainScreen::showPreviewWindow() {
  if (!preview_) {
    preview_ = std::make_unique<Win32PreviewWindow>(instance_, window_, font_,
                                                    static_cast<int>(dpi_), model_.preview());
  }
  preview_->show();
}

void Win32MainScreen::showEncodeWindow() {
  if (!encodes_) {
    encodes_ = std::make_unique<Win32EncodeWindow>(instance_, window_, font_,
                                                   static_cast<int>(dpi_), model_.encodes());
  }
  encodes_->show();
}

void Win32MainScreen::showEncodeState(const window::EncodeState& state) {
  if (encodes_) encodes_->showState(state);
}

void Win32MainScreen::openFolder(const std::string& folder) {
  if (folderOpener_) folderOpener_(folder);
}

void Win32MainScreen::showPreviewPicture(const std::string& bmp) {
  if (preview_) preview_->showPicture(bmp);
}

window::SoundOutput* Win32MainScreen::previewSound() {
  return preview_ ? preview_->sound() : nullptr;
}

bool Win32MainScreen::takePreviewKey(const MSG& message) {
  return preview_ && preview_->takeKey(message);
}

void Win32MainScreen::showPreviewState(const window::PreviewState& state) {
  if (preview_) preview_->showState(state);
}

void Win32MainScreen::showBusy(bool busy) {
  // The status line paints before the measurement holds the message loop.
  if (busy) UpdateWindow(status_);
  SetCursor(LoadCursor(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void Win32MainScreen::applyRules() {
  for (const window::ControlRule& rule : window::controlRules()) applyRule(rule);
}

void Win32MainScreen::applyRule(const window::ControlRule& rule) {
  const bool on = rule.on(model_.settings());
  for (const std::string_view target : rule.targets) {
    HWND widget = control(target);
    if (rule.effect == window::ControlRule::Effect::Show) {
      ShowWindow(widget, on ? SW_SHOW : SW_HIDE);
    } else {
      EnableWindow(widget, on);
    }
  }
}

// ---- messages ----

void Win32MainScreen::command(int id, int code, HWND from) {
  window::MainScreenModel& m = model_;
  switch (id) {
    case kConvert:
      m.M1Click();
      if (m.runReport().ran()) EnableMenuItem(GetMenu(window_), kRunReport, MF_ENABLED);
      return;
    case kRunReport:
      Win32RunReport::show(instance_, window_, font_, static_cast<int>(dpi_), m.writtenFiles(),
                           m.runReport(), folderOpener_);
      return;
    case kLoadLayout:
      m.LoadLayout1Click();
      return;
    case kSaveLayout:
      m.SaveLayout1Click();
      return;
    case kExit:
      SendMessageA(window_, WM_CLOSE, 0, 0);
      return;
    case kCut:
    case kCopy:
    case kPaste: {
      HWND focus = GetFocus();
      char className[16] = {};
      GetClassNameA(focus, className, sizeof className);
      if (lstrcmpiA(className, "Edit") == 0) {
        SendMessageA(focus, id == kCut ? WM_CUT : id == kCopy ? WM_COPY : WM_PASTE, 0, 0);
      }
      return;
    }
    case kAbout:
      Win32AboutBox::showModal(instance_, window_, font_, static_cast<int>(dpi_));
      return;
    case kPreview:
      m.preview().Preview1Click();
      return;
    default:
      break;
  }
  if (updating_) return;

  // Each control's change goes to the window's behaviour by its name.
  if (id >= kFirstOptionId) {
    const auto group = static_cast<std::size_t>((id - kFirstOptionId) / kOptionsPerGroup);
    if (code == BN_CLICKED && group < placed_.size()) {
      m.choiceChanged(placed_[group].spec->name, (id - kFirstOptionId) % kOptionsPerGroup);
    }
    return;
  }
  const auto index = static_cast<std::size_t>(id - kFirstControlId);
  if (id < kFirstControlId || index >= placed_.size() || placed_[index].handle != from) return;
  const Control& spec = *placed_[index].spec;
  switch (spec.kind) {
    case ControlKind::CheckBox:
      if (code == BN_CLICKED) {
        m.flagChanged(spec.name, SendMessageA(from, BM_GETCHECK, 0, 0) == BST_CHECKED);
      }
      break;
    case ControlKind::Edit:
      if (code == EN_CHANGE) m.textChanged(spec.name, text(from));
      break;
    case ControlKind::DropDown:
    case ControlKind::EditableDropDown:
      if (code == CBN_SELCHANGE) {
        m.choiceChanged(spec.name, static_cast<int>(SendMessageA(from, CB_GETCURSEL, 0, 0)));
      } else if (code == CBN_EDITCHANGE) {
        // Typing leaves no entry selected.
        selectPreset(-1);
        m.ComboBox_FF_codecChange();
      }
      break;
    case ControlKind::Button:
      if (code == BN_CLICKED) m.buttonPressed(spec.name);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK Win32MainScreen::windowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* self = static_cast<Win32MainScreen*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32MainScreen*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

LRESULT CALLBACK Win32MainScreen::pageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32MainScreen*>(GetWindowLongPtrA(page, GWLP_USERDATA));
  if (self != nullptr) {
    switch (message) {
      case WM_COMMAND:
        self->command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
      case WM_NOTIFY:
        return self->handle(message, wParam, lParam);
      case WM_SETCURSOR:
        // The mouse over a control: its hint goes to the status bar.
        self->hover(reinterpret_cast<HWND>(wParam));
        break;
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
        return SendMessageA(self->window_, message, wParam, lParam);
      default:
        break;
    }
  }
  return DefWindowProcA(page, message, wParam, lParam);
}

LRESULT CALLBACK Win32MainScreen::keyUpProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR selfPointer) {
  auto* self = reinterpret_cast<Win32MainScreen*>(selfPointer);
  const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
  if (message == WM_KEYDOWN) self->keysDown_.insert({edit, wParam});
  // Only a key pressed in the field counts at its release: the key that closed a message box
  // was pressed there, and a held key repeats its presses but is released once.
  if (message == WM_KEYUP && self->keysDown_.erase({edit, wParam}) > 0) {
    if (edit == self->control("Edit_Prefix")) self->model_.Edit_PrefixKeyUp();
    if (edit == self->control("Edit_FR_Num")) self->model_.Edit_User_FRKeyUp();
    if (edit == self->control("Edit_FR_Den")) self->model_.Edit_FR_DenKeyUp();
  }
  if (message == WM_KILLFOCUS) {
    // Keys still down when the field loses the focus are released elsewhere.
    std::erase_if(self->keysDown_, [edit](const auto& key) { return key.first == edit; });
  }
  return result;
}

LRESULT Win32MainScreen::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kTicker) model_.tick();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kStopButton) {
        stopAsked_ = true;
        return 0;
      }
      command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_NOTIFY: {
      const auto* notice = reinterpret_cast<const NMHDR*>(lParam);
      if (notice->hwndFrom == tabs_ && notice->code == TCN_SELCHANGE) {
        showPage(static_cast<int>(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0)));
      }
      return 0;
    }
    case WM_MENUSELECT: {
      // An item shows its hint; a menu of the bar (selected by position) shows its own.
      std::string hint;
      const bool popup = (HIWORD(wParam) & MF_POPUP) != 0;
      const auto menus = window::menus();
      if (popup && LOWORD(wParam) < menus.size()) hint = menus[LOWORD(wParam)].hint;
      for (const window::MenuItem& item : window::menuItems()) {
        if (!popup && !item.name.empty() && commandOf(item.name) == LOWORD(wParam)) {
          hint = statusPartOf(item.hint);
        }
      }
      showStatus(hint);
      return 0;
    }
    case WM_INITMENUPOPUP: {
      // Cut and Copy need selected text in the focused field, Paste text on the clipboard.
      HWND focus = GetFocus();
      char className[16] = {};
      GetClassNameA(focus, className, sizeof className);
      const bool field = lstrcmpiA(className, "Edit") == 0;
      DWORD start = 0;
      DWORD end = 0;
      if (field) {
        SendMessageA(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
      }
      HMENU menu = reinterpret_cast<HMENU>(wParam);
      const UINT selection = field && end > start ? MF_ENABLED : MF_GRAYED;
      EnableMenuItem(menu, kCut, selection);
      EnableMenuItem(menu, kCopy, selection);
      EnableMenuItem(menu, kPaste,
                     field && IsClipboardFormatAvailable(CF_TEXT) ? MF_ENABLED : MF_GRAYED);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !activated_) {
        activated_ = true;
        // The files are read once the activation is over, so that an error box does not open
        // inside it.
        PostMessageA(window_, kActivate, 0, 0);
      }
      break;
    case kActivate:
      model_.FormActivate();
      return 0;
    case WM_SIZE:
      SendMessageA(status_, WM_SIZE, 0, 0);
      updateScrolling();
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
      scroll(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
      return 0;
    case WM_DPICHANGED: {
      // Moved to a screen of other dots per inch: the controls are made again at them, and the
      // window takes the place the system suggests.
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      rebuild(HIWORD(wParam));
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      // Closed while a run scans its clips: the scan stops first, and the window stays.
      if (stopButton_ != nullptr) {
        stopAsked_ = true;
        return 0;
      }
      if (model_.FormClose()) DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace twinlens::win32
