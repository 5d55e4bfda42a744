// The conventions of a Linux command end to end: help in 80 columns that names the files, the
// environment and the exit status; refused options and arguments as usage errors; messages that name
// the real cause; a duplicate add; plans named by id, unique start of an id, or file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>

#include "CommandRunner.hpp"
#include "tools/today/output/Format.hpp"

namespace today::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string planText = R"({"name": "Office move", "rootTask": {"id": 0, "children": [
  {"id": 1, "name": "Pack", "start": "2090-06-09T09:00:00+02:00", "finish": "2090-06-13T17:00:00+02:00"}]}})";

class Conventions : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fileExists(TODAY_COMMAND)) GTEST_SKIP() << "the command is not built: " << TODAY_COMMAND;
    }
    CommandResult today(const std::vector<std::string>& arguments) const { return _runner.run(arguments); }
    std::string idOf(const CommandResult& added) const {
        const auto from = added.out.find(" as ") + 4;
        return added.out.substr(from, added.out.find(" from ") - from);
    }
    CommandRunner _runner;
};

TEST_F(Conventions, HelpFitsEightyColumnsAndNamesFilesEnvironmentAndExitStatus) {
    const std::vector<std::vector<std::string>> helps = {{"--help"},
                                                         {"show", "--help"},
                                                         {"list", "--help"},
                                                         {"add", "--help"},
                                                         {"update", "--help"},
                                                         {"remove", "--help"},
                                                         {"demo", "--help"},
                                                         {"agenda", "--help"},
                                                         {"next", "--help"},
                                                         {"bar", "--help"},
                                                         {"link", "--help"},
                                                         {"link", "project", "--help"},
                                                         {"open", "--help"},
                                                         {"help", "add"}};
    for (const auto& arguments : helps) {
        const CommandResult help = today(arguments);
        EXPECT_EQ(help.exitCode, 0) << arguments.front() << help.err;
        EXPECT_THAT(help.out, HasSubstr("Usage:")) << arguments.front();
        EXPECT_THAT(help.out, HasSubstr("Exit status: 0")) << arguments.front();
        std::istringstream lines(help.out);
        for (std::string line; std::getline(lines, line);) EXPECT_LE(cli::displayWidth(line), 80u) << line;
        if (arguments.front() != "link" && arguments.front() != "open") {
            EXPECT_THAT(help.out, HasSubstr("projects.json")) << arguments.front();
            EXPECT_THAT(help.out, HasSubstr("TODAY_GROUP_CONTAINERS")) << arguments.front();
        }
    }
    EXPECT_EQ(today({"help", "add"}).out, today({"add", "--help"}).out);
    EXPECT_EQ(today({"help", "link", "project"}).out, today({"link", "project", "--help"}).out);
    EXPECT_EQ(today({"help", "nothing"}).exitCode, 2);
    EXPECT_THAT(today({"-V"}).out, ::testing::MatchesRegex("[0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

TEST_F(Conventions, OptionsThatDoNothingAndBadGroupsAreUsageErrors) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--at", "x", "list"}, "--at does nothing for `today list`"},
        {{"--project", "A", "add", "f"}, "--project does nothing for `today add`"},
        {{"list", "--pretty"}, "--pretty does nothing without --format json"},
        {{"show", "--json", "--format", "tsv"}, "two different formats"},
        {{"show", "--color", "sometimes"}, "--color"},
        {{"show", "--no-color", "--color", "always"}, "contradict"},
        {{"list", "--group", ".."}, "\"..\" is not an application group id"},
        {{"list", "--group", ""}, "\"\" is not an application group id"},
    };
    for (const auto& [arguments, message] : refused) {
        const CommandResult result = today(arguments);
        EXPECT_EQ(result.exitCode, 2) << message;
        EXPECT_THAT(result.err, HasSubstr(message));
        EXPECT_EQ(result.out, "");
    }
    EXPECT_TRUE(_runner.containerFiles().empty());

    const CommandResult demo = today({"demo", "--group", "group.example.demo"});
    EXPECT_EQ(demo.exitCode, 0) << demo.err;
    EXPECT_THAT(demo.out, HasSubstr(" list --group group.example.demo\n"));

    // A root that cannot hold containers is named in the message.
    const std::string blocked = _runner.dir().write("blocked", "a file, not a directory");
    const CommandResult nowhere = _runner.run({"list"}, {{"TODAY_GROUP_CONTAINERS", blocked}});
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_THAT(nowhere.err, HasSubstr("has no shared container: " + blocked + " is not a directory"));
}

TEST_F(Conventions, UnreadableFilesAreToldByTheirRealCause) {
    mkdir(_runner.dir().file("folder.json").c_str(), 0700);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"", "is empty; a plan is a JSON plan (starting with \"{\") or Microsoft Project XML"},
        {" \n", "is empty (white space only)"},
        {"{} x", "trailing.json:1:4: unexpected text after the plan"},
        {std::string("\xFF\xFE{\0}\0", 6), "is UTF-16 text; a JSON plan must be UTF-8"},
        {"Name,Start\n", "starts with neither \"{\" nor \"<\""},
    };
    for (const auto& [text, message] : files) {
        const std::string path = _runner.dir().write("trailing.json", text);
        const CommandResult added = today({"add", path});
        EXPECT_EQ(added.exitCode, 1) << message;
        EXPECT_THAT(added.err, HasSubstr(message));
    }
    EXPECT_THAT(today({"add", _runner.dir().file("folder.json")}).err, HasSubstr("is a directory, not a file"));
}

TEST_F(Conventions, DuplicateAddsAreRefusedAndPlansAreNamedByIdPrefixOrFile) {
    const std::string path = _runner.dir().write("office.json", planText);
    const std::string first = idOf(today({"add", path}));
    const CommandResult again = today({"add", path});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_THAT(again.err, HasSubstr("is already listed as " + first));
    const std::string second = idOf(today({"add", "--again", path}));
    ASSERT_NE(second, first);

    // Two ids that start alike make a prefix ambiguous; the file names the first plan listed with it.
    std::size_t common = 0;
    while (first[common] == second[common]) ++common;
    if (common > 0) {
        EXPECT_EQ(today({"remove", first.substr(0, common)}).exitCode, 2);
    }
    const CommandResult byPrefix = today({"remove", second.substr(0, common + 1)});
    EXPECT_EQ(byPrefix.exitCode, 0) << byPrefix.err;
    EXPECT_THAT(byPrefix.out, HasSubstr(second));
    const CommandResult byFile = today({"remove", path});
    EXPECT_EQ(byFile.exitCode, 0) << byFile.err;
    EXPECT_THAT(byFile.out, HasSubstr(first));
    EXPECT_EQ(today({"remove", first}).exitCode, 1);
}

}  // namespace
}  // namespace today::testing
