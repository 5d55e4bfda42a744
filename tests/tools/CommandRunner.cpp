#include "CommandRunner.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace today::testing {

CommandRunner::CommandRunner() { std::filesystem::create_directory(containers()); }

CommandResult CommandRunner::run(const std::vector<std::string>& arguments,
                                 const std::map<std::string, std::string>& environment) const {
    return finish(start(arguments, environment, "command", true, {}));
}

CommandResult CommandRunner::runWithOutput(const std::vector<std::string>& arguments, const std::string& output) const {
    return finish(start(arguments, {}, "command", false, output));
}

std::vector<CommandResult> CommandRunner::runTogether(const std::vector<std::vector<std::string>>& argumentLists,
                                                      const std::map<std::string, std::string>& environment) const {
    std::vector<Started> started;
    for (std::size_t i = 0; i < argumentLists.size(); ++i) {
        started.push_back(start(argumentLists[i], environment, "command-" + std::to_string(i), true, {}));
    }
    std::vector<CommandResult> results;
    for (const Started& each : started) results.push_back(finish(each));
    return results;
}

CommandRunner::Started CommandRunner::start(const std::vector<std::string>& arguments,
                                            const std::map<std::string, std::string>& environment,
                                            const std::string& name, bool captureOutput,
                                            const std::string& output) const {
    std::map<std::string, std::string> variables = {
        {"TZ", "Europe/Berlin"},
        {"TODAY_GROUP_CONTAINERS", containers()},
        {"TMPDIR", _dir.path()},
        {"PATH", "/usr/bin:/bin"},
    };
    // Sanitizer settings of the test run apply to the command too.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) variables[name] = value;
    }
    for (const auto& [name, value] : environment) variables[name] = value;

    std::vector<std::string> envText;
    for (const auto& [name, value] : variables) envText.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& text : envText) envp.push_back(text.data());
    envp.push_back(nullptr);

    std::vector<std::string> argText = {TODAY_COMMAND};
    argText.insert(argText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : argText) argv.push_back(text.data());
    argv.push_back(nullptr);

    const std::string outPath = captureOutput ? _dir.file(name + ".out") : output;
    const std::string errPath = _dir.file(name + ".err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!outPath.empty())
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    else posix_spawn_file_actions_addclose(&actions, 1);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, TODAY_COMMAND, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot run " + std::string(TODAY_COMMAND));
    return {pid, captureOutput ? outPath : std::string(), errPath};
}

CommandResult CommandRunner::finish(const Started& started) {
    const pid_t pid = started.pid;
    // A command that hangs (on a named pipe, say) is killed, so that the test fails instead of waiting.
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) throw std::runtime_error("cannot wait for " + std::string(TODAY_COMMAND));
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    CommandResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = started.outPath.empty() ? "" : readText(started.outPath);
    result.err = readText(started.errPath);
    return result;
}

std::map<std::string, std::string> CommandRunner::containerFiles() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(containers())) {
        files[entry.path().string()] = entry.is_regular_file() ? readText(entry.path().string()) : "<directory>";
    }
    return files;
}

void setModificationTime(const std::string& path, double unixSeconds) {
    const double whole = std::floor(unixSeconds);
    const timespec times[2] = {{static_cast<time_t>(whole), 0},
                               {static_cast<time_t>(whole), static_cast<long>((unixSeconds - whole) * 1e9)}};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) throw std::runtime_error("cannot set the time of " + path);
}

}  // namespace today::testing
