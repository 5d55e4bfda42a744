// Days and ranges end to end: today's whole day, the days of an agenda across changes of the clocks in
// two zones, the next task to start, and plans whose documents moved or went.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "CommandRunner.hpp"
#include "tools/today/dates/Calendar.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/output/Format.hpp"

namespace today::testing {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;

std::string task(int id, const std::string& name, const std::string& start, const std::string& finish) {
    return R"({"id": )" + std::to_string(id) + R"(, "name": ")" + name + R"(", "start": ")" + start +
           R"(", "finish": ")" + finish + R"("})";
}

std::string planOf(const std::string& name, const std::vector<std::string>& tasks) {
    std::string children;
    for (const auto& each : tasks) children += (children.empty() ? "" : ",") + each;
    return R"({"name": ")" + name + R"(", "rootTask": {"id": 0, "children": [)" + children + "]}}";
}

using Agenda = CommandTest;

// Tasks early and late today are all shown, whatever the time of day the command runs.
TEST_F(Agenda, TodayIsTheWholeLocalDay) {
    testing::TestHost host;  // the zone the command runs in
    host.setTimeZone("Europe/Berlin");
    const ScopedHost scoped(host);
    // Local clock times of today (hours past 24: of tomorrow), right also on a day of 23 or 25 hours.
    const LocalTime today0 = *host.localTime(host.now());
    const auto at = [&](double hours) {
        LocalTime local = today0;
        local.day += static_cast<int>(hours) / 24;
        local.hour = static_cast<int>(hours) % 24;
        local.minute = static_cast<int>((hours - static_cast<int>(hours)) * 60);
        local.second = 0;
        return cli::formatIso8601(*cli::dateOfLocalTime(local, host), host);
    };
    add(write("day.json", planOf("Day", {task(1, "Standup", at(9), at(9.5)), task(2, "Review", at(15), at(16)),
                                         task(3, "Tomorrow", at(24), at(25))})));
    const CommandResult shown = today({});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_THAT(shown.out, HasSubstr("Standup  09:00–09:30"));
    EXPECT_THAT(shown.out, HasSubstr("Review   15:00–16:00"));
    EXPECT_THAT(shown.out, Not(HasSubstr("Tomorrow")));
    EXPECT_EQ(today({"show"}).out, shown.out);
    const json document = json::parse(today({"--json"}).out);
    EXPECT_EQ(document["from"], at(0));
    EXPECT_EQ(document["plans"][0]["tasks"].size(), 2u);

    // A day by name: tomorrow's whole day, an instant in it given as two words, and an agenda from the
    // coming Monday (today when it is one).
    EXPECT_THAT(today({"tomorrow"}).out, HasSubstr("Tomorrow  00:00–01:00"));
    EXPECT_EQ(json::parse(today({"show", "tomorrow", "0:30", "--json"}).out)["from"], at(24.5));
    const std::int64_t day = cli::localDayNumber(host.now(), host);
    const std::int64_t monday = day + (8 - cli::weekdayFromDays(day)) % 7;
    const json agenda = json::parse(today({"agenda", "monday", "--days", "3", "--json"}).out);
    ASSERT_EQ(agenda["days"].size(), 3u);
    EXPECT_EQ(agenda["days"][0]["from"], cli::formatIso8601(*cli::startOfCivilDay(monday, host), host));
}

