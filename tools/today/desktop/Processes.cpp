// Running other programs with posix_spawnp: waited for, or left running as an adopted grandchild.
#include "tools/today/desktop/Processes.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace today::cli {

namespace {

std::vector<char*> argumentVector(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// posix_spawnp with standard input from /dev/null when asked; 0 or the errno value.
int spawn(const std::vector<std::string>& arguments, bool inputFromNull, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    if (const int error = posix_spawn_file_actions_init(&actions); error != 0) return error;
    int error = 0;
    if (inputFromNull) error = posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    auto argv = argumentVector(arguments);
    if (error == 0) error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// The exit status of a child, waiting for it; -1 when a signal ended it.
int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProgramRun runProgram(const std::vector<std::string>& arguments) {
    ProgramRun run;
    if (arguments.empty()) {
        run.startError = std::make_error_code(std::errc::invalid_argument);
        return run;
    }
    pid_t pid = 0;
    if (const int error = spawn(arguments, false, pid); error != 0) {
        run.startError = std::error_code(error, std::generic_category());
        return run;
    }
    run.exitStatus = waitFor(pid);
    return run;
}

std::error_code launchProgram(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return std::make_error_code(std::errc::invalid_argument);
    // A short-lived child starts the program and ends at once with the outcome as its exit status; the
    // program, orphaned, is adopted by the system, which reaps it whenever it ends.
    const pid_t child = ::fork();
    if (child < 0) return {errno, std::generic_category()};
    if (child == 0) {
        ::setsid();
        pid_t program = 0;
        const int error = spawn(arguments, true, program);
        ::_exit(error > 0 && error < 256 ? error : (error == 0 ? 0 : EINVAL));
    }
    const int outcome = waitFor(child);
    if (outcome < 0) return std::make_error_code(std::errc::interrupted);
    return outcome == 0 ? std::error_code() : std::error_code(outcome, std::generic_category());
}

}  // namespace today::cli
