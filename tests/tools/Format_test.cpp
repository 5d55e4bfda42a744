// What the command prints for a person: local times across a change of offset, ISO 8601 with fractions,
// bars for any percentage, and names cut by display width.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/TestHost.hpp"
#include "today/records/RecordFactory.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/output/Format.hpp"
#include "tools/today/output/TaskMoments.hpp"

namespace today::cli {
namespace {

Date utc(const char* text) { return absoluteDate(*parseIso8601(text)).value(); }

TEST(Format, LocalTimesFollowTheZonesOffset) {
    testing::TestHost host;
    host.setTimeZone("Europe/Berlin");
    EXPECT_EQ(formatLocalMinutes(utc("2025-03-30T00:59:59Z"), host), "2025-03-30 01:59");
    EXPECT_EQ(formatLocalMinutes(utc("2025-03-30T01:00:00Z"), host), "2025-03-30 03:00");
    EXPECT_EQ(formatLocalDay(utc("2025-03-30T01:00:00Z"), host), "Sun 2025-03-30 03:00");
    EXPECT_EQ(formatIso8601(utc("2025-01-15T08:30:00Z"), host), "2025-01-15T09:30:00+01:00");
    EXPECT_EQ(formatIso8601(utc("2025-07-15T08:30:00.25Z"), host), "2025-07-15T10:30:00.25+02:00");
    EXPECT_EQ(formatIso8601(Date(-0.5), host), "2001-01-01T00:59:59.5+01:00");
    EXPECT_EQ(formatIso8601(Date(0.9999999), host), "2001-01-01T01:00:01+01:00");
}

TEST(Format, IsoTextAtAFixedOffset) {
    EXPECT_EQ(formatIso8601(Date(0), 0), "2001-01-01T00:00:00Z");
    EXPECT_EQ(formatIso8601(Date(0), -12600), "2000-12-31T20:30:00-03:30");
    EXPECT_EQ(formatIso8601(utc("1969-12-31T23:59:59Z"), 0), "1969-12-31T23:59:59Z");
    EXPECT_EQ(formatIso8601(utc("2400-02-29T12:00:00Z"), 3600), "2400-02-29T13:00:00+01:00");
}

// Years as ISO 8601 writes them; dates of a damaged list, beyond what can be shown, at the bound and
// never as an impossible time of day.
TEST(Format, YearsBeyondFourDigitsAndDatesBeyondTheCalendar) {
    testing::TestHost host;  // UTC
    const std::vector<std::pair<double, std::string>> cases = {
        {-63177062400, "-0001-01-01T00:00:00Z"},   {-63145526400, "0000-01-01T00:00:00Z"},
        {252423993600, "+10000-01-01T00:00:00Z"},  {1e300, "+291536396232-08-31T11:33:20Z"},
        {9.3e18, "+291536396232-08-31T11:33:20Z"}, {-1e300, "-291536392293-05-03T12:26:40Z"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(formatIso8601(Date(seconds), host), text) << seconds;
        EXPECT_EQ(formatIso8601(Date(seconds), 0), text) << seconds;
    }
    EXPECT_EQ(formatLocalMinutes(Date(-63177062400), host), "-0001-01-01 00:00");
    EXPECT_EQ(formatLocalDay(Date(1e300), host), "Fri +291536396232-08-31 11:33");
}

// A due time in words near the shown day (Tuesday 2025-06-10 in Berlin), and the state a task is in
// at noon of that day: a milestone past due and under 100 % is late.
TEST(Format, DueTimesAndStates) {
    testing::TestHost host;
    host.setTimeZone("Europe/Berlin");
    const std::int64_t tuesday = localDayNumber(utc("2025-06-10T10:00:00Z"), host);
    const std::vector<std::pair<const char*, std::string>> due = {
        {"2025-06-10T15:00:00Z", "today 17:00"},      {"2025-06-10T22:30:00Z", "tomorrow 00:30"},
        {"2025-06-12T07:00:00Z", "Thu 09:00"},        {"2025-06-16T07:00:00Z", "Mon 09:00"},
        {"2025-06-17T07:00:00Z", "2025-06-17 09:00"}, {"2025-06-09T07:00:00Z", "2025-06-09 09:00"},
    };
    for (const auto& [instant, text] : due) EXPECT_EQ(dueText(utc(instant), tuesday, host), text) << instant;

    const Date noon = utc("2025-06-10T10:00:00Z");
    const auto task = [](const char* finish, std::int64_t completed, bool milestone) {
        return today::detail::RecordFactory::task(1, "t", utc("2025-06-09T08:00:00Z"), utc(finish), completed, 0,
                                                  milestone, std::nullopt);
    };
    EXPECT_EQ(taskState(task("2025-06-10T09:00:00Z", 99, true), noon), TaskState::late);
    EXPECT_EQ(taskState(task("2025-06-10T10:00:00Z", 0, true), noon), TaskState::late);
    EXPECT_EQ(taskState(task("2025-06-10T11:00:00Z", 0, true), noon), TaskState::due);
    EXPECT_EQ(taskState(task("2025-06-10T09:00:00Z", 100, true), noon), TaskState::done);
    EXPECT_EQ(taskState(task("2025-06-10T09:00:00Z", 50, false), noon), TaskState::on);
    EXPECT_EQ(taskState(task("2025-06-10T11:00:00Z", 100, false), noon), TaskState::done);
}

TEST(Format, BarsClampButShowThePercentage) {
    const Style plain;
    EXPECT_EQ(completionBar(44, plain), "████░░░░░░  44%");
    EXPECT_EQ(completionBar(45, plain), "█████░░░░░  45%");
    EXPECT_EQ(completionBar(100, plain), "██████████ 100%");
    EXPECT_EQ(completionBar(-5, plain), "░░░░░░░░░░  -5%");
}

TEST(Format, NamesAreFittedByDisplayWidth) {
    EXPECT_EQ(displayWidth("Caf\xC3\xA9"), 4u);               // é
    EXPECT_EQ(displayWidth("Cafe\xCC\x81"), 4u);              // e and a combining accent
    EXPECT_EQ(displayWidth("\xE8\xA8\x88\xE7\x94\xBB"), 4u);  // two wide characters
    EXPECT_EQ(displayWidth("a\xFF"), 2u);

    EXPECT_EQ(fitToWidth("Plan", 6), "Plan  ");
    EXPECT_EQ(fitToWidth("Kitchen renovation", 8), "Kitchen…");
    EXPECT_EQ(fitToWidth("\xE8\xA8\x88\xE7\x94\xBB\xE8\xA8\x88", 4), "\xE8\xA8\x88… ");
    EXPECT_EQ(fitToWidth("Cafe\xCC\x81 au lait", 6), "Cafe\xCC\x81 …");
}

}  // namespace
}  // namespace today::cli
