// twinlens-cli: the conversion as the command without a name, and the measurements and the preview
// as named commands, each in a file of its own; the usage lines and --help are the parser's.
#include <CLI/CLI.hpp>
#include <array>
#include <exception>
#include <memory>

#include "base/Error.h"
#include "cli/CliApp.h"
#include "cli/Commands.h"

namespace twinlens::cli {

namespace {

struct NamedCommand {
  const char* name;
  const char* description;
  std::unique_ptr<Command> (*make)(CLI::App&);
};

constexpr std::array<NamedCommand, 4> kCommands = {{
    {"detect-offset",
     "Measures the time offset and the clock drift between two clips from their sound.",
     detectOffsetCommand},
    {"measure-geometry",
     "Measures the misalignment of a pair's views and the parallax of its scene.",
     measureGeometryCommand},
    {"preview", "Renders one frame of a clip through its conversion into a PNG picture.",
     previewCommand},
    {"colour-match",
     "Writes the colour-match tables of one clip, which the ffmpeg engine's runner makes before "
     "it encodes the clip.",
     colourMatchCommand},
}};

// Every command's parser, the conversion's at the root.
struct Parsers {
  CLI::App root{
      "Writes the AviSynth scripts, the ffmpeg batch file and the VirtualDub job lists of one "
      "conversion run, as \"Convert files\" does in the window.",
      "twinlens-cli"};
  std::unique_ptr<Command> conversion;
  std::vector<std::pair<CLI::App*, std::unique_ptr<Command>>> named;

  Parsers() {
    conversion = conversionCommand(root);
    root.set_version_flag("--version", std::string("twinlens-cli ") + TWINLENS_VERSION);
    root.require_subcommand(0, 1);
    for (const NamedCommand& command : kCommands) {
      CLI::App* app = root.add_subcommand(command.name, command.description);
      named.emplace_back(app, command.make(*app));
    }
  }

  // The command the arguments name, by their first word.
  std::pair<CLI::App*, Command*> chosen(const std::vector<std::string>& args) {
    for (auto& [app, command] : named) {
      if (!args.empty() && args.front() == app->get_name()) return {app, command.get()};
    }
    return {&root, conversion.get()};
  }
};

}  // namespace

std::string usage(const std::string& command) {
  Parsers parsers;
  if (!command.empty()) return usageLine(*parsers.chosen({command}).first);
  // The conversion's line, then each named command's, aligned under it.
  std::string text = usageLine(parsers.root);
  for (const auto& [app, ignored] : parsers.named) {
    text += "\n       " + usageLine(*app).substr(std::string("Usage: ").size());
  }
  return text;
}

std::string help(const std::string& command) {
  Parsers parsers;
  CLI::App* app = parsers.chosen({command}).first;
  return app == &parsers.root ? app->help() : app->help(parsers.root.get_name());
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsers parsers;
  const auto [app, command] = parsers.chosen(args);
  const std::string name =
      app == &parsers.root ? "twinlens-cli" : "twinlens-cli " + app->get_name();
  const std::string usageText = app == &parsers.root ? usage({}) : usageLine(*app);
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    parsers.root.parse(reversed);
    command->check();
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      return parsers.root.exit(error, out, err);  // --help and --version
    }
    err << name << ": " << error.what() << '\n' << usageText << '\n';
    return 2;
  }
  try {
    const int status = command->run(out, err);
    out.flush();
    return status;
  } catch (const UsageError& error) {
    err << name << ": " << error.message << '\n' << usageText << '\n';
    return 2;
  } catch (const Error& error) {
    out.flush();
    err << error.displayText() << '\n';
    return 1;
  } catch (const std::exception& error) {
    out.flush();
    err << name << ": " << error.what() << '\n';
    return 1;
  }
}

}  // namespace twinlens::cli
