// Writes the scripts of one sample clip pair into a fresh temporary folder and prints them.
#include <chrono>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "engine/ClipNames.h"
#include "engine/ConversionSettings.h"
#include "engine/Error.h"
#include "engine/ScriptBuilder.h"
#include "engine/TextFile.h"

namespace fs = std::filesystem;
using namespace twinlens;

namespace {

void show(const std::string& path, const TextFile& file) {
  file.save(path);
  std::cout << "== " << path << "\n";
  for (const auto& line : file.lines()) std::cout << line << "\n";
  std::cout << "\n";
}

}  // namespace

int main() {
  try {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path folder = fs::temp_directory_path() / ("twinlens-demo-" + std::to_string(stamp));
    fs::create_directories(folder);
    const std::string left = (folder / "holiday_L.avi").string();
    const std::string right = (folder / "holiday_R.avi").string();

    ConversionSettings settings;
    settings.RadioGroup_Output_Format = 1;  // side-by-side
    settings.Edit_Offset = "2";
    settings.RadioGroup_Colour_Match = 1;

    const ClipNames names = deriveClipNames(settings, left, right);
    TextFile histogram;
    for (const ScriptFile& script : ScriptBuilder(settings).build(names, histogram)) {
      show(script.path, script.lines);
    }
    show((folder / "Hist_holiday_L.avs").string(), histogram);
    std::cout << "Scripts written to " << folder.string() << "\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << Error::displayText(e.what()) << "\n";
    return 1;
  }
}
