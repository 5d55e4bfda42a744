// The status-bar widget's content and its lines in each bar's protocol (read back), and the next time
// the clock alone changes the line, across midnight and the changes of the clocks.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "support/TestHost.hpp"
#include "today/records/RecordFactory.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/output/Format.hpp"
#include "tools/today/widget/BarState.hpp"
#include "tools/today/widget/Boundaries.hpp"

namespace today::testing {
namespace {

using cli::BarFormat;
using nlohmann::json;

Date at(const std::string& iso) {
    const auto parsed = cli::parseIso8601(iso);
    if (!parsed) throw std::invalid_argument(iso);
    return *cli::absoluteDate(*parsed);
}

TaskToday task(const std::string& name, const std::string& start, const std::string& finish, int completed = 0,
               bool milestone = false) {
    const Date end = at(finish);
    const Date begin = milestone ? Date(end.timeIntervalSinceReferenceDate() - 86400) : at(start);
    return detail::RecordFactory::task(1, name, begin, end, completed, 0, milestone, std::nullopt);
}

class Bar : public ::testing::Test {
protected:
    Bar() { _host.setTimeZone("Europe/Berlin"); }
    cli::BarState state(const std::vector<cli::BarPlan>& plans, const std::string& now, std::size_t width = 40) {
        return cli::barState(plans, at(now), _host, width);
    }
    TestHost _host;
    ScopedHost _scoped{_host};
};

// A day with a task on now, a done task (neither counted nor leading), a milestone (a moment, never on),
// a plan that cannot be read and names that Pango and JSON must not take for markup: every bar's line
// carries the same state.
TEST_F(Bar, EachFormatCarriesTheDay) {
    const std::vector<cli::BarPlan> plans = {
        {"Work",
         std::vector<TaskToday>{task("Standup", "2025-06-10T09:00+02:00", "2025-06-10T09:30+02:00", 100),
                                task("Review <b>&\"'", "2025-06-10T10:00+02:00", "2025-06-10T12:00+02:00", 40),
                                task("Launch", "", "2025-06-11T09:00+02:00", 0, true),
                                task("Tomorrow", "2025-06-11T10:00+02:00", "2025-06-11T11:00+02:00")},
         {}},
        {"Broken", std::nullopt, "not JSON"}};
    const cli::BarState day = state(plans, "2025-06-10T10:30+02:00");
    EXPECT_EQ(day.text, "Review <b>&\"' until 12:00 · 2 today");

    const std::string waybar = cli::renderBar(day, BarFormat::waybar, false);
    ASSERT_EQ(waybar.find('\n'), waybar.size() - 1) << "one line";
    const json line = json::parse(waybar);
    std::vector<std::string> keys;
    for (const auto& item : line.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"alt", "class", "percentage", "text", "tooltip"}));
    EXPECT_EQ(line["text"], "Review &lt;b&gt;&amp;&quot;&#39; until 12:00 · 2 today");
    EXPECT_EQ(line["alt"], "now");
    EXPECT_EQ(line["class"], json::array({"now", "milestone", "error"}));
    EXPECT_EQ(line["percentage"], 47);  // (100 + 40 + 0) / 3
    EXPECT_EQ(line["tooltip"],
              "Tue 2025-06-10: 3 tasks\n<b>Work</b>\n  09:00–09:30 Standup 100% ✓\n"
              "▶ 10:00–12:00 Review &lt;b&gt;&amp;&quot;&#39; 40%\n  due tomorrow 09:00 ◆ Launch 0%\n"
              "<b>Broken</b>\n  cannot be read: not JSON");

    EXPECT_EQ(cli::renderBar(day, BarFormat::plain, false), day.text + "\n");
    EXPECT_EQ(cli::renderBar(day, BarFormat::polybar, false), "%{F#BF616A}" + day.text + "%{F-}\n");
    EXPECT_EQ(cli::renderBar(day, BarFormat::i3blocks, false), day.text + "\n2 today\n#BF616A\n");
    EXPECT_EQ(cli::renderBar(day, BarFormat::i3blocks, true), day.text + "\n");
}

