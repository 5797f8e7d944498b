// Any bytes as an INI file: reading never fails, and a write changes exactly the value written.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "storage/IniText.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using twinlens::IniText;
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(32);
  const std::string key = input.ConsumeRandomLengthString(32);
  const std::string value = input.ConsumeRandomLengthString(64);
  const std::string otherKey = input.ConsumeRandomLengthString(32);
  const std::string file = input.ConsumeRemainingBytesAsString();

  IniText text(file);
  const std::string written = text.text();
  check(IniText(written).text() == written);  // a file once written reads back the same

  // Reading many keys at once gives what reading each one gives.
  const IniText::Lookup lookup = text.lookup();
  check(lookup.value(section, key) == text.value(section, key));
  std::size_t listed = 0;
  for (const auto& name : text.keys(section)) {
    listed += name.size() + 1;
    check(text.value(section, name).has_value());
    check(lookup.value(section, name) == text.value(section, name));
  }
  check(listed <= IniText::kKeyListBytes);
  if (const auto found = text.value(section, key)) {
    check(found->size() <= IniText::kMaxValueLength);
  }

  if (IniText::canHoldSection(section) && IniText::canHoldKey(key) &&
      IniText::canHoldValue(value)) {
    const auto otherBefore = text.value(section, otherKey);
    if (IniText::canHoldKey(otherKey)) {
      // Values set at once land as they land one by one.
      std::vector<IniText::Change> changes{{section, otherKey, value}, {section, key, value}};
      if (IniText::canHoldSection(key)) changes.push_back({key, otherKey, value});
      IniText many(file);
      many.set(changes);
      IniText oneByOne(file);
      for (const auto& change : changes) oneByOne.set(change.section, change.key, change.value);
      check(many.text() == oneByOne.text());
    }
    text.set(section, key, value);
    const IniText reread(text.text());
    check(reread.value(section, key) == IniText::readBack(value));
    if (!sameName(key, otherKey)) check(reread.value(section, otherKey) == otherBefore);
    IniText removed = reread;
    removed.remove(section, key);
    check(!removed.value(section, key).has_value());
    if (!sameName(key, otherKey)) check(removed.value(section, otherKey) == otherBefore);
  }
  return 0;
}
