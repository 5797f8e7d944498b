#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace twinlens::cli {

// twinlens-cli: one "Convert files" run without a window. `args` are the command-line
// arguments after the program's name. Events go to `out` one line each ("wrote<TAB>path",
// "launch<TAB>file<TAB>parameters<TAB>working folder"), messages to `err`. Returns the exit
// status: 0 done, 1 the run (or loading or saving the settings) failed, 2 a usage error.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// What the parser tells of a command ("detect-offset"; the conversion when empty): its usage
// line (for the conversion, every command's), and its --help.
std::string usage(const std::string& command = {});
std::string help(const std::string& command = {});

}  // namespace twinlens::cli
