// The `today` command with a Microsoft Project XML plan, run as a separate process in a temporary group
// container, in UTC.

#include <gtest/gtest.h>

#include <ctime>
#include <nlohmann/json.hpp>
#include <string>

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

using nlohmann::json;
using MspdiCommand = CommandTest;

TEST_F(MspdiCommand, ShowsTodaysTasksOfAPlanAroundNow) {
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

    const json plans = json::parse(shown.out)["plans"];
    ASSERT_EQ(plans.size(), 1U);
    EXPECT_EQ(plans[0]["name"], "Around now");
    EXPECT_EQ(plans[0]["start"], yesterday + "T08:00:00Z");
    const json& tasks = plans[0]["tasks"];
    ASSERT_EQ(tasks.size(), 2U) << shown.out;
    EXPECT_EQ(tasks[0]["name"], "Caf\xC3\xA9 running");
    EXPECT_EQ(tasks[0]["completedPercent"], 30);
    EXPECT_EQ(tasks[0]["projectTaskId"], "1");  // under the inserted subproject
    EXPECT_EQ(tasks[0]["isMilestone"], false);
    EXPECT_EQ(tasks[1]["name"], "Gate");
    EXPECT_EQ(tasks[1]["isMilestone"], true);
    EXPECT_EQ(tasks[1]["start"], today + "T12:00:00Z");  // a milestone is on during the day before it
}

}  // namespace
}  // namespace today::testing
