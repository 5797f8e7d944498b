#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "window/ControlRules.h"
#include "window/EncodeView.h"
#include "window/PreviewView.h"

namespace twinlens::window {

// What the main window's behaviour asks of the window that shows it, its preview and encoding
// windows included.
class ScreenView : public PreviewView, public EncodeView {
 public:
  virtual ~ScreenView() = default;

  // Every control shows the settings record, and the rules are applied.
  virtual void showSettings() = 0;
  // One rule applied: its targets enabled or shown as the record says.
  virtual void applyRule(const ControlRule& rule) = 0;
  // The fields of the chosen preset (parameters, extension, name) show the record.
  virtual void showPresetFields() = 0;
  // The preset box lists these names; its text stays and no entry is selected.
  virtual void showPresetList(const std::vector<std::string>& names) = 0;
  // Selects an entry of the preset box, or none (-1), which keeps the box's text.
  virtual void selectPreset(int index) = 0;
  // The entry of the preset box that is selected, -1 for none.
  virtual int selectedPreset() const = 0;
  // The text a field shows now (the fields whose text is taken at a key release).
  virtual std::string fieldText(std::string_view field) const = 0;
  virtual void setFieldText(std::string_view field, const std::string& text) = 0;
  // A line for the status bar, shown until the mouse brings up a hint.
  virtual void showStatus(const std::string& text) = 0;
  // A long measurement runs (true) or has ended (false): the window shows that it is busy.
  virtual void showBusy(bool busy) = 0;
  // A status-bar text shown at once, while a long step of a run (the scan of its clips) holds the
  // window.
  virtual void showProgress(const std::string& text) = 0;
  // Asked every few tens of milliseconds while that step holds the window: takes in the window's
  // events with only a "Stop" button (and Escape) working, and tells whether the user pressed it.
  virtual bool stopRequested() = 0;
  // The long step has ended: the window takes all input again and "Stop" goes.
  virtual void endProgress() = 0;
};

}  // namespace twinlens::window
