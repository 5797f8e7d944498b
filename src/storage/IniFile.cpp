#include "storage/IniFile.h"

#include "base/Error.h"
#include "platform/FileSystem.h"
#include "storage/IniText.h"

namespace twinlens {

namespace {

// The file as it stands; an empty text when there is none or it cannot be read.
IniText readForLookup(const std::string& path) {
  try {
    return IniText(platform::readFile(path));
  } catch (const Error&) {
    return IniText();
  }
}

// The file as it stands before a change. A file that exists but cannot be read is never
// replaced, or its other lines would be lost.
IniText readForChange(const std::string& path) {
  if (!platform::fileExists(path)) return IniText();
  try {
    return IniText(platform::readFile(path));
  } catch (const Error&) {
    throw Error::unableToWrite(path);
  }
}

void replaceFile(const std::string& path, const IniText& text) {
  try {
    platform::writeFileReplacing(path, text.text());
  } catch (const Error&) {
    throw Error::unableToWrite(path);
  }
}

Error cannotHold(std::string_view text, const std::string& path) {
  std::string message = "'";
  message.append(text).append("' cannot be written to ").append(path);
  return Error(message);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::read(const std::string& section, const std::string& key,
                          const std::string& fallback) const {
  return readForLookup(path_).value(section, key).value_or(fallback);
}

std::vector<std::string> IniFile::keys(const std::string& section) const {
  return readForLookup(path_).keys(section);
}

void IniFile::write(const std::string& section, const std::string& key, const std::string& value) {
  // What could not be read back as written would corrupt the file's structure; refuse it.
  if (!IniText::canHoldSection(section)) throw cannotHold(section, path_);
  if (!IniText::canHoldKey(key)) throw cannotHold(key, path_);
  if (!IniText::canHoldValue(value)) throw cannotHold(value, path_);
  IniText text = readForChange(path_);
  text.set(section, key, value);
  replaceFile(path_, text);
}

void IniFile::remove(const std::string& section, const std::string& key) {
  if (!platform::fileExists(path_)) return;
  IniText text = readForChange(path_);
  if (text.remove(section, key)) replaceFile(path_, text);
}

}  // namespace twinlens
