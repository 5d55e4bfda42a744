// The entry of the `today` command: parses the command line and runs the subcommand.
#pragma once

namespace today::cli {

// Runs the command; the result is the process's exit code (0 success, 1 failure, 2 usage).
int runCommand(int argc, char** argv);

}  // namespace today::cli
