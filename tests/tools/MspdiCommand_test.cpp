// The `today` command with Microsoft Project XML plans, run as a separate process in a temporary group
// container with a fixed time zone.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <simdjson.h>
#include <sys/wait.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "support/TestHost.hpp"

namespace {

using ::testing::HasSubstr;
using today::testing::fileExists;
using today::testing::readText;
using today::testing::TempDir;

struct CommandRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

class MspdiCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fileExists(TODAY_COMMAND)) {
            GTEST_SKIP() << "the command is not built: " << TODAY_COMMAND;
        }
    }

    CommandRun run(const std::string& arguments, const std::string& timeZone = "UTC") const {
        const std::string out = _dir.file("stdout.txt");
        const std::string err = _dir.file("stderr.txt");
        const std::string line = "TZ=" + quoted(timeZone) + " TODAY_GROUP_CONTAINERS=" + quoted(_dir.file("containers")) + " " +
                                 quoted(TODAY_COMMAND) + " " + arguments + " >" + quoted(out) + " 2>" + quoted(err);
        const int status = std::system(line.c_str());
        CommandRun result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readText(out);
        result.err = readText(err);
        return result;
    }

    TempDir _dir;
};

// "YYYY-MM-DD" of the UTC day `days` away from today.
std::string utcDay(int days) {
    const std::time_t when = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
    std::tm tm{};
    gmtime_r(&when, &tm);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
    return text;
}

std::string task(int uid, int level, const std::string& name, const std::string& start, const std::string& finish,
                 const std::string& more = "") {
    return "<Task><UID>" + std::to_string(uid) + "</UID><Name>" + name + "</Name><OutlineLevel>" +
           std::to_string(level) + "</OutlineLevel><Start>" + start + "</Start><Finish>" + finish + "</Finish>" +
           more + "</Task>";
}

// The one project that `show --json` printed.
simdjson::dom::element onlyProject(simdjson::dom::parser& parser, const std::string& json) {
    simdjson::dom::array projects = parser.parse(json)["projects"].get_array().value();
    EXPECT_EQ(projects.size(), 1U);
    return projects.at(0).value();
}

std::string_view text(simdjson::dom::element element, const char* key) { return element[key].get_string().value(); }

TEST_F(MspdiCommand, AddsASampleFileAndShowsItsProjectInLocalTime) {
    const std::string sample = TODAY_TESTDATA_DIR "/mspdi/msproject2010_Sample1.xml";
    const CommandRun added = run("add " + quoted(sample), "JST-9");
    EXPECT_EQ(added.exitCode, 0) << added.out << added.err;

    const CommandRun shown = run("show --at 2023-08-01 --json", "JST-9");
    ASSERT_EQ(shown.exitCode, 0) << shown.out << shown.err;
    simdjson::dom::parser parser;
    const simdjson::dom::element project = onlyProject(parser, shown.out);
    EXPECT_EQ(text(project, "name"), "Sample1.xml");
    EXPECT_EQ(text(project, "start"), "2023-07-28T08:00:00+09:00");
    EXPECT_EQ(text(project, "finish"), "2023-08-22T17:00:00+09:00");
    // Every task finished long before the plan was added, so none is kept.
    EXPECT_EQ(project["tasks"].get_array().size(), 0U);
}

TEST_F(MspdiCommand, ShowsTodaysTasksOfAPlanAroundNow) {
    const std::string yesterday = utcDay(-1), today = utcDay(0), tomorrow = utcDay(1), later = utcDay(3);
    const std::string plan =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<Project xmlns=\"http://schemas.microsoft.com/project\">\r\n<Title>Around now</Title><Tasks>\r\n" +
        task(0, 0, "", yesterday + "T08:00:00", later + "T17:00:00") +
        task(1, 1, "Build", yesterday + "T08:00:00", later + "T17:00:00", "<IsSubproject>1</IsSubproject>") +
        task(2, 2, "Caf\xC3\xA9 running", yesterday + "T08:00:00", tomorrow + "T17:00:00",
             "<PercentComplete>30</PercentComplete>") +
        task(3, 2, "Starts later", later + "T08:00:00", later + "T17:00:00") +
        task(4, 1, "Gate", tomorrow + "T12:00:00", tomorrow + "T12:00:00", "<Milestone>1</Milestone>") +
        task(5, 1, "Shelved", yesterday + "T08:00:00", tomorrow + "T17:00:00", "<Active>0</Active>") +
        "<Task><UID>6</UID><IsNull>1</IsNull></Task>\r\n</Tasks></Project>\r\n";
    const std::string path = _dir.write("around now.xml", plan);

    const CommandRun added = run("add " + quoted(path));
    ASSERT_EQ(added.exitCode, 0) << added.out << added.err;
    const CommandRun shown = run("show --at " + today + "T13:00:00 --json");
    ASSERT_EQ(shown.exitCode, 0) << shown.out << shown.err;

    simdjson::dom::parser parser;
    const simdjson::dom::element project = onlyProject(parser, shown.out);
    EXPECT_EQ(text(project, "name"), "Around now");
    EXPECT_EQ(text(project, "start"), yesterday + "T08:00:00Z");
    simdjson::dom::array tasks = project["tasks"].get_array().value();
    ASSERT_EQ(tasks.size(), 2U) << shown.out;
    const simdjson::dom::element running = tasks.at(0).value();
    EXPECT_EQ(text(running, "name"), "Caf\xC3\xA9 running");
    EXPECT_EQ(running["completed"].get_int64().value(), 30);
    EXPECT_EQ(running["directProjectTaskId"].get_int64().value(), 1);  // under the inserted subproject
    EXPECT_FALSE(running["isMilestone"].get_bool().value());
    const simdjson::dom::element gate = tasks.at(1).value();
    EXPECT_EQ(text(gate, "name"), "Gate");
    EXPECT_TRUE(gate["isMilestone"].get_bool().value());
    EXPECT_EQ(text(gate, "start"), today + "T12:00:00Z");  // a milestone is on during the day before it
}

TEST_F(MspdiCommand, MalformedPlanFailsWithTheFileNamedAndNothingStored) {
    const std::string path = _dir.write("broken.xml", "<Project xmlns=\"http://schemas.microsoft.com/project\">\n"
                                                      "<Tasks><Task></Tasks></Project>\n");
    const CommandRun added = run("add " + quoted(path));
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_THAT(added.err, HasSubstr("broken.xml:2:"));
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(_dir.file("containers"), error)) {
        EXPECT_NE(entry.path().filename(), "projects.json") << entry.path();
    }
}

}  // namespace
