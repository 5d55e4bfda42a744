// The manual page renders without a warning, and each shell completion is read by its shell (a shell
// that is not installed is skipped); the bash completion offers the listed plans' ids.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CommandRunner.hpp"

namespace today::testing {
namespace {

const std::string share = TODAY_SHARE_DIR;

struct ShellRun {
    int status;
    std::string output;  // standard output and standard error together
};

ShellRun shell(const std::string& command) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return {-1, {}};
    std::string output;
    for (int c; (c = std::fgetc(pipe)) != EOF;) output += static_cast<char>(c);
    return {pclose(pipe), output};
}

bool installed(const std::string& program) { return shell("command -v " + program).status == 0; }

TEST(ShellFiles, TheManualPageRendersWithoutWarnings) {
    if (!installed("groff")) GTEST_SKIP() << "groff is not installed";
    const ShellRun rendered = shell("groff -ww -man -Tutf8 " + share + "/today.1 >/dev/null");
    EXPECT_EQ(rendered.status, 0);
    EXPECT_EQ(rendered.output, "");
}

TEST(ShellFiles, EachCompletionIsReadByItsShell) {
    const std::vector<std::pair<std::string, std::string>> checks = {
        {"bash", "bash -n " + share + "/completions/today.bash"},
        {"zsh", "zsh -n " + share + "/completions/_today"},
        {"fish", "fish --no-execute " + share + "/completions/today.fish"},
    };
    std::string missing;
    for (const auto& [program, check] : checks) {
        if (!installed(program)) {
            missing += " " + program;
            continue;
        }
        const ShellRun checked = shell(check);
        EXPECT_EQ(checked.status, 0) << program << ": " << checked.output;
        EXPECT_EQ(checked.output, "") << program;
    }
    if (!missing.empty()) GTEST_SKIP() << "not installed:" << missing;
}

TEST(ShellFiles, BashCompletesPlanIdsFromTheList) {
    const std::string library = "/usr/share/bash-completion/bash_completion";
    if (!fileExists(TODAY_COMMAND) || !fileExists(library)) GTEST_SKIP() << "no command or no bash-completion";
    const CommandRunner runner;
    const CommandResult added = runner.run(
        {"add", runner.dir().write("plan.json", R"({"name": "P", "rootTask": {"id": 0}})"), "--group", "g.x"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    const std::string id = added.out.substr(added.out.find(" as ") + 4, 36);
    const ShellRun completed =
        shell("TODAY_GROUP_CONTAINERS=" + runner.containers() + " bash -c 'source " + library + "; source " + share +
              "/completions/today.bash; COMP_WORDS=(" + TODAY_COMMAND +
              " remove --group g.x \"\"); COMP_CWORD=4; _today; printf \"%s\\n\" \"${COMPREPLY[@]}\"'");
    EXPECT_THAT(completed.output, ::testing::StartsWith(id + "\n"));
}

}  // namespace
}  // namespace today::testing
