#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win32/Win32EncodeWindow.h"
#include "win32/Win32PreviewWindow.h"
#include "win32/Win32RunReport.h"
#include "window/ControlTable.h"
#include "window/MainScreenModel.h"
#include "window/ScreenView.h"

namespace twinlens::win32 {

// The main window with the platform's own controls: a view of the window model, every control
// made from the control table and found by its name.
class Win32MainScreen : private window::ScreenView {
 public:
  // Menu commands, by their menu item.
  enum Command : int {
    kConvert = 100,  // M1
    kRunReport,      // RunReport1
    kLoadLayout,     // LoadLayout1
    kSaveLayout,     // SaveLayout1
    kExit,           // FileExit1
    kCut,            // EditCut1
    kCopy,           // EditCopy1
    kPaste,          // EditPaste1
    kAbout,          // HelpAbout1
    kPreview,        // Preview1
  };

  Win32MainScreen(HINSTANCE instance, window::Prompter& prompter, std::string settingsPath,
                  std::string presetsPath, const std::string& programFolder,
                  window::Launcher launcher);
  ~Win32MainScreen() override;
  Win32MainScreen(const Win32MainScreen&) = delete;
  Win32MainScreen& operator=(const Win32MainScreen&) = delete;

  HWND handle() const { return window_; }
  // Replaces the file manager that the run report opens folders in (tests record them).
  void setFolderOpener(FolderOpener opener) { folderOpener_ = std::move(opener); }
  HACCEL accelerators() const { return accelerators_; }
  // The preview window's keys, wherever the focus is in it; returns whether it took `message`.
  bool takePreviewKey(const MSG& message);
  window::MainScreenModel& model() { return model_; }
  // The preview window; nullptr until it was first shown.
  Win32PreviewWindow* previewWindow() const { return preview_.get(); }
  Win32EncodeWindow* encodeWindow() const { return encodes_.get(); }

  // The control of that name (a choice group's frame), or nullptr.
  HWND control(std::string_view name) const;
  // The option of a choice group.
  HWND option(std::string_view name, int index) const;
  // The text of the status bar.
  std::string statusText() const;
  // The tooltip of a control (at most 80 characters of it, as the tooltip control hands it out);
  // empty when its hint shows in the status bar only.
  std::string tooltipText(HWND control) const;
  // Shows the hint of a control in the status bar, as the mouse over it does.
  void hover(HWND control);
  // Brings the tab of that index to the front, as a click on it does.
  void showPage(int index);
  HFONT font() const { return font_; }
  // How far the content is scrolled; (0, 0) while the window shows all of it.
  POINT scrollPosition() const;
  int dpi() const { return static_cast<int>(dpi_); }

 private:
  struct Placed {
    const window::Control* spec;
    HWND handle;
    std::vector<HWND> options;  // a choice group's radio buttons
  };

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK pageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK keyUpProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR self);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  void buildMenu();
  void buildControls();
  // The window's dots per inch, its font at them, and the controls made again at new ones.
  void useDpi(UINT dpi);
  void rebuild(UINT dpi);
  int scale(int pixels) const { return MulDiv(pixels, static_cast<int>(dpi_), 96); }
  // Places the controls of `parent` from (x, y) down; returns the size they take.
  SIZE layOut(std::string_view parent, HWND page, int x, int y);
  HWND create(const window::Control& spec, HWND page, const char* className, DWORD style, int x,
              int y, int width, int height);
  SIZE textSize(std::string_view text) const;
  void command(int id, int code, HWND from);
  // The scroll bars follow the window's size, and the content their positions.
  void updateScrolling();
  // The controls and the menus take input, or none (while a run scans its clips).
  void enableInput(bool enabled);
  void scroll(int bar, int request);
  void placeContent();
  void applyRules();
  void applyRule(const window::ControlRule& rule) override;
  std::string text(HWND control) const;
  void setText(HWND control, const std::string& text);

  // ScreenView.
  void showSettings() override;
  void showPresetFields() override;
  void showPresetList(const std::vector<std::string>& names) override;
  void selectPreset(int index) override;
  int selectedPreset() const override;
  std::string fieldText(std::string_view field) const override;
  void setFieldText(std::string_view field, const std::string& text) override;
  void showStatus(const std::string& text) override;
  void showBusy(bool busy) override;
  void showProgress(const std::string& text) override;
  bool stopRequested() override;
  void endProgress() override;
  void showPreviewWindow() override;
  void showPreviewPicture(const std::string& bmp) override;
  window::SoundOutput* previewSound() override;
  void showPreviewState(const window::PreviewState& state) override;
  void showEncodeWindow() override;
  void showEncodeState(const window::EncodeState& state) override;
  void openFolder(const std::string& folder) override;

  HINSTANCE instance_;
  window::MainScreenModel model_;
  // These go before the model they show.
  std::unique_ptr<Win32PreviewWindow> preview_;
  std::unique_ptr<Win32EncodeWindow> encodes_;
  FolderOpener folderOpener_;
  HWND window_ = nullptr;
  HWND content_ = nullptr;  // the surface that holds the tabs and the hand-off boxes
  SIZE content_size_{0, 0};
  HWND tabs_ = nullptr;
  HWND status_ = nullptr;
  HWND tooltips_ = nullptr;
  HFONT font_ = nullptr;
  UINT dpi_ = 96;
  HACCEL accelerators_ = nullptr;
  std::vector<HWND> pages_;
  HWND panel_ = nullptr;
  std::vector<Placed> placed_;
  std::map<std::string, std::size_t, std::less<>> byName_;
  std::set<std::pair<HWND, WPARAM>> keysDown_;  // pressed in a field taken at a key release
  bool updating_ = false;
  bool activated_ = false;
  HWND stopButton_ = nullptr;  // while a run scans its clips
  bool stopAsked_ = false;
};

}  // namespace twinlens::win32
