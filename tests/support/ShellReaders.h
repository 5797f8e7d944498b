#pragma once

// Readers of command-line words as each interpreter takes them apart, written from the rules
// themselves rather than from the program's writer: what they give back is what the program run
// would receive. Each gives nothing where the text would do more than hand over words (run
// another command, expand a variable, redirect, glob).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace twinlens::test {

// POSIX sh (XCU 2.2, 2.6): blanks separate; single quotes keep everything; double quotes keep
// everything but "$", "`" and "\"; a backslash outside quotes takes the next character.
inline std::optional<std::vector<std::string>> readShWords(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
      continue;
    }
    if (c == '\'') {
      const std::size_t end = line.find('\'', i + 1);
      if (end == std::string_view::npos) return std::nullopt;
      word.append(line.substr(i + 1, end - i - 1));
      i = end;
      inWord = true;
      continue;
    }
    if (c == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) return std::nullopt;
        const char d = line[i];
        if (d == '"') break;
        if (d == '$' || d == '`') return std::nullopt;  // an expansion
        if (d == '\\' && i + 1 < line.size() &&
            std::string_view("$`\"\\").find(line[i + 1]) != std::string_view::npos) {
          word.push_back(line[++i]);
          continue;
        }
        if (d == '\\' && i + 1 < line.size() && line[i + 1] == '\n') return std::nullopt;
        word.push_back(d);
      }
      inWord = true;
      continue;
    }
    if (c == '\\') {
      if (i + 1 >= line.size() || line[i + 1] == '\n') return std::nullopt;
      word.push_back(line[++i]);
      inWord = true;
      continue;
    }
    // Operators, expansions, globs, a comment or a home folder where a word starts.
    if (std::string_view("|&;<>()$`*?[\n").find(c) != std::string_view::npos) return std::nullopt;
    if (!inWord && (c == '#' || c == '~')) return std::nullopt;
    word.push_back(c);
    inWord = true;
  }
  if (inWord) words.push_back(word);
  return words;
}

// A line of a batch file as cmd.exe runs an external program from it: first the percent signs
// ("%%" is one, any other starts an expansion), then the quotes ("^" escapes outside them, and
// "&|<>()" there end the command or redirect), then the program's C runtime takes the rest apart
// (blanks separate outside quotes; 2n backslashes before a quote are n and the quote counts, 2n+1
// are n and a literal quote; "" inside quotes is a literal quote).
inline std::optional<std::vector<std::string>> readCmdWords(std::string_view line) {
  std::string expanded;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\r' || line[i] == '\n') return std::nullopt;
    if (line[i] != '%') {
      expanded.push_back(line[i]);
      continue;
    }
    if (i + 1 < line.size() && line[i + 1] == '%') {
      expanded.push_back('%');
      ++i;
      continue;
    }
    return std::nullopt;
  }
  std::string tail;
  bool quoted = false;
  for (std::size_t i = 0; i < expanded.size(); ++i) {
    const char c = expanded[i];
    if (c == '"') quoted = !quoted;
    if (!quoted && c == '^') {
      if (i + 1 >= expanded.size()) return std::nullopt;
      tail.push_back(expanded[++i]);
      continue;
    }
    if (!quoted && std::string_view("&|<>()").find(c) != std::string_view::npos) {
      return std::nullopt;
    }
    tail.push_back(c);
  }
  std::vector<std::string> words;
  std::size_t i = 0;
  while (true) {
    while (i < tail.size() && (tail[i] == ' ' || tail[i] == '\t')) ++i;
    if (i >= tail.size()) break;
    std::string word;
    bool inQuotes = false;
    while (i < tail.size()) {
      std::size_t backslashes = 0;
      while (i < tail.size() && tail[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < tail.size() && tail[i] == '"') {
        word.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          word.push_back('"');
        } else if (inQuotes && i + 1 < tail.size() && tail[i + 1] == '"') {
          word.push_back('"');
          ++i;
        } else {
          inQuotes = !inQuotes;
        }
        ++i;
        continue;
      }
      word.append(backslashes, '\\');
      if (i >= tail.size()) break;
      if (!inQuotes && (tail[i] == ' ' || tail[i] == '\t')) break;
      word.push_back(tail[i++]);
    }
    words.push_back(word);
  }
  return words;
}

}  // namespace twinlens::test
