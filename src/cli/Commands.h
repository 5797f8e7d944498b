#pragma once

#include <CLI/CLI.hpp>
#include <memory>

#include "cli/CommandLine.h"

namespace twinlens::cli {

// Each command adds its options to its app and returns what carries it out.
std::unique_ptr<Command> conversionCommand(CLI::App& app);  // the command without a name
std::unique_ptr<Command> detectOffsetCommand(CLI::App& app);
std::unique_ptr<Command> measureGeometryCommand(CLI::App& app);
std::unique_ptr<Command> colourMatchCommand(CLI::App& app);
std::unique_ptr<Command> previewCommand(CLI::App& app);

}  // namespace twinlens::cli
