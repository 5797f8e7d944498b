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

// What could not be read back as written would corrupt the file's structure; it is refused.
void checkHeld(const std::vector<IniFile::Entry>& entries, const std::string& path) {
  for (const IniFile::Entry& entry : entries) {
    if (!IniText::canHoldSection(entry.section)) throw cannotHold(entry.section, path);
    if (!IniText::canHoldKey(entry.key)) throw cannotHold(entry.key, path);
    if (!IniText::canHoldValue(entry.value)) throw cannotHold(entry.value, path);
  }
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
  write({Entry{section, key, value}});
}

void IniFile::set(IniText& text, const std::vector<Entry>& entries, const std::string& path) {
  checkHeld(entries, path);
  std::vector<IniText::Change> changes;
  changes.reserve(entries.size());
  for (const Entry& entry : entries) changes.push_back({entry.section, entry.key, entry.value});
  text.set(changes);
}

void IniFile::write(const std::vector<Entry>& entries) {
  checkHeld(entries, path_);
  IniText text = readForChange(path_);
  set(text, entries, path_);
  replaceFile(path_, text);
}

IniText IniFile::text() const {
  return readForLookup(path_);
}

void IniFile::remove(const std::string& section, const std::string& key) {
  if (!platform::fileExists(path_)) return;
  IniText text = readForChange(path_);
  if (text.remove(section, key)) replaceFile(path_, text);
}

}  // namespace twinlens
