// Runs the built `today` command as a child process in a temporary group container, with a fixed time
// zone, and captures its exit code and output.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/TestHost.hpp"

namespace today::testing {

struct CommandResult {
    int exitCode = -1;  // -1 when the command did not exit normally
    std::string out;
    std::string err;
};

class CommandRunner {
public:
    CommandRunner();

    // Runs `today` with the arguments; `environment` adds to or replaces the standard variables
    // (TZ=Europe/Berlin, TODAY_GROUP_CONTAINERS=<containers()>, TMPDIR=<the temporary directory>).
    CommandResult run(const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment = {}) const;
    // The same with standard output sent to `output` ("/dev/full", say) instead of captured, or closed
    // when `output` is empty. A command that does not end within two minutes is killed (exit code -1).
    CommandResult runWithOutput(const std::vector<std::string>& arguments, const std::string& output) const;
    // Starts one command for each argument list, all at once, then waits for every one of them.
    std::vector<CommandResult> runTogether(const std::vector<std::vector<std::string>>& argumentLists,
                                           const std::map<std::string, std::string>& environment = {}) const;

    const TempDir& dir() const { return _dir; }
    // The root of the group containers and the default group's container.
    std::string containers() const { return _dir.file("containers"); }
    std::string groupContainer() const { return containers() + "/group.com.orvane.project"; }

    // Every file below the containers with its content, to tell whether anything changed.
    std::map<std::string, std::string> containerFiles() const;

private:
    struct Started {
        int pid;
        std::string outPath;  // empty when standard output is not captured
        std::string errPath;
    };
    // Standard output goes to "<name>.out" when captured, else to `output` (closed when empty).
    Started start(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
                  const std::string& name, bool captureOutput, const std::string& output) const;
    static CommandResult finish(const Started& started);

    TempDir _dir;
};

// Sets a file's modification time, in seconds since 1970.
void setModificationTime(const std::string& path, double unixSeconds);

// A test of the built command in a container of its own; skipped when the command is not built.
class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fileExists(TODAY_COMMAND)) GTEST_SKIP() << "the command is not built: " << TODAY_COMMAND;
    }
    CommandResult today(const std::vector<std::string>& arguments,
                        const std::map<std::string, std::string>& environment = {}) const {
        return runner.run(arguments, environment);
    }
    // Writes a file below the temporary directory, modified at `modified` (seconds since 1970).
    std::string write(const std::string& name, const std::string& text, double modified = 2e9) const {
        const std::string path = runner.dir().write(name, text);
        setModificationTime(path, modified);
        return path;
    }
    // Adds the file and returns the id that `add` printed.
    std::string add(const std::string& path, const std::vector<std::string>& more = {}) const {
        std::vector<std::string> arguments = {"add", path};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return idOf(today(arguments));
    }
    static std::string idOf(const CommandResult& added) {
        EXPECT_EQ(added.exitCode, 0) << added.err;
        const auto from = added.out.find(" as ");
        const auto to = added.out.find(" from ");
        return from < to && to != std::string::npos ? added.out.substr(from + 4, to - from - 4) : "";
    }

    CommandRunner runner;
};

}  // namespace today::testing