// What the text names at each time of a day, and how it is cut: a milestone leads by its due time, a
// done task never leads.
TEST_F(Bar, TextNamesWhatIsOnNowOrNext) {
    const std::vector<cli::BarPlan> plans = {
        {"Work",
         std::vector<TaskToday>{
             task("Standup", "2025-06-10T09:00+02:00", "2025-06-10T09:30+02:00", 100),
             task("Ship", "", "2025-06-10T13:00+02:00", 0, true),
             task("Write the quarterly report", "2025-06-10T14:00+02:00", "2025-06-10T16:00+02:00", 50),
             task("Plan", "2025-06-12T09:00+02:00", "2025-06-12T10:00+02:00")},
         {}}};
    struct Case {
        std::string now;
        std::size_t width;
        std::string text;
        std::string alt;
    };
    const std::vector<Case> cases = {
        {"2025-06-10T08:00+02:00", 40, "Next: ◆ Ship due 13:00 · 2 today", "next"},
        {"2025-06-10T13:30+02:00", 40, "Next: Write the quar… at 14:00 · 2 today", "next"},
        {"2025-06-10T13:30+02:00", 32, "Next: Write… at 14:00 · 2 today", "next"},
        {"2025-06-10T15:00+02:00", 30, "Write t… until 16:00 · 2 today", "now"},
        {"2025-06-10T17:00+02:00", 40, "Next: Plan Thu 09:00 · 2 today", "done"},
        {"2025-06-11T12:00+02:00", 40, "Next: Plan Thu 09:00 · nothing today", "idle"},
        {"2025-06-13T12:00+02:00", 40, "Nothing today", "idle"},
        {"2025-06-10T13:30+02:00", 8, "Next: W…", "next"},
    };
    for (const Case& each : cases) {
        const cli::BarState got = state(plans, each.now, each.width);
        EXPECT_EQ(got.alt, each.alt) << each.now;
        EXPECT_EQ(got.text, each.text) << each.now;
        EXPECT_LE(cli::displayWidth(got.text), each.width) << each.now;
    }
    const cli::BarState idle = state(plans, "2025-06-13T12:00+02:00");
    EXPECT_EQ(idle.classes, std::vector<std::string>{"idle"});
    EXPECT_EQ(idle.percentage, 0);
    EXPECT_EQ(state({}, "2025-06-13T12:00+02:00").text, "No plans");
    EXPECT_EQ(state({{"Broken", std::nullopt, "gone"}}, "2025-06-13T12:00+02:00").classes,
              (std::vector<std::string>{"error", "idle"}));
}

// The next wake-up: the first start or finish after now, or the local midnight, in Berlin across the
// days the clocks go forward (23 hours) and back (25 hours).
TEST_F(Bar, NextBoundaryIsTheFirstEdgeOrMidnight) {
    struct Case {
        std::string now;
        std::vector<TaskToday> tasks;
        std::string next;
    };
    const std::vector<Case> cases = {
        {"2025-06-10T10:00+02:00",
         {task("a", "2025-06-10T09:00+02:00", "2025-06-10T11:00+02:00"),
          task("b", "2025-06-10T14:00+02:00", "2025-06-10T15:00+02:00")},
         "2025-06-10T11:00+02:00"},
        // An edge at now itself is behind: the next one counts.
        {"2025-06-10T14:00+02:00",
         {task("b", "2025-06-10T14:00+02:00", "2025-06-10T15:00+02:00")},
         "2025-06-10T15:00+02:00"},
        // Tasks of later days do not pass the midnight before them; finished tasks are ignored.
        {"2025-06-10T22:00+02:00",
         {task("old", "2025-06-09T09:00+02:00", "2025-06-09T10:00+02:00"),
          task("c", "2025-06-11T08:00+02:00", "2025-06-11T09:00+02:00")},
         "2025-06-11T00:00+02:00"},
        // A milestone shows during the day before it is due: its window starts then.
        {"2025-06-10T09:00+02:00", {task("m", "", "2025-06-11T12:00+02:00", 0, true)}, "2025-06-10T12:00+02:00"},
        {"2025-03-29T23:00+01:00", {}, "2025-03-30T00:00+01:00"},
        {"2025-03-30T00:30+01:00", {}, "2025-03-31T00:00+02:00"},
        {"2025-03-30T01:59+01:00",
         {task("d", "2025-03-30T03:30+02:00", "2025-03-30T04:00+02:00")},
         "2025-03-30T03:30+02:00"},
        {"2025-10-26T00:30+02:00", {}, "2025-10-27T00:00+01:00"},
        // The second 02:30 of the night the clocks go back.
        {"2025-10-26T02:45+02:00",
         {task("e", "2025-10-26T01:00+02:00", "2025-10-26T02:30+01:00")},
         "2025-10-26T02:30+01:00"},
    };
    for (const Case& each : cases) {
        _host.setNow(at(each.now));
        EXPECT_EQ(cli::nextBoundary(each.tasks, _host.now(), _host), at(each.next)) << each.now;
    }
    _host.setTimeZone("America/New_York");
    EXPECT_EQ(cli::nextBoundary({}, at("2025-11-02T00:30-04:00"), _host), at("2025-11-03T00:00-05:00"));
}

}  // namespace
}  // namespace today::testing
