#include "model/SettingSources.h"

namespace twinlens {

void SettingSources::record(std::string_view field, std::string value, std::string source) {
  for (Entry& entry : entries_) {
    if (entry.field == field) {
      entry.value = std::move(value);
      entry.source = std::move(source);
      return;
    }
  }
  entries_.push_back({std::string(field), std::move(value), std::move(source)});
}

std::string SettingSources::of(std::string_view field, std::string_view value) const {
  for (const Entry& entry : entries_) {
    if (entry.field == field && entry.value == value) return entry.source;
  }
  return {};
}

}  // namespace twinlens