// Each day runs from one local midnight to the next: 23 hours on the day the clocks go forward, 25 on
// the day they go back; a task over the whole range is on each of its days.
TEST_F(Agenda, DaysFollowTheLocalCalendarAcrossClockChanges) {
    struct Case {
        std::string zone;
        std::string first;  // the day before a change
        std::string last;
        std::vector<int> hours;  // of each day
    };
    const std::vector<Case> cases = {{"Europe/Berlin", "2090-03-25", "2090-03-27", {24, 23, 24}},
                                     {"Europe/Berlin", "2090-10-29", "2090-10-29", {25}},
                                     {"America/New_York", "2090-03-11", "2090-03-13", {24, 23, 24}},
                                     {"America/New_York", "2090-11-04", "2090-11-05", {24, 25}}};
    for (const Case& each : cases) {
        const std::map<std::string, std::string> zone = {{"TZ", each.zone}};
        CommandRunner runner;
        const std::string plan =
            planOf("Night shift", {task(1, "All the days", each.first + "T12:00:00Z", each.last + "T23:59:00Z")});
        ASSERT_EQ(runner.run({"add", runner.dir().write("night.json", plan)}, zone).exitCode, 0);
        const CommandResult agenda =
            runner.run({"agenda", "--from", each.first, "--to", each.last, "--format", "json"}, zone);
        ASSERT_EQ(agenda.exitCode, 0) << agenda.err;
        const json days = json::parse(agenda.out)["days"];
        ASSERT_EQ(days.size(), each.hours.size()) << each.zone;
        for (std::size_t i = 0; i < days.size(); ++i) {
            const auto from = cli::absoluteDate(*cli::parseIso8601(days[i]["from"].get<std::string>()));
            const auto to = cli::absoluteDate(*cli::parseIso8601(days[i]["to"].get<std::string>()));
            EXPECT_EQ(to->timeIntervalSinceReferenceDate() - from->timeIntervalSinceReferenceDate(),
                      each.hours[i] * 3600.0)
                << each.zone << " " << days[i]["date"];
            EXPECT_THAT(days[i]["from"].get<std::string>(), HasSubstr("T00:00:00")) << each.zone;
            if (i + 1 < days.size()) {
                EXPECT_EQ(days[i]["to"], days[i + 1]["from"]);
            }
            EXPECT_EQ(days[i]["tasks"].size(), 1u) << each.zone << " " << days[i]["date"];
        }
    }

    // A local time that the clocks skip moves forward by the skip, a whole skipped day included.
    const std::vector<std::array<std::string, 3>> skipped = {
        {"Europe/Berlin", "2090-03-26T02:30", "2090-03-26T03:30:00+02:00"},
        {"Australia/Lord_Howe", "2025-10-05T02:15", "2025-10-05T02:45:00+11:00"},
        {"Pacific/Apia", "2011-12-30T12:00", "2011-12-31T12:00:00+14:00"}};
    for (const auto& [zone, at, moved] : skipped) {
        const CommandResult shown = today({"show", "--json", "--at", at}, {{"TZ", zone}});
        EXPECT_EQ(json::parse(shown.out)["from"], moved) << zone << shown.err;
    }
    // A day that the zone skips is not listed.
    const CommandResult apia = today({"agenda", "2011-12-29", "--days", "4", "--json"}, {{"TZ", "Pacific/Apia"}});
    const json listed = json::parse(apia.out);
    std::vector<std::string> dates;
    for (const json& day : listed["days"]) dates.push_back(day["date"]);
    EXPECT_EQ(dates, (std::vector<std::string>{"2011-12-29", "2011-12-31", "2012-01-01"})) << apia.err;
}

TEST_F(Agenda, RangesAndTheNextTask) {
    add(write("office.json",
              planOf("Office", {task(1, "Pack", "2090-06-09T09:00:00+02:00", "2090-06-13T17:00:00+02:00"),
                                task(2, "Move", "2090-06-14T08:00:00+02:00", "2090-06-14T18:00:00+02:00")})));
    add(write("home.json",
              planOf("Home", {task(3, "Paint", "2090-06-14T08:00:00+02:00", "2090-06-15T18:00:00+02:00")})));
    add(write("garden.json",
              planOf("Garden", {task(4, "Mow", "2090-06-14T07:00:00+02:00", "2090-06-14T07:30:00+02:00")})));

    const CommandResult week = today({"agenda", "2090-06-12", "--days", "4"});
    EXPECT_EQ(week.exitCode, 0) << week.err;
    EXPECT_THAT(week.out, HasSubstr("Agenda Mon 2090-06-12 – Thu 2090-06-15\n"));
    // One list a day, in time order across the plans, each task naming its plan; a task over several
    // days says which of them it is on.
    EXPECT_THAT(week.out, HasSubstr("Wed 2090-06-14\n"
                                    "  Garden    Mow    07:00–07:30                             ░░░░░░░░░░   0%  ■ 0\n"
                                    "  Office    Move   08:00–18:00                             ░░░░░░░░░░   0%  ■ 0\n"
                                    "  Home      Paint  06-14 08:00 → 06-15 18:00 (day 1 of 2)  "));
    EXPECT_THAT(week.out, HasSubstr("Tue 2090-06-13\n  Office    Pack  06-09 09:00 → 06-13 17:00 (day 5 of 5)"));
    EXPECT_THAT(today({"agenda", "2090-06-12", "--days", "4", "--by-plan"}).out,
                HasSubstr("Wed 2090-06-14\n  Office\n    Move  08:00–18:00"));
    EXPECT_THAT(today({"show", "2090-06-13"}).out, HasSubstr("\n\n2 plans have nothing on this day\n"));
    // Days with nothing on are left out unless asked for.
    EXPECT_THAT(today({"agenda", "2090-06-15", "--days", "3"}).out, Not(HasSubstr("2090-06-16\n")));
    EXPECT_THAT(today({"agenda", "2090-06-16", "--days", "2"}).out, HasSubstr("\n\nNothing on any of these days.\n"));
    EXPECT_THAT(today({"agenda", "2090-06-15", "--days", "2", "--all-days"}).out,
                HasSubstr("Fri 2090-06-16\n  Nothing on this day.\n"));
    EXPECT_EQ(today({"agenda", "2090-06-12", "--days", "4", "--format", "jsonl"}).out,
              today({"agenda", "--from", "2090-06-12", "--to", "2090-06-15", "--format", "jsonl"}).out);

    // Two tasks start next at the same time, in two plans.
    const json next = json::parse(today({"next", "--at", "2090-06-14T07:00", "--json"}).out);
    ASSERT_EQ(next["tasks"].size(), 2u);
    EXPECT_EQ(next["tasks"][0]["name"], "Move");
    EXPECT_EQ(next["tasks"][1]["name"], "Paint");
    EXPECT_THAT(today({"next", "--at", "2090-06-14T07:00"}).out,
                HasSubstr("Next: Wed 2090-06-14 08:00 (in 1 hour 0 minutes)"));
    EXPECT_THAT(today({"next", "--at", "2090-07-01"}).out, HasSubstr("Nothing starts after"));
    const std::string three = today({"next", "--at", "2090-06-01", "-n", "3"}).out;
    EXPECT_THAT(three, HasSubstr("Next: Fri 2090-06-09 09:00 (in 8 days 9 hours)\n  Office    Pack"));
    EXPECT_THAT(three, HasSubstr("Then: Wed 2090-06-14 07:00 (in 13 days 7 hours)\n  Garden    Mow"));
    EXPECT_THAT(three, HasSubstr("Then: Wed 2090-06-14 08:00 (in 13 days 8 hours)\n  Office    Move"));
}

