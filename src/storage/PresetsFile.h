#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/ConversionSettings.h"
#include "storage/IniFile.h"
#include "storage/IniText.h"

namespace twinlens {

// The encoder presets file: section "Presets" maps names to ffmpeg parameters, section
// "Extensions" the same names to output extensions.
class PresetsFile {
 public:
  explicit PresetsFile(std::string path);

  const std::string& path() const { return ini_.path(); }

  std::vector<std::string> names() const;
  std::string parameters(const std::string& name) const;
  std::string extension(const std::string& name) const;

  // "Save New Preset": refuses a name the file cannot hold as a key (Error naming it).
  void save(const std::string& name, const std::string& parameters, const std::string& extension);
  // "Delete preset": removes the name from both sections.
  void remove(const std::string& name);

  // Sets Edit_coding_presets, Edit_Video_Extension and Edit_preset_name from the preset named
  // (empty for no selection).
  void showPreset(ConversionSettings& settings, const std::string& name) const;

  // The same from the file's text read once.
  IniText text() const { return ini_.text(); }
  static std::vector<std::string> names(const IniText& presets);
  static std::string parameters(const IniText& presets, const std::string& name);
  static std::string extension(const IniText& presets, const std::string& name);
  // The preset's texts are recorded in `settings.sources` as its entry of the presets file at
  // `path`.
  static void showPreset(const IniText& presets, ConversionSettings& settings,
                         const std::string& name, std::string_view path = {});

 private:
  IniFile ini_;
};

}  // namespace twinlens
