#include "cli/CommandLine.h"

#include <algorithm>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "base/Paths.h"
#include "model/SettingsFields.h"
#include "model/Targets.h"
#include "platform/FileSystem.h"
#include "platform/ProgramPath.h"
#include "storage/PresetsFile.h"
#include "storage/SettingsFile.h"

namespace twinlens::cli {

namespace {

// The command as typed: "twinlens-cli detect-offset".
std::string commandName(const CLI::App& app) {
  const CLI::App* parent = app.get_parent();
  return parent != nullptr ? commandName(*parent) + " " + app.get_name() : app.get_name();
}

// One option as the usage line writes it: "--png FILE", "[--frame N]", "[--set NAME=VALUE]...",
// "CLIPS...".
std::string usageOf(const CLI::Option& option) {
  std::string text = option.get_name();
  // The parser's type is "NAME", "NAME:<check>" or "NAME:{a,b,c}": a choice is told by its items.
  std::string type = option.get_type_name();
  const std::size_t colon = type.find(':');
  if (colon != std::string::npos) {
    const std::string check = type.substr(colon + 1);
    type.erase(colon);
    if (check.size() > 2 && check.front() == '{' && check.back() == '}') {
      type = check.substr(1, check.size() - 2);
      std::replace(type.begin(), type.end(), ',', '|');
    }
  }
  if (!option.get_positional() && !type.empty()) text += " " + type;
  if (!option.get_required()) text = "[" + text + "]";
  if (option.get_expected_max() > 1) text += "...";
  return text;
}

void applySetting(ConversionSettings& settings, const std::string& assignment) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string::npos) {
    throw UsageError{"--set needs NAME=VALUE, not '" + assignment + "'"};
  }
  const std::string name = assignment.substr(0, equals);
  const SettingsField* field = findSettingsField(name);
  if (field == nullptr) throw UsageError{"unknown setting '" + name + "'"};
  const std::string value = assignment.substr(equals + 1);
  try {
    setSettingsField(settings, *field, value);
  } catch (const Error& error) {
    throw UsageError{name + ": " + error.what()};
  }
  if (field->kind == SettingsField::Kind::Text) {
    settings.sources.record(name, settingsFieldText(settings, *field), "--set " + name);
  }
  // A choice is one of its items or -1 for none; any other number would silently become another
  // item, or none.
  const bool choice =
      field->kind == SettingsField::Kind::Radio || field->kind == SettingsField::Kind::DropDown;
  if (choice) {
    const int index = toInteger(value);
    if (index < -1 || (field->count >= 0 && index >= field->count)) {
      const std::string range =
          field->count >= 0 ? "-1 to " + std::to_string(field->count - 1) : "-1 or more";
      throw UsageError{name + ": '" + value + "' is not an item of the choice (" + range + ")"};
    }
  }
}

// The preset fields as the window shows them at start: the preset at the remembered position.
void showRememberedPreset(ConversionSettings& settings, const PresetsFile& presets) {
  const std::vector<std::string> names = presets.names();
  const int position = settings.ComboBox_FF_codec;
  const bool listed = position >= 0 && static_cast<std::size_t>(position) < names.size();
  presets.showPreset(settings, listed ? names[static_cast<std::size_t>(position)] : std::string());
}

}  // namespace

std::string usageLine(const CLI::App& app) {
  std::string line = "Usage: " + commandName(app);
  for (const CLI::Option* option : app.get_options()) {
    const std::string name = option->get_name();
    if (name == "--help" || name == "--version") continue;
    line += " " + usageOf(*option);
  }
  return line;
}

CLI::Validator existingFile() {
  return CLI::Validator(
      [](std::string& file) {
        if (platform::fileExists(file)) return std::string();
        return platform::folderExists(file) ? file + " is a folder, not a file"
                                            : "File does not exist: " + file;
      },
      "");
}

std::string programFolder() {
  std::string folder = paths::dir(platform::programPath());
  if (folder.size() > 1 && paths::endsFolder(folder.back(), nativePathStyle())) folder.pop_back();
  return folder;
}

std::vector<std::string> absolutePaths(const std::vector<std::string>& files, const char* option) {
  std::vector<std::string> result;
  std::string folder;
  for (const std::string& file : files) {
    std::string full = platform::absolutePath(file);
    std::string fileFolder = paths::dir(full);
    if (result.empty()) {
      folder = fileFolder;
    } else if (!paths::sameName(folder, fileFolder)) {
      throw UsageError{std::string("all ") + option + " files must lie in one folder"};
    }
    result.push_back(std::move(full));
  }
  return result;
}

void checkClips(const std::vector<std::string>& files, const std::string& views) {
  if (files.size() != (views == "pair" ? 2u : 1u)) {
    throw CLI::ValidationError(
        "CLIPS", views == "pair" ? "a pair needs two clips" : "one file holds both views");
  }
}

void SettingsOptions::add(CLI::App& app, const char* fileHelp, bool presets, bool assignments) {
  app.add_option("--settings", file_, fileHelp)->type_name("FILE");
  if (presets) {
    app.add_option("--presets", presetsFile_, "Presets file that fills the preset fields")
        ->type_name("FILE");
  }
  if (assignments) {
    app.add_option("--set", assignments_, "Set one setting by its field name, after loading")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
  }
}

ConversionSettings SettingsOptions::load() const {
  std::optional<PresetsFile> presets;
  if (!presetsFile_.empty()) presets.emplace(presetsFile_);
  const std::string folder = programFolder();
  ConversionSettings settings(folder);
  if (!file_.empty()) {
    LoadSettings(settings, file_, presets ? &*presets : nullptr, folder);
  } else if (presets) {
    showRememberedPreset(settings, *presets);
  }
  bool targetChosen = false;
  for (const std::string& assignment : assignments_) {
    applySetting(settings, assignment);
    targetChosen = targetChosen || assignment.starts_with("ComboBox_Target=");
  }
  // Choosing a target sets what it decides, as in the window.
  if (targetChosen) applyTarget(settings);
  return settings;
}

}  // namespace twinlens::cli
