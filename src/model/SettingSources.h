#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace twinlens {

// Where the settings' texts came from, so that a message about one can say where to mend it.
// A file that gives a field its text is remembered with that text; once the field holds another
// (typed, chosen with a button), it is the field's own.
class SettingSources {
 public:
  // `source` gave `field` the text `value`: "the settings file \"/home/u/twinlens.ini\"".
  void record(std::string_view field, std::string value, std::string source);

  // Where the field's text `value` came from: the source that gave it this text; empty when
  // none did (the text is the field's own).
  std::string of(std::string_view field, std::string_view value) const;

  // Where the texts came from is no part of what the settings are: two records that convert alike
  // are equal.
  friend bool operator==(const SettingSources&, const SettingSources&) { return true; }

 private:
  struct Entry {
    std::string field;
    std::string value;
    std::string source;
  };
  std::vector<Entry> entries_;
};

}  // namespace twinlens
