// The `today` command with a Microsoft Project XML plan, run as a separate process in a temporary group
// container, in UTC.

#include <gtest/gtest.h>
#include <simdjson.h>

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "CommandRunner.hpp"

namespace today::testing {
namespace {

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
           std::to_string(level) + "</OutlineLevel><Start>" + start + "</Start><Finish>" + finish + "</Finish>" + more +
           "</Task>";
}

std::string_view text(simdjson::dom::element element, const char* key) { return element[key].get_string().value(); }

TEST(MspdiCommand, ShowsTodaysTasksOfAPlanAroundNow) {
    if (!fileExists(TODAY_COMMAND)) GTEST_SKIP() << "the command is not built: " << TODAY_COMMAND;
    const CommandRunner runner;
    const std::map<std::string, std::string> utc = {{"TZ", "UTC"}};
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
    const CommandResult added = runner.run({"add", runner.dir().write("around now.xml", plan)}, utc);
    ASSERT_EQ(added.exitCode, 0) << added.out << added.err;
    const CommandResult shown = runner.run({"show", "--at", today + "T13:00:00", "--json"}, utc);
    ASSERT_EQ(shown.exitCode, 0) << shown.out << shown.err;

    simdjson::dom::parser parser;
    simdjson::dom::array projects = parser.parse(shown.out)["plans"].get_array().value();
    ASSERT_EQ(projects.size(), 1U);
    const simdjson::dom::element project = projects.at(0).value();
    EXPECT_EQ(text(project, "name"), "Around now");
    EXPECT_EQ(text(project, "start"), yesterday + "T08:00:00Z");
    simdjson::dom::array tasks = project["tasks"].get_array().value();
    ASSERT_EQ(tasks.size(), 2U) << shown.out;
    const simdjson::dom::element running = tasks.at(0).value();
    EXPECT_EQ(text(running, "name"), "Caf\xC3\xA9 running");
    EXPECT_EQ(running["completedPercent"].get_int64().value(), 30);
    EXPECT_EQ(text(running, "projectTaskId"), "1");  // under the inserted subproject
    EXPECT_FALSE(running["isMilestone"].get_bool().value());
    const simdjson::dom::element gate = tasks.at(1).value();
    EXPECT_EQ(text(gate, "name"), "Gate");
    EXPECT_TRUE(gate["isMilestone"].get_bool().value());
    EXPECT_EQ(text(gate, "start"), today + "T12:00:00Z");  // a milestone is on during the day before it
}

// Values the library cannot show truthfully are refused with their place: a completion outside 0...100,
// and a reference to U+0000, which XML does not allow and which would cut a name short.
TEST(MspdiCommand, RefusesCompletionOutOfRangeAndNulReferences) {
    if (!fileExists(TODAY_COMMAND)) GTEST_SKIP() << "the command is not built: " << TODAY_COMMAND;
    const CommandRunner runner;
    const std::string later = utcDay(3);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<PercentComplete>150</PercentComplete>", ":3:"},
        {"<PercentComplete>-9223372036854775808</PercentComplete>", ":3:"},
        {"<Notes x=\"&#x000;\"/>", ":3:"},
    };
    for (const auto& [more, place] : cases) {
        const std::string plan = "<Project xmlns=\"http://schemas.microsoft.com/project\">\n<Tasks>\n" +
                                 task(1, 1, "Pour", later + "T08:00:00", later + "T17:00:00", more) +
                                 "\n</Tasks></Project>\n";
        const CommandResult added = runner.run({"add", runner.dir().write("plan.xml", plan)});
        EXPECT_EQ(added.exitCode, 1) << more;
        EXPECT_NE(added.err.find("plan.xml" + place), std::string::npos) << added.err;
    }
    const std::string cut =
        "<Project xmlns=\"http://schemas.microsoft.com/project\"><Name>Plan&#0; hidden</Name></Project>";
    const CommandResult added = runner.run({"add", runner.dir().write("cut.xml", cut)});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_NE(added.err.find("cut.xml:1:61: not well-formed XML: a character reference to U+0000"), std::string::npos)
        << added.err;
    EXPECT_NE(runner
                  .run({"add", runner.dir().write("fine.xml",
                                                  "<Project xmlns=\"http://schemas.microsoft.com/project\">"
                                                  "<Name>Plan&#10;&#x20;&#100;</Name></Project>")})
                  .exitCode,
              1);
}

}  // namespace
}  // namespace today::testing