// A renamed plan is followed where its bookmark leads and adopted with its id by `update`; a plan whose
// document is gone is shown from its snapshot; both are marked.
TEST_F(Agenda, MovedAndMissingDocumentsAreMarkedAndMovedOnesFollowed) {
    const std::string text =
        planOf("Office", {task(1, "Pack", "2090-06-09T09:00:00+02:00", "2090-06-13T17:00:00+02:00")});
    const std::string id = add(write("office.json", text));
    const std::string gone = add(write(
        "gone.json", planOf("Gone", {task(2, "Keep", "2090-06-09T09:00:00+02:00", "2090-06-13T17:00:00+02:00")})));
    const std::string old = runner.dir().file("office.json");
    const std::string renamed = runner.dir().file("office-2090.json");
    std::filesystem::rename(old, renamed);
    std::filesystem::remove(runner.dir().file("gone.json"));

    const CommandResult shown = today({"--at", "2090-06-10T12:00"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    if (shown.out.find("moved to") == std::string::npos)
        GTEST_SKIP() << "no birth times: a renamed file is not followed";
    EXPECT_THAT(shown.out, HasSubstr("  moved to " + renamed + "\n  (`today update " + id + "` follows it"));
    EXPECT_THAT(shown.out, HasSubstr("  Gone      Keep  "));
    EXPECT_THAT(shown.out, HasSubstr("\nGone  no dates  id " + gone + "\n  " + runner.dir().file("gone.json") +
                                     " is gone: shown from its snapshot\n"));
    const json document = json::parse(today({"--at", "2090-06-10T12:00", "--json"}).out);
    EXPECT_EQ(document["plans"][0]["document"], "moved");
    EXPECT_EQ(document["plans"][0]["movedTo"], renamed);
    EXPECT_EQ(document["plans"][1]["document"], "missing");
    EXPECT_EQ(document["plans"][1]["tasks"][0]["name"], "Keep");

    const CommandResult followed = today({"update", old});
    EXPECT_EQ(followed.exitCode, 0) << followed.err;
    EXPECT_EQ(followed.out, "Followed “Office” (" + id + ") from " + old + " to " + renamed + "\n");
    const json listed = json::parse(today({"list", "--json"}).out);
    EXPECT_EQ(listed["plans"][0]["id"], id);
    EXPECT_EQ(listed["plans"][0]["file"], renamed);
    EXPECT_EQ(listed["plans"][0]["document"], "present");
    EXPECT_EQ(today({"update", id}).out, "“Office” (" + id + ") is up to date\n");
}

}  // namespace
}  // namespace today::testing
