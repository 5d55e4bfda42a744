// Reading dates: ISO 8601 text as plans and `--at` give it, and the words `--at` accepts, in a time zone
// with daylight saving time so that calendar days of 23 hours show up.
#include <gtest/gtest.h>

#include <string>

#include "support/TestHost.hpp"
#include "tools/today/DateArgument.hpp"

namespace today::cli {
namespace {

using testing::ScopedTimeZone;
using testing::TestHost;

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
    for (const char* text : {"", "2025-06", "2025-6-10", "2025-13-01", "2100-02-29", "2025-04-31", "2025-06-10T14",
                             "2025-06-10T24:00", "2025-06-10T14:30:60", "2025-06-10T14:30:00.1234567891",
                             "2025-06-10Z", "2025-06-10T14:30+2", "2025-06-10T14:30+24:00", " 2025-06-10",
                             "2025-06-10T14:30:00Zjunk"}) {
        EXPECT_FALSE(parseIso8601(text)) << text;
    }
}

class AtArgument : public ::testing::Test {
protected:
    AtArgument() { host.setNow(utc("2025-03-30T10:15:00+02:00")); }  // the day clocks go forward

    std::optional<Date> at(const std::string& text) { return parseDateArgument(text, host); }

    ScopedTimeZone zone{"Europe/Berlin"};
    TestHost host;
};

TEST_F(AtArgument, WordsAreRelativeToTheHostsClock) {
    EXPECT_EQ(at("now"), utc("2025-03-30T10:15:00+02:00"));
    EXPECT_EQ(at("today"), utc("2025-03-30T00:00:00+01:00"));
    EXPECT_EQ(at("Tomorrow"), utc("2025-03-31T00:00:00+02:00"));
    EXPECT_EQ(at("YESTERDAY"), utc("2025-03-29T00:00:00+01:00"));
}

TEST_F(AtArgument, RelativeDaysAreCalendarDaysAtTheSameLocalTime) {
    EXPECT_EQ(at("+1d"), utc("2025-03-31T10:15:00+02:00"));
    EXPECT_EQ(at("-1d"), utc("2025-03-29T10:15:00+01:00"));  // 23 hours earlier
    EXPECT_EQ(at("+400D"), utc("2026-05-04T10:15:00+02:00"));
}

TEST_F(AtArgument, IsoTextWithoutOffsetIsLocalTime) {
    EXPECT_EQ(at("2025-03-30"), utc("2025-03-30T00:00:00+01:00"));
    EXPECT_EQ(at("2025-03-30T12:00"), utc("2025-03-30T12:00:00+02:00"));
    EXPECT_EQ(at("2025-01-15T08:30:15.5"), utc("2025-01-15T08:30:15.5+01:00"));
    EXPECT_EQ(at("2025-03-30T12:00-05:00"), utc("2025-03-30T17:00:00Z"));
}

TEST_F(AtArgument, RefusesAnythingElse) {
    for (const char* text : {"", "+d", "+1", "1d", "+-1d", "+1w", "+1234567d", "next week", "noww", "2025-02-30",
                             "10:15"}) {
        EXPECT_FALSE(at(text)) << text;
    }
}

}  // namespace
}  // namespace today::cli
