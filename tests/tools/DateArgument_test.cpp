// Reading dates: ISO 8601 text as plans and `--at` give it, and the words `--at` accepts, in a time zone
// with daylight saving time so that calendar days of 23 hours show up.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "CommandRunner.hpp"
#include "support/TestHost.hpp"
#include "tools/today/dates/Calendar.hpp"
#include "tools/today/dates/DateArgument.hpp"

namespace today::cli {
namespace {

using testing::TestHost;
using testing::TimeZone;

Date utc(const std::string& text) {
    const auto iso = parseIso8601(text);
    EXPECT_TRUE(iso && iso->offsetSeconds) << text;
    return iso ? absoluteDate(*iso).value_or(Date(-1e300)) : Date(-1e300);
}

TEST(Iso8601, ReadsDatesTimesFractionsAndOffsets) {
    const auto day = parseIso8601("2024-02-29");
    ASSERT_TRUE(day);
    EXPECT_FALSE(day->hasTime);
    EXPECT_FALSE(day->offsetSeconds);

    const auto local = parseIso8601("2025-06-10 14:30");
    ASSERT_TRUE(local);
    EXPECT_TRUE(local->hasTime);
    EXPECT_EQ(local->hour, 14);
    EXPECT_EQ(local->minute, 30);
    EXPECT_FALSE(local->offsetSeconds);

    EXPECT_EQ(utc("2001-01-01T00:00:00Z").timeIntervalSinceReferenceDate(), 0);
    EXPECT_EQ(utc("2001-01-01T01:00+01:00").timeIntervalSinceReferenceDate(), 0);
    EXPECT_EQ(utc("2000-12-31T16:00:00-08").timeIntervalSinceReferenceDate(), 0);
    EXPECT_EQ(utc("2000-12-31T23:59:59.5Z").timeIntervalSinceReferenceDate(), -0.5);
    EXPECT_EQ(utc("2001-01-01T00:00:00,25z").timeIntervalSinceReferenceDate(), 0.25);
    EXPECT_EQ(utc("2090-06-10T12:00:00Z").unixTime(), 3800779200.0);
}

TEST(Iso8601, RefusesWhatIsNotADayOrTime) {
    for (const char* text :
         {"", "2025-06", "2025-6-10", "2025-13-01", "2100-02-29", "2025-04-31", "2025-06-10T14", "2025-06-10T24:00",
          "2025-06-10T14:30:60", "2025-06-10T14:30:00.1234567891", "2025-06-10Z", "2025-06-10T14:30+2",
          "2025-06-10T14:30+24:00", " 2025-06-10", "2025-06-10T14:30:00Zjunk"}) {
        EXPECT_FALSE(parseIso8601(text)) << text;
    }
}

// Days and instants named on the command line, relative to the host's clock in its zone, on days when
// the clocks change: words and weekdays are starts of local days, +Nd and +Nw keep the local time of
// day, +Nh and +Nm are real hours and minutes, a time that the clocks skip moves forward, ISO text
// without an offset is local time.
TEST(DateArgument, ReadsDaysWeekdaysAmountsAndTimesAcrossClockChanges) {
    struct Case {
        const char* zone;
        const char* now;
        const char* text;
        const char* expected;  // none: refused
    };
    constexpr const char* berlin = "Europe/Berlin";  // 2025-03-30, a Sunday: 02:00 → 03:00
    constexpr const char* berlinNow = "2025-03-30T10:15:00+02:00";
    constexpr const char* newYork = "America/New_York";  // 2025-11-02, a Sunday: 02:00 → 01:00
    constexpr const char* newYorkNow = "2025-11-01T22:00:00-04:00";
    const std::vector<Case> cases = {
        {berlin, berlinNow, "now", "2025-03-30T10:15:00+02:00"},
        {berlin, berlinNow, "today", "2025-03-30T00:00:00+01:00"},
        {berlin, berlinNow, "Tomorrow", "2025-03-31T00:00:00+02:00"},
        {berlin, berlinNow, "YESTERDAY", "2025-03-29T00:00:00+01:00"},
        {berlin, berlinNow, "+1d", "2025-03-31T10:15:00+02:00"},
        {berlin, berlinNow, "-1d", "2025-03-29T10:15:00+01:00"},  // 23 hours earlier
        {berlin, berlinNow, "+400D", "2026-05-04T10:15:00+02:00"},
        {berlin, berlinNow, "-1w", "2025-03-23T10:15:00+01:00"},
        {berlin, berlinNow, "-12h", "2025-03-29T21:15:00+01:00"},
        {berlin, berlinNow, "+90m", "2025-03-30T11:45:00+02:00"},
        {berlin, berlinNow, "sun", "2025-03-30T00:00:00+01:00"},  // today counts
        {berlin, berlinNow, "Next Sunday", "2025-04-06T00:00:00+02:00"},
        {berlin, berlinNow, "last sun", "2025-03-23T00:00:00+01:00"},
        {berlin, berlinNow, "sat", "2025-04-05T00:00:00+02:00"},
        {berlin, berlinNow, "last  SAT", "2025-03-29T00:00:00+01:00"},
        {berlin, berlinNow, "today 2:30", "2025-03-30T03:30:00+02:00"},  // skipped by the clocks
        {berlin, berlinNow, "yesterday 02:30", "2025-03-29T02:30:00+01:00"},
        {berlin, berlinNow, "fri 9", "2025-04-04T09:00:00+02:00"},
        {berlin, berlinNow, "next fri 9", "2025-04-04T09:00:00+02:00"},
        {berlin, berlinNow, "+3d 14:00", "2025-04-02T14:00:00+02:00"},
        {berlin, berlinNow, "10:15", "2025-03-30T10:15:00+02:00"},
        {berlin, berlinNow, "2025-03-30", "2025-03-30T00:00:00+01:00"},
        {berlin, berlinNow, "2025-03-30 2:30", "2025-03-30T03:30:00+02:00"},
        {berlin, berlinNow, "2025-03-30T12:00", "2025-03-30T12:00:00+02:00"},
        {berlin, berlinNow, "2025-01-15T08:30:15.5", "2025-01-15T08:30:15.5+01:00"},
        {berlin, berlinNow, "2025-03-30T12:00-05:00", "2025-03-30T17:00:00Z"},
        {newYork, newYorkNow, "tomorrow", "2025-11-02T00:00:00-04:00"},
        {newYork, newYorkNow, "+1d", "2025-11-02T22:00:00-05:00"},  // 25 hours later
        {newYork, newYorkNow, "+24h", "2025-11-02T21:00:00-05:00"},
        {newYork, newYorkNow, "sun 12", "2025-11-02T12:00:00-05:00"},
        {newYork, newYorkNow, "saturday", "2025-11-01T00:00:00-04:00"},
        {newYork, newYorkNow, "next sat", "2025-11-08T00:00:00-05:00"},
        {newYork, newYorkNow, "mon 9:30", "2025-11-03T09:30:00-05:00"},
        {newYork, newYorkNow, "+1w", "2025-11-08T22:00:00-05:00"},
    };
    const std::vector<const char*> refused = {
        "",  "+d",     "+1",      "1d",      "+-1d",  "+1y",   "+1234567d", "next week",     "noww",    "2025-02-30",
        "9", "fri 24", "fri 9:5", "fri fri", "now 9", "+2h 9", "next",      "tomorrow 9 am", "sun 9 10"};
    TestHost host;
    const ScopedHost scoped(host);  // the start of a day is the current host's
    for (const auto& [zone, now, text, expected] : cases) {
        host.setTimeZone(zone);
        host.setNow(utc(now));
        EXPECT_EQ(parseDateArgument(text, host), utc(expected)) << zone << ": " << text;
    }
    for (const char* text : refused) EXPECT_FALSE(parseDateArgument(text, host)) << text;
}

// --- The start of days where a zone changes its offset at midnight (Asia/Kathmandu 1986-01-01, the day
// Pacific/Apia left out in 2011, Antarctica/Casey 2016-10-22, America/Sao_Paulo's summer times that
// began at midnight), for every change of offset of the zone from 1970 to 2037, with `date` as the
// oracle. The C library's mktime answers differently for a skipped midnight depending on what it was
// asked before, so the days of changes at midnight are also asked of the command, each in a process
// of its own.

// The instants (Unix seconds) where the zone's offset from UTC changes, 1970...2037.
std::vector<std::int64_t> offsetChanges(const TimeZone& zone) {
    const auto offsetAt = [&zone](std::int64_t unix) { return zone.offsetAt(unix); };
    std::vector<std::int64_t> changes;
    constexpr std::int64_t step = 6 * 3600;                // zones never change twice within six hours
    for (std::int64_t t = 0; t < 2145916800; t += step) {  // up to 2038-01-01
        if (offsetAt(t) == offsetAt(t + step)) continue;
        std::int64_t before = t, after = t + step;
        while (after - before > 1) {
            const std::int64_t middle = before + (after - before) / 2;
            (offsetAt(middle) == offsetAt(t) ? before : after) = middle;
        }
        changes.push_back(after);
    }
    return changes;
}

std::int64_t localDayNumber(const TimeZone& zone, std::int64_t unix) {
    const std::int64_t local = unix + zone.offsetAt(unix);
    return local / 86400 - (local % 86400 < 0);
}

std::string dayText(std::int64_t dayNumber) {
    const CivilDay day = civilFromDays(dayNumber);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(day.year), day.month, day.day);
    return text;
}

// The local day of each instant as `date` of the system tells it, "YYYY-MM-DD", in the zone of TZ.
std::vector<std::string> dayByDate(const std::vector<std::int64_t>& instants, const std::string& zoneName,
                                   const std::string& scratch) {
    {
        std::ofstream list(scratch);
        for (const std::int64_t instant : instants) list << '@' << instant << '\n';
    }
    std::vector<std::string> days;
    FILE* date = ::popen(("TZ='" + zoneName + "' date -f '" + scratch + "' +%F").c_str(), "r");
    if (!date) return days;
    char line[64];
    while (std::fgets(line, sizeof line, date)) days.emplace_back(line, std::strcspn(line, "\n"));
    ::pclose(date);
    return days;
}

class StartOfDayAcrossOffsetChanges : public ::testing::TestWithParam<const char*> {};

TEST_P(StartOfDayAcrossOffsetChanges, AgreesWithDateOnEveryDayAroundAChange) {
    const std::string zoneName = GetParam();
    ASSERT_TRUE(std::filesystem::exists("/usr/share/zoneinfo/" + zoneName)) << "tzdata lacks " << zoneName;
    const auto zone = TimeZone::named(zoneName).value();
    TestHost host;
    host.setTimeZone(zoneName);
    ScopedHost installed(host);

    // Every day from two days before to two days after each change of offset.
    std::map<std::int64_t, Date> starts;
    for (const std::int64_t change : offsetChanges(zone)) {
        for (std::int64_t day = localDayNumber(zone, change - 1) - 2; day <= localDayNumber(zone, change) + 2; ++day) {
            const auto start = parseDateArgument(dayText(day), host);
            ASSERT_TRUE(start) << dayText(day);
            starts.emplace(day, *start);
        }
    }
    ASSERT_FALSE(starts.empty());

    // The start of day D is the first second whose day is D or later: `date` puts it on D (or on the
    // next day when the zone left D out) and the second before it on an earlier day.
    std::vector<std::int64_t> instants;
    for (const auto& [day, start] : starts) {
        const auto unix = static_cast<std::int64_t>(start.unixTime());
        EXPECT_EQ(static_cast<double>(unix), start.unixTime()) << dayText(day);
        instants.push_back(unix);
        instants.push_back(unix - 1);
    }
    today::testing::TempDir scratchDir;
    const std::vector<std::string> days = dayByDate(instants, zoneName, scratchDir.file("instants"));
    ASSERT_EQ(days.size(), instants.size()) << "date -f failed";
    std::size_t i = 0;
    for (const auto& [day, start] : starts) {
        const std::string& dayOfStart = days[i++];
        const std::string& dayBefore = days[i++];
        EXPECT_GE(dayOfStart, dayText(day)) << zoneName << ": " << dayText(day) << " starts on " << dayOfStart;
        EXPECT_LE(dayOfStart, dayText(day + 1)) << zoneName << ": " << dayText(day);
        EXPECT_LT(dayBefore, dayText(day))
            << zoneName << ": the second before " << dayText(day) << " is on " << dayBefore;
    }

    // Bare dates given to the command, for the days whose midnight the change skips or repeats.
    std::vector<std::int64_t> midnightDays;
    for (const std::int64_t change : offsetChanges(zone)) {
        const auto clock = [&zone](std::int64_t unix) {
            const std::int64_t local = unix + zone.offsetAt(unix);
            return local - (local / 86400 - (local % 86400 < 0)) * 86400;
        };
        if (clock(change - 1) >= 23 * 3600 || clock(change) <= 3600) {
            midnightDays.push_back(localDayNumber(zone, change - 1) + 1);
            if (localDayNumber(zone, change) != midnightDays.back())
                midnightDays.push_back(localDayNumber(zone, change));
        }
    }
    if (!std::filesystem::exists(TODAY_COMMAND)) midnightDays.clear();
    // A zone that changed at midnight for decades (America/Sao_Paulo) is asked on a dozen of those days.
    if (const std::size_t every = midnightDays.size() / 12 + 1; every > 1) {
        std::vector<std::int64_t> some;
        for (std::size_t i = 0; i < midnightDays.size(); i += every) some.push_back(midnightDays[i]);
        midnightDays = some;
    }
    const today::testing::CommandRunner command;
    for (const std::int64_t day : midnightDays) {
        const auto shown = command.run({"show", "--json", "--at", dayText(day)}, {{"TZ", zoneName}});
        const auto from = shown.out.find("\"from\":\"");
        ASSERT_NE(from, std::string::npos) << shown.out << shown.err;
        const std::string at = shown.out.substr(from + 8, shown.out.find('"', from + 8) - from - 8);
        EXPECT_EQ(utc(at), starts.at(day)) << zoneName << ": today --at " << dayText(day) << " is " << at;
    }
    if (zoneName != "Europe/Berlin") {
        EXPECT_FALSE(midnightDays.empty()) << zoneName;
    }

    // today, tomorrow and yesterday name the same starts, from a clock anywhere in the neighbouring day.
    for (const auto& [day, start] : starts) {
        const auto previous = starts.find(day - 1);
        const auto next = starts.find(day + 1);
        if (previous == starts.end() || next == starts.end()) continue;
        host.setNow(Date(start.timeIntervalSinceReferenceDate() + 60));
        if (localDayNumber(zone, static_cast<std::int64_t>(start.unixTime())) == day) {
            EXPECT_EQ(parseDateArgument("today", host), start) << dayText(day);
        }
        host.setNow(Date(previous->second.timeIntervalSinceReferenceDate() + 60));
        if (localDayNumber(zone, static_cast<std::int64_t>(previous->second.unixTime())) == day - 1) {
            EXPECT_EQ(parseDateArgument("tomorrow", host), start) << dayText(day);
        }
        host.setNow(Date(next->second.timeIntervalSinceReferenceDate() + 60));
        if (localDayNumber(zone, static_cast<std::int64_t>(next->second.unixTime())) == day + 1) {
            EXPECT_EQ(parseDateArgument("yesterday", host), start) << dayText(day);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, StartOfDayAcrossOffsetChanges,
                         ::testing::Values("Asia/Kathmandu", "Pacific/Apia", "Antarctica/Casey", "America/Sao_Paulo",
                                           "Europe/Berlin"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name) c = (c == '/') ? '_' : c;
                             return name;
                         });

}  // namespace
}  // namespace today::cli
