#include "engines/EncodedNames.h"

namespace twinlens {

namespace {

std::string lowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::string extensionOf(const std::string& path, PathStyle style) {
  const std::string name = paths::name(path, style);
  return lowered(name.substr(paths::noext(name, style).size()));
}

bool picturesOut(const std::string& extension) {
  const std::string lower = lowered(extension);
  return lower == ".jpg" || lower == ".png" || lower == ".bmp";
}

std::string encodedName(const std::string& scriptName, const std::string& extension,
                        PathStyle style) {
  return std::string(picturesOut(extension) ? "ImgSeq_%07d_" : "") +
         paths::noext(scriptName, style) + extension;
}

}  // namespace twinlens
