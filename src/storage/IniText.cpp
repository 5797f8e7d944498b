#include "storage/IniText.h"

#include <unordered_set>

#include "base/TextFile.h"

namespace twinlens {

namespace {

constexpr std::size_t npos = std::string::npos;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string lowered(std::string_view name) {
  std::string text(name);
  for (char& c : text) c = lower(c);
  return text;
}

std::string_view trimmed(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Appends rather than using operator+ on temporaries, which g++ 12 at -O3 wrongly flags as an
// overlapping copy.
std::string joined(std::string_view a, std::string_view b, std::string_view c) {
  std::string text;
  text.reserve(a.size() + b.size() + c.size());
  text.append(a).append(b).append(c);
  return text;
}

bool hasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != npos;
}

bool hasOuterBlanks(std::string_view text) {
  return !text.empty() && (isBlank(text.front()) || isBlank(text.back()));
}

}  // namespace

IniText::IniText(std::string_view text) {
  lines_ = TextFile::fromText(text).lines();
  parsed_.reserve(lines_.size());
  for (const auto& line : lines_) parsed_.push_back(parse(line));
}

IniText::Parsed IniText::parse(std::string_view line) {
  Parsed parsed;
  std::size_t start = 0;
  while (start < line.size() && isBlank(line[start])) ++start;
  if (start == line.size() || line[start] == ';') return parsed;

  if (line[start] == '[') {
    const std::size_t close = line.rfind(']');
    if (close == npos || close <= start) return parsed;
    std::size_t begin = start + 1;
    std::size_t end = close;
    while (begin < end && isBlank(line[begin])) ++begin;
    while (end > begin && isBlank(line[end - 1])) --end;
    parsed.kind = Kind::Section;
    parsed.nameBegin = begin;
    parsed.nameEnd = end;
    return parsed;
  }

  const std::size_t equals = line.find('=', start);
  if (equals == npos) return parsed;
  std::size_t end = equals;
  while (end > start && isBlank(line[end - 1])) --end;
  if (end == start) return parsed;  // "=value" names no key
  std::size_t value = equals + 1;
  while (value < line.size() && isBlank(line[value])) ++value;
  parsed.kind = Kind::Key;
  parsed.nameBegin = start;
  parsed.nameEnd = end;
  parsed.valueBegin = value;
  return parsed;
}

std::string_view IniText::nameOf(std::size_t line) const {
  const Parsed& p = parsed_[line];
  return std::string_view(lines_[line]).substr(p.nameBegin, p.nameEnd - p.nameBegin);
}

std::size_t IniText::findSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (parsed_[i].kind == Kind::Section && sameName(nameOf(i), section)) return i;
  }
  return npos;
}

std::size_t IniText::sectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && parsed_[i].kind != Kind::Section) ++i;
  return i;
}

std::size_t IniText::findKey(std::size_t header, std::string_view key) const {
  const std::size_t end = sectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (parsed_[i].kind == Kind::Key && sameName(nameOf(i), key)) return i;
  }
  return npos;
}

std::string IniText::readBack(std::string_view rawValue) {
  std::string_view value = trimmed(rawValue);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kMaxValueLength) value = value.substr(0, kMaxValueLength);
  return std::string(value);
}

std::optional<std::string> IniText::value(std::string_view section, std::string_view key) const {
  const std::size_t header = findSection(section);
  if (header == npos) return std::nullopt;
  const std::size_t line = findKey(header, key);
  if (line == npos) return std::nullopt;
  return readBack(std::string_view(lines_[line]).substr(parsed_[line].valueBegin));
}

std::size_t IniText::Lookup::FoldedHash::operator()(const Names& names) const {
  std::size_t hash = 14695981039346656037u;  // FNV-1a over both names, folded
  for (const std::string_view name : {names.first, names.second}) {
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(lower(c))) * 1099511628211u;
    hash = (hash ^ 0xffu) * 1099511628211u;
  }
  return hash;
}

bool IniText::Lookup::FoldedEqual::operator()(const Names& a, const Names& b) const {
  return sameName(a.first, b.first) && sameName(a.second, b.second);
}

IniText::Lookup IniText::lookup() const {
  Lookup lookup;
  lookup.text_ = this;
  lookup.lines_.reserve(lines_.size());
  std::unordered_set<std::string> sections;
  std::string_view section;
  bool counted = false;  // the line is in the first section of its name, which value() reads
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (parsed_[i].kind == Kind::Section) {
      section = nameOf(i);
      counted = sections.insert(lowered(section)).second;
    } else if (parsed_[i].kind == Kind::Key && counted) {
      lookup.lines_.emplace(Lookup::Names{section, nameOf(i)}, i);  // the first key counts
    }
  }
  return lookup;
}

std::optional<std::string> IniText::Lookup::value(std::string_view section,
                                                  std::string_view key) const {
  const auto found = lines_.find(Names{section, key});
  if (found == lines_.end()) return std::nullopt;
  const std::size_t line = found->second;
  return readBack(std::string_view(text_->lines_[line]).substr(text_->parsed_[line].valueBegin));
}

std::vector<std::string> IniText::keys(std::string_view section) const {
  std::vector<std::string> names;
  const std::size_t header = findSection(section);
  if (header == npos) return names;
  std::unordered_set<std::string> seen;
  std::size_t used = 0;
  const std::size_t end = sectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (parsed_[i].kind != Kind::Key) continue;
    const std::string_view name = nameOf(i);
    if (!seen.insert(lowered(name)).second) continue;  // a later duplicate is never read
    if (used + name.size() + 1 > kKeyListBytes) break;
    used += name.size() + 1;
    names.emplace_back(name);
  }
  return names;
}

