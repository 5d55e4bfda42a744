// The command line of `today`: its subcommands, their options and their help, fitted to 80 columns.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

#include "tools/today/Options.hpp"

namespace today::cli {

// Defines every subcommand and option on `app`, each writing into `options`.
void defineCommandLine(CLI::App& app, Options& options);

// The subcommand that the parsed command line runs ("show" without one; "link project" for a link), or
// an empty name after saying on standard error why the command line is refused: an option given where
// it does nothing.
std::string chosenCommand(const CLI::App& app, const Options& options);

// The help of a subcommand named as `today help` names it ("link project" included), or none.
std::optional<std::string> helpOf(const CLI::App& app, const std::vector<std::string>& command);

}  // namespace today::cli
