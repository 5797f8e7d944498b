#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace twinlens {

// The text of an INI file with profile-string rules, kept line by line so that a change touches
// only the line it concerns. A line is a section header ("[name]", the name running to the last
// "]"), a key line ("key=value", the key before the first "="), or anything else (comments
// starting with ";", blank lines, stray text), which is kept as it stands. Sections and keys
// compare without letter case; when a section or a key appears twice, the first one counts.
class IniText {
 public:
  static constexpr std::size_t kMaxValueLength = 2047;
  // The key list fills a 16 KB buffer: each name is followed by one terminating byte, and names
  // that no longer fit whole are left out.
  static constexpr std::size_t kKeyListBytes = 16384;

  IniText() = default;
  // Splits at CR LF, LF or a lone CR; never fails, whatever the bytes.
  explicit IniText(std::string_view text);

  // The value after the first "=", blanks trimmed, one pair of matching surrounding quotes
  // removed, cut to 2047 characters; nothing for a missing section or key.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  // Every value of the text found at once, for reading many keys: value() of each, without a
  // search through the text for each one. Valid while the text is neither changed nor moved.
  class Lookup {
   public:
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

   private:
    friend class IniText;
    // A section's and a key's names, compared without letter case.
    using Names = std::pair<std::string_view, std::string_view>;
    struct FoldedHash {
      std::size_t operator()(const Names& names) const;
    };
    struct FoldedEqual {
      bool operator()(const Names& a, const Names& b) const;
    };
    const IniText* text_ = nullptr;
    std::unordered_map<Names, std::size_t, FoldedHash, FoldedEqual> lines_;  // the key's line
  };
  Lookup lookup() const;

  // The key names of the section in file order, each once, within the 16 KB list.
  std::vector<std::string> keys(std::string_view section) const;

  // Replaces the value of the key in place, or appends the key at the end of its section, or
  // the section at the end of the text. The section, key and value must pass the checks below.
  void set(std::string_view section, std::string_view key, std::string_view value);
  // Many values set at once: the text set() of each in order gives, with one pass over the text.
  struct Change {
    std::string_view section;
    std::string_view key;
    std::string_view value;
  };
  void set(const std::vector<Change>& changes);
  // Removes every line of the key within its section; false when there was none.
  bool remove(std::string_view section, std::string_view key);

  // The lines joined, each ended by CR LF.
  std::string text() const;
  const std::vector<std::string>& lines() const { return lines_; }

  // Whether a name or value would read back unchanged once written. A key must be non-empty,
  // free of "=" and line breaks, without blanks at either end, and must not start with "[" or
  // ";". A section must be free of line breaks and without blanks at either end. A value must be
  // free of line breaks.
  static bool canHoldKey(std::string_view key);
  static bool canHoldSection(std::string_view section);
  static bool canHoldValue(std::string_view value);

  // What reading gives for a value written verbatim: trimmed, unquoted, cut.
  static std::string readBack(std::string_view rawValue);

 private:
  enum class Kind { Other, Section, Key };
  struct Parsed {
    Kind kind = Kind::Other;
    std::size_t nameBegin = 0;  // the section's or the key's name within the line
    std::size_t nameEnd = 0;
    std::size_t valueBegin = 0;  // a key line's value, after the "=" and the blanks behind it
  };

  static Parsed parse(std::string_view line);
  std::string_view nameOf(std::size_t line) const;
  // The index of the first header of the section, or npos.
  std::size_t findSection(std::string_view section) const;
  // One past the last line of the section whose header is at `header`.
  std::size_t sectionEnd(std::size_t header) const;
  std::size_t findKey(std::size_t header, std::string_view key) const;

  std::vector<std::string> lines_;
  std::vector<Parsed> parsed_;
};

}  // namespace twinlens