void IniText::set(std::string_view section, std::string_view key, std::string_view value) {
  const std::size_t header = findSection(section);
  if (header == npos) {
    lines_.push_back(joined("[", section, "]"));
    parsed_.push_back(parse(lines_.back()));
    lines_.push_back(joined(key, "=", value));
    parsed_.push_back(parse(lines_.back()));
    return;
  }
  if (const std::size_t line = findKey(header, key); line != npos) {
    // Keep the key as it was spelled and the blanks around "="; only the value changes.
    std::string& text = lines_[line];
    text.resize(parsed_[line].valueBegin);
    text.append(value);
    parsed_[line] = parse(text);
    return;
  }
  std::size_t after = header;
  const std::size_t end = sectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (parsed_[i].kind == Kind::Key) after = i;
  }
  const auto at = static_cast<std::ptrdiff_t>(after + 1);
  lines_.insert(lines_.begin() + at, joined(key, "=", value));
  parsed_.insert(parsed_.begin() + at, parse(lines_[after + 1]));
}

void IniText::set(const std::vector<Change>& changes) {
  // A section as the changes find it: the first header of its name and the line its new keys
  // follow (its last key line, or the header), or one added at the end; and its new key lines.
  struct Place {
    std::size_t header = npos;  // npos: a section added at the end
    std::size_t after = npos;
    std::string name;
    std::vector<std::string> added;
  };
  std::vector<Place> places;
  std::unordered_map<std::string, std::size_t> placeOf;  // folded name: index in places
  // A key's line: in the text (place npos), or the `line`-th line added to a place.
  struct KeyLine {
    std::size_t place = npos;
    std::size_t line = 0;
  };
  std::unordered_map<std::string, KeyLine> keyOf;  // "section\nkey", folded
  std::string current;                             // the folded section a line is in, or empty
  std::size_t currentPlace = npos;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (parsed_[i].kind == Kind::Section) {
      const std::string name = lowered(nameOf(i));
      const bool first = placeOf.emplace(name, places.size()).second;
      current = first ? name + "\n" : std::string();
      currentPlace = first ? places.size() : npos;
      if (first) places.push_back({i, i, {}, {}});
    } else if (parsed_[i].kind == Kind::Key && currentPlace != npos) {
      places[currentPlace].after = i;
      keyOf.emplace(current + lowered(nameOf(i)), KeyLine{npos, i});
    }
  }
  for (const Change& change : changes) {
    const std::string section = lowered(change.section);
    auto [found, added] = placeOf.emplace(section, places.size());
    if (added) places.push_back({npos, npos, std::string(change.section), {}});
    Place& place = places[found->second];
    const auto [key, isNew] = keyOf.emplace(section + "\n" + lowered(change.key),
                                            KeyLine{found->second, place.added.size()});
    if (isNew) {
      place.added.push_back(joined(change.key, "=", change.value));
    } else if (key->second.place != npos) {
      std::string& line = places[key->second.place].added[key->second.line];
      line.resize(parse(line).valueBegin);
      line.append(change.value);
    } else {
      // Keep the key as it was spelled and the blanks around "="; only the value changes.
      std::string& text = lines_[key->second.line];
      text.resize(parsed_[key->second.line].valueBegin);
      text.append(change.value);
      parsed_[key->second.line] = parse(text);
    }
  }
  // The new keys of the text's sections go in after their places, the new sections at the end.
  std::vector<std::vector<std::string>*> insertAfter(lines_.size(), nullptr);
  for (Place& place : places) {
    if (place.header != npos && !place.added.empty()) insertAfter[place.after] = &place.added;
  }
  std::vector<std::string> lines;
  lines.reserve(lines_.size() + changes.size() + places.size());
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    lines.push_back(std::move(lines_[i]));
    if (insertAfter[i] != nullptr) {
      for (std::string& line : *insertAfter[i]) lines.push_back(std::move(line));
    }
  }
  for (Place& place : places) {
    if (place.header != npos) continue;
    lines.push_back(joined("[", place.name, "]"));
    for (std::string& line : place.added) lines.push_back(std::move(line));
  }
  lines_ = std::move(lines);
  parsed_.clear();
  parsed_.reserve(lines_.size());
  for (const std::string& line : lines_) parsed_.push_back(parse(line));
}

bool IniText::remove(std::string_view section, std::string_view key) {
  const std::size_t header = findSection(section);
  if (header == npos) return false;
  const std::size_t end = sectionEnd(header);
  // Every copy goes, so that a duplicate further down cannot take the deleted key's place.
  std::size_t kept = header + 1;
  for (std::size_t i = header + 1; i < end; ++i) {
    if (parsed_[i].kind == Kind::Key && sameName(nameOf(i), key)) continue;
    if (kept != i) {
      lines_[kept] = std::move(lines_[i]);
      parsed_[kept] = parsed_[i];
    }
    ++kept;
  }
  if (kept == end) return false;
  const auto from = static_cast<std::ptrdiff_t>(kept);
  const auto to = static_cast<std::ptrdiff_t>(end);
  lines_.erase(lines_.begin() + from, lines_.begin() + to);
  parsed_.erase(parsed_.begin() + from, parsed_.begin() + to);
  return true;
}

std::string IniText::text() const {
  return TextFile::joinLines(lines_);
}

bool IniText::canHoldKey(std::string_view key) {
  return !key.empty() && key.find('=') == npos && !hasLineBreak(key) && !hasOuterBlanks(key) &&
         key.front() != '[' && key.front() != ';';
}

bool IniText::canHoldSection(std::string_view section) {
  return !hasLineBreak(section) && !hasOuterBlanks(section);
}

bool IniText::canHoldValue(std::string_view value) {
  return !hasLineBreak(value);
}

}  // namespace twinlens
