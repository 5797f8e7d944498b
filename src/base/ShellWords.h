#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace twinlens {

// The command interpreter a generated command line is read by: a POSIX `sh` script, or a batch
// file that cmd.exe runs (whose programs take their arguments apart as the C runtime does).
enum class Shell { Posix, Cmd };

// Typed options split into arguments, and arguments written so that the interpreter hands each to
// its program exactly as it is: no character of a text can end a command or start another.
namespace shellwords {

// What in a text cannot be carried, and where (counted from 1).
struct Fault {
  std::string what;  // "a line break", "a double quote that is not closed"
  std::size_t at = 0;
};

// A text split into the arguments it stands for: blanks (spaces and tabs) separate them, double
// quotes group (`-metadata title="My film"` is one argument, `title=My film`), every other
// character is taken as it stands. `fault` tells a text that stands for no arguments: a double
// quote that is not closed, a line break or another control character.
struct Split {
  std::vector<std::string> words;
  std::optional<Fault> fault;
};
Split split(std::string_view text);

// Why `word` cannot be one argument of a command line for `shell`: a line break or another
// control character (either shell), a double quote (cmd.exe cannot take one inside a quoted
// argument). Nothing when it can.
std::optional<Fault> unsafe(std::string_view word, Shell shell);

// `word` always quoted: in single quotes for sh; for cmd.exe in double quotes with "%" doubled
// (a batch file expands it even there) and the backslashes before the closing quote doubled (the
// C runtime would read them as escaping it). Raises Error for a word unsafe() refuses.
std::string quoted(std::string_view word, Shell shell);

// `word` as it stands when it holds only characters no interpreter reads (letters, digits and
// `-_:=.,+/`), else quoted().
std::string word(std::string_view word, Shell shell);

// The words, each as word() writes it, joined by single blanks.
std::string joined(const std::vector<std::string>& words, Shell shell);

}  // namespace shellwords
}  // namespace twinlens
