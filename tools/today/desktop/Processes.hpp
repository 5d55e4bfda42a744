// Running other programs without a shell: one that the command waits for (xdg-mime), and one that it
// hands a file to and leaves running (the user's default application).
#pragma once

#include <string>
#include <system_error>
#include <vector>

namespace today::cli {

// How a program that the command waited for ended.
struct ProgramRun {
    std::error_code startError;  // why it could not be started (no_such_file_or_directory: not found)
    int exitStatus = -1;         // its exit status; -1 when it was not started or ended by a signal
    bool succeeded() const { return !startError && exitStatus == 0; }
};

// Runs `arguments[0]` (looked up in PATH) with the arguments and waits for it to end.
ProgramRun runProgram(const std::vector<std::string>& arguments);

// Starts `arguments[0]` (looked up in PATH) with standard input from /dev/null, in a session of its own,
// and does not wait for it: a grandchild that the system adopts, so no zombie is left behind. Waits
// only until the program has been started; the error says why it could not be.
std::error_code launchProgram(const std::vector<std::string>& arguments);

}  // namespace today::cli
