// Any bytes as typed encoder options: split into words, written for sh and for cmd.exe, and read
// back by each interpreter's own rules, they give exactly the same words and nothing else; any
// bytes as one file name are refused or read back as themselves.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/ShellWords.h"
#include "support/ShellReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace twinlens;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const shellwords::Split split = shellwords::split(text);
  for (const Shell shell : {Shell::Posix, Shell::Cmd}) {
    const auto read = [shell](const std::string& line) {
      return shell == Shell::Posix ? test::readShWords(line) : test::readCmdWords(line);
    };
    // Split words never hold what either shell refuses.
    if (!split.fault && read(shellwords::joined(split.words, shell)) != split.words) std::abort();
    if (shellwords::unsafe(text, shell)) continue;
    const std::vector<std::string> one{std::string(text)};
    if (read(shellwords::quoted(text, shell)) != one) std::abort();
    if (read(shellwords::word(text, shell)) != one) std::abort();
  }
  return 0;
}
