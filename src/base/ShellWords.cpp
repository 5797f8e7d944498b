#include "base/ShellWords.h"

#include "base/Error.h"

namespace twinlens::shellwords {

namespace {

bool lineBreak(char c) {
  return c == '\n' || c == '\r';
}

// Control characters, the tab aside (a blank between options, a character of a name).
bool control(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte < 0x20 && c != '\t') || byte == 0x7f;
}

Fault controlFault(char c, std::size_t at) {
  if (lineBreak(c)) return {"a line break", at};
  return {"a control character (code " + std::to_string(static_cast<unsigned char>(c)) + ")", at};
}

bool plain(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("-_:=.,+/").find(c) != std::string_view::npos;
}

}  // namespace

Split split(std::string_view text) {
  Split result;
  std::string current;
  bool inWord = false;
  bool inQuotes = false;
  std::size_t opened = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (control(c)) {
      result.fault = controlFault(c, i + 1);
      return result;
    }
    if (c == '"') {
      inQuotes = !inQuotes;
      opened = i + 1;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (inWord) result.words.push_back(std::move(current));
      current.clear();
      inWord = false;
    } else {
      current.push_back(c);
      inWord = true;
    }
  }
  if (inQuotes) {
    result.fault = Fault{"a double quote that is not closed", opened};
    return result;
  }
  if (inWord) result.words.push_back(std::move(current));
  return result;
}

std::optional<Fault> unsafe(std::string_view word, Shell shell) {
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (control(word[i])) return controlFault(word[i], i + 1);
    if (word[i] == '"' && shell == Shell::Cmd) return Fault{"a double quote", i + 1};
  }
  return std::nullopt;
}

std::string quoted(std::string_view word, Shell shell) {
  if (const auto fault = unsafe(word, shell)) {
    throw Error("\"" + std::string(word) + "\" cannot be written on a command line: it holds " +
                fault->what);
  }
  if (shell == Shell::Posix) {
    // Single quotes keep every character from the shell; a single quote ends them, is written
    // escaped and opens them again.
    std::string text = "'";
    for (const char c : word) {
      if (c == '\'') {
        text += "'\\''";
      } else {
        text.push_back(c);
      }
    }
    return text + "'";
  }
  std::string text = "\"";
  std::size_t backslashes = 0;
  for (const char c : word) {
    backslashes = c == '\\' ? backslashes + 1 : 0;
    text.push_back(c);
    if (c == '%') text.push_back('%');
  }
  text.append(backslashes, '\\');
  return text + "\"";
}

std::string word(std::string_view word, Shell shell) {
  if (!word.empty()) {
    bool bare = true;
    for (const char c : word) bare = bare && plain(c);
    if (bare) return std::string(word);
  }
  return quoted(word, shell);
}

std::string joined(const std::vector<std::string>& words, Shell shell) {
  std::string line;
  for (const std::string& each : words) {
    if (!line.empty()) line.push_back(' ');
    line += word(each, shell);
  }
  return line;
}

}  // namespace twinlens::shellwords
