#include "platform/TextFiles.h"

#include "platform/FileSystem.h"

namespace twinlens::platform {

void saveTextFile(const TextFile& file, const std::string& path) {
  writeFileReplacing(path, file.text());
}

TextFile loadTextFile(const std::string& path) {
  return TextFile::fromText(readFile(path));
}

}  // namespace twinlens::platform
