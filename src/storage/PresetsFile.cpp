#include "storage/PresetsFile.h"

#include "base/Error.h"
#include "storage/IniText.h"

namespace twinlens {

namespace {

constexpr const char* kPresets = "Presets";
constexpr const char* kExtensions = "Extensions";

}  // namespace

PresetsFile::PresetsFile(std::string path) : ini_(std::move(path)) {}

std::vector<std::string> PresetsFile::names() const {
  return ini_.keys(kPresets);
}

std::string PresetsFile::parameters(const std::string& name) const {
  return ini_.read(kPresets, name, "");
}

std::string PresetsFile::extension(const std::string& name) const {
  return ini_.read(kExtensions, name, "");
}

void PresetsFile::save(const std::string& name, const std::string& parameters,
                       const std::string& extension) {
  // Check everything before the first write, so that a refused preset leaves no half behind.
  if (!IniText::canHoldKey(name)) throw Error("'" + name + "' cannot be used as a preset name");
  for (const std::string* value : {&parameters, &extension}) {
    if (!IniText::canHoldValue(*value)) {
      throw Error("'" + *value + "' cannot be written to " + path());
    }
  }
  ini_.write(kPresets, name, parameters);
  ini_.write(kExtensions, name, extension);
}

void PresetsFile::remove(const std::string& name) {
  if (name.empty()) return;
  ini_.remove(kPresets, name);
  ini_.remove(kExtensions, name);
}

void PresetsFile::showPreset(ConversionSettings& settings, const std::string& name) const {
  showPreset(text(), settings, name, path());
}

std::vector<std::string> PresetsFile::names(const IniText& presets) {
  return presets.keys(kPresets);
}

std::string PresetsFile::parameters(const IniText& presets, const std::string& name) {
  return presets.value(kPresets, name).value_or("");
}

std::string PresetsFile::extension(const IniText& presets, const std::string& name) {
  return presets.value(kExtensions, name).value_or("");
}

void PresetsFile::showPreset(const IniText& presets, ConversionSettings& settings,
                             const std::string& name, std::string_view path) {
  settings.Edit_coding_presets = parameters(presets, name);
  settings.Edit_Video_Extension = extension(presets, name);
  settings.Edit_preset_name = name;
  const std::string source = "the entry \"" + name + "\" of the presets file" +
                             (path.empty() ? "" : " \"" + std::string(path) + "\"");
  settings.sources.record("Edit_coding_presets", settings.Edit_coding_presets, source);
  settings.sources.record("Edit_Video_Extension", settings.Edit_Video_Extension, source);
}

}  // namespace twinlens
