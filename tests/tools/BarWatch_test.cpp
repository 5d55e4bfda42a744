// `today bar --watch` against real files, as a child process whose lines are read from a pipe: damaging
// the list, adding a plan, saving one by rename, removing one and making its directory again each print
// a new line, and so does a plan made again as a link or a FIFO; a file beside a plan does not; SIGTERM
// ends it with exit status 0.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "CommandRunner.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/output/Format.hpp"

namespace today::testing {
namespace {

using ::testing::HasSubstr;

// A running `today bar --watch` with its standard output on a pipe.
class Watching {
public:
    Watching(const CommandRunner& runner, const std::vector<std::string>& arguments) {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("no pipe");
        _out = fds[0];
        std::vector<std::string> envText = {"TZ=Europe/Berlin", "TODAY_GROUP_CONTAINERS=" + runner.containers(),
                                            "PATH=/usr/bin:/bin", "LANG=C.UTF-8"};
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
            if (const char* value = std::getenv(name)) envText.push_back(std::string(name) + "=" + value);
        }
        std::vector<std::string> argText = {TODAY_COMMAND};
        argText.insert(argText.end(), arguments.begin(), arguments.end());
        std::vector<char*> envp;
        std::vector<char*> argv;
        for (auto& text : envText) envp.push_back(text.data());
        for (auto& text : argText) argv.push_back(text.data());
        envp.push_back(nullptr);
        argv.push_back(nullptr);
        const std::string errPath = runner.dir().file("bar.err");  // the library's notes
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
        const int spawned = posix_spawn(&_pid, TODAY_COMMAND, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (spawned != 0) throw std::runtime_error("cannot run the command");
    }
    ~Watching() {
        if (_pid > 0) {
            ::kill(_pid, SIGKILL);
            ::waitpid(_pid, nullptr, 0);
        }
        ::close(_out);
    }

    // The next line, or "<none>" when none comes within the deadline.
    std::string nextLine(std::chrono::seconds deadline = std::chrono::seconds(10)) {
        const auto until = std::chrono::steady_clock::now() + deadline;
        for (;;) {
            if (const auto end = _buffer.find('\n'); end != std::string::npos) {
                std::string line = _buffer.substr(0, end);
                _buffer.erase(0, end + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            pollfd wait{_out, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) return "<none>";
            char chunk[4096];
            const ssize_t got = ::read(_out, chunk, sizeof chunk);
            if (got <= 0) return "<none>";
            _buffer.append(chunk, static_cast<std::size_t>(got));
        }
    }

    // Ends it with SIGTERM; its exit status.
    int terminate() {
        ::kill(_pid, SIGTERM);
        int status = 0;
        ::waitpid(_pid, &status, 0);
        _pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t _pid = -1;
    int _out = -1;
    std::string _buffer;
};

class BarWatch : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fileExists(TODAY_COMMAND)) GTEST_SKIP() << "the command is not built: " << TODAY_COMMAND;
        _host.setTimeZone("Europe/Berlin");
    }
    // A plan with one task on from an hour ago to an hour from now.
    std::string plan(const std::string& taskName) {
        const double now = _host.now().timeIntervalSinceReferenceDate();
        const auto iso = [&](double hours) { return cli::formatIso8601(Date(now + hours * 3600), _host); };
        return R"({"name": "P", "rootTask": {"id": 0, "children": [{"id": 1, "name": ")" + taskName +
               R"(", "start": ")" + iso(-1) + R"(", "finish": ")" + iso(1) + R"("}]}})";
    }
    // Writes the file beside its place and renames it there, as editors save.
    void save(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        const std::string written = _runner.dir().write("saving.tmp", text);
        std::filesystem::rename(written, path);
    }
    std::string addPlan(const std::string& path) {
        const CommandResult added = _runner.run({"add", path});
        EXPECT_EQ(added.exitCode, 0) << added.err;
        const auto from = added.out.find(" as ") + 4;
        return added.out.substr(from, added.out.find(" from ") - from);
    }

    TestHost _host;
    CommandRunner _runner;
};

