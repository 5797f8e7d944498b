// The reference pages of docs/ are made from the tables the program itself works from: the
// command line's help from its parser, the settings from the field table and the window's
// controls. The test fails when a page is not what the tables make now; run it with
// TWINLENS_WRITE_DOCS=1 to write the pages anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "cli/CliApp.h"
#include "model/SettingsFields.h"
#include "support/TempDir.h"
#include "window/ControlTable.h"

namespace twinlens {
namespace {

// A text in a cell of a Markdown table.
std::string cell(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '|') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string cliReference() {
  std::string page =
      "# The command line\n\n"
      "`twinlens-cli` does without a window what the window does: the command without a name is "
      "one \"Convert files\" run, the named commands measure, preview and match colours. What "
      "follows is each command's `--help`, as the program prints it.\n\n"
      "Every run reports what it does on its standard output, one line each: `wrote<TAB>path`, "
      "`launch<TAB>file<TAB>parameters<TAB>working folder`, `progress<TAB>text`, and with "
      "`--launch` `encoded<TAB>file` or `failed<TAB>file<TAB>ffmpeg's last line`, each followed "
      "by `<TAB>computer` where a Slurm cluster or GNU parallel ran the encodes. What the run "
      "did to a clip is told on the standard error as `note<TAB>clip<TAB>text`. The exit status "
      "is 0 when done, 1 when the command failed (the message on the standard error), 2 for a "
      "command line it cannot carry out (with its usage line).\n";
  for (const char* command : {"", "detect-offset", "measure-geometry", "preview", "colour-match"}) {
    page += std::string("\n## twinlens-cli") + (*command ? " " : "") + command + "\n\n```text\n" +
            cli::help(command) + "```\n";
  }
  return page;
}

std::string settingsReference() {
  std::string page =
      "# Every setting\n\n"
      "Each setting has the name it has in the settings and layout files, which `--set NAME=VALUE` "
      "of `twinlens-cli` takes too. A choice is stored as its item's number (-1: none chosen), a "
      "flag as 0 or 1. The tab and caption are where the window shows it; the settings without "
      "one are kept by the program (the folders it remembers, the files it was given).\n\n"
      "| Setting | Tab | Caption | Values | Hint |\n|---|---|---|---|---|\n";
  for (const SettingsField& field : settingsFields()) {
    // A field is shown by the control of its name, or by the field "Edit_<name>".
    const window::Control* control = window::findControl(field.name);
    if (control == nullptr) control = window::findControl("Edit_" + std::string(field.name));
    std::string tab;
    std::string caption;
    std::string hint;
    if (control != nullptr) {
      caption = control->caption;
      hint = window::statusHintOf(*control);
      for (const window::Control& label : window::controls()) {
        if (label.labelFor == control->name) caption = label.caption;
      }
      for (const window::Control* up = control; up != nullptr;
           up = window::findControl(up->parent)) {
        if (up->kind == window::ControlKind::Tab) tab = up->caption;
        if (up->kind == window::ControlKind::Panel) tab = "below the tabs";
        if (up->parent.empty()) break;
      }
    }
    std::string values;
    switch (field.kind) {
      case SettingsField::Kind::Flag:
        values = "0 or 1";
        break;
      case SettingsField::Kind::Text:
        values = "text";
        break;
      case SettingsField::Kind::Integer:
        values = "a whole number";
        break;
      case SettingsField::Kind::Radio:
      case SettingsField::Kind::DropDown:
        if (control == nullptr || control->options.empty()) {
          values = "an item's number";
          break;
        }
        for (std::size_t i = 0; i < control->options.size(); ++i) {
          values +=
              (i > 0 ? ", " : "") + std::to_string(i) + ": " + std::string(control->options[i]);
        }
        break;
    }
    page += "| `" + std::string(field.name) + "` | " + cell(tab) + " | " + cell(caption) + " | " +
            cell(values) + " | " + cell(hint) + " |\n";
  }
  return page;
}

TEST(Docs, TheReferencePagesAreWhatTheTablesMake) {
  const std::pair<const char*, std::string> pages[] = {{"cli.md", cliReference()},
                                                       {"settings.md", settingsReference()}};
  const bool write = std::getenv("TWINLENS_WRITE_DOCS") != nullptr;
  for (const auto& [name, made] : pages) {
    const std::string path = std::string(TWINLENS_DOCS_DIR) + "/" + name;
    if (write) test::writeBytes(path, made);
    EXPECT_EQ(test::readBytes(path), made)
        << "docs/" << name << " is not what the program's tables make: run this test with "
        << "TWINLENS_WRITE_DOCS=1 to write it anew";
  }
}

}  // namespace
}  // namespace twinlens