TEST_F(BarWatch, PrintsALineForEachChange) {
    const std::string alpha = _runner.dir().file("a/alpha.json");
    const std::string beta = _runner.dir().file("b/beta.json");
    save(alpha, plan("Alpha one"));
    save(beta, plan("Beta one"));

    Watching bar(_runner, {"bar", "--watch", "--format", "plain"});
    EXPECT_EQ(bar.nextLine(), "No plans");

    // A list damaged while watched is an error until it goes.
    const std::string list = _runner.groupContainer() + "/projects.json";
    save(list, "[{");
    EXPECT_EQ(bar.nextLine(), "Cannot read the plans");
    std::filesystem::remove(list);
    EXPECT_EQ(bar.nextLine(), "No plans");

    const std::string alphaId = addPlan(alpha);
    EXPECT_THAT(bar.nextLine(), HasSubstr("Alpha one"));

    // A file beside the plan prints nothing; the save by rename that follows prints its own line.
    _runner.dir().write("a/notes.txt", "made");
    _runner.dir().write("a/notes.txt", "changed");
    save(alpha, plan("Alpha two"));
    EXPECT_THAT(bar.nextLine(), HasSubstr("Alpha two"));

    addPlan(beta);
    EXPECT_THAT(bar.nextLine(), HasSubstr("· 2 today"));

    EXPECT_EQ(_runner.run({"remove", alphaId}).exitCode, 0);
    const std::string onlyBeta = bar.nextLine();
    EXPECT_THAT(onlyBeta, HasSubstr("Beta one"));
    EXPECT_THAT(onlyBeta, HasSubstr("· 1 today"));

    // The plan's directory deleted and made again: the new document is read, and watched again.
    std::filesystem::remove_all(_runner.dir().file("b"));
    save(beta, plan("Beta two"));
    std::string line = bar.nextLine();
    if (line.find("Beta two") == std::string::npos) line = bar.nextLine();  // a line for the deletion first
    EXPECT_THAT(line, HasSubstr("Beta two"));
    save(beta, plan("Beta three"));
    EXPECT_THAT(bar.nextLine(), HasSubstr("Beta three"));

    EXPECT_EQ(bar.terminate(), 0);
}

// A plan removed and made again in each way a file can appear is read again; one that comes back as a
// FIFO shows as an error.
TEST_F(BarWatch, PlansThatReappearAreReadAgain) {
    const std::string path = _runner.dir().file("a/plan.json");
    save(path, plan("First"));
    addPlan(path);
    Watching bar(_runner, {"bar", "--watch", "--format", "plain"});
    EXPECT_THAT(bar.nextLine(), HasSubstr("First"));

    struct Case {
        std::string way;
        std::function<void(const std::string& from)> make;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"hard link", [&](const std::string& from) { std::filesystem::create_hard_link(from, path); }, "Linked"},
        {"symbolic link", [&](const std::string& from) { std::filesystem::create_symlink(from, path); }, "Symlinked"},
        {"rename", [&](const std::string& from) { std::filesystem::rename(from, path); }, "Renamed"},
        {"FIFO", [&](const std::string&) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "Cannot read the plans"},
    };
    for (const Case& each : cases) {
        // Written outside the plan's directory, so that only the plan's reappearance can be seen.
        const std::string from = _runner.dir().write(each.way + ".json", plan(each.shown));
        // The plan spoilt, then gone (shown from its snapshot): a line each, so that the bar has seen both
        // before the plan comes back.
        save(path, "{");
        EXPECT_EQ(bar.nextLine(), "Cannot read the plans") << each.way;
        std::filesystem::remove(path);
        EXPECT_NE(bar.nextLine(), "<none>") << each.way;
        each.make(from);
        EXPECT_THAT(bar.nextLine(), HasSubstr(each.shown)) << each.way;
    }
    EXPECT_EQ(bar.terminate(), 0);
}

}  // namespace
}  // namespace today::testing
