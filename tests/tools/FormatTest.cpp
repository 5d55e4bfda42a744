// What the command prints for a person: local times across a change of offset, ISO 8601 with fractions,
// bars for any percentage, and names cut by display width.
#include <gtest/gtest.h>

#include "support/TestHost.hpp"
#include "tools/today/DateArgument.hpp"
#include "tools/today/Format.hpp"

namespace today::cli {
namespace {

Date utc(const char* text) { return absoluteDate(*parseIso8601(text)).value(); }

TEST(Format, LocalTimesFollowTheZonesOffset) {
    testing::ScopedTimeZone zone("Europe/Berlin");
    Host& host = Host::current();
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

TEST(Format, BarsClampButShowThePercentage) {
    const Style plain;
    EXPECT_EQ(completionBar(44, plain), "████░░░░░░  44%");
    EXPECT_EQ(completionBar(45, plain), "█████░░░░░  45%");
    EXPECT_EQ(completionBar(100, plain), "██████████ 100%");
    EXPECT_EQ(completionBar(-5, plain), "░░░░░░░░░░  -5%");
}

TEST(Format, SwatchesTakeAnyIndex) {
    const Style plain;
    Style color;
    color.color = true;
    EXPECT_EQ(plain.swatch(3), "■ 3");
    EXPECT_EQ(color.swatch(3), "\x1b[38;5;135m■\x1b[0m 3");
    EXPECT_EQ(color.swatch(-7), "\x1b[38;5;135m■\x1b[0m -7");
    EXPECT_EQ(color.swatch(INT64_MIN).substr(0, 7), "\x1b[38;5;");
}

TEST(Format, NamesAreFittedByDisplayWidth) {
    EXPECT_EQ(displayWidth("Caf\xC3\xA9"), 4u);            // é
    EXPECT_EQ(displayWidth("Cafe\xCC\x81"), 4u);           // e and a combining accent
    EXPECT_EQ(displayWidth("\xE8\xA8\x88\xE7\x94\xBB"), 4u);  // two wide characters
    EXPECT_EQ(displayWidth("a\xFF"), 2u);

    EXPECT_EQ(fitToWidth("Plan", 6), "Plan  ");
    EXPECT_EQ(fitToWidth("Kitchen renovation", 8), "Kitchen…");
    EXPECT_EQ(fitToWidth("\xE8\xA8\x88\xE7\x94\xBB\xE8\xA8\x88", 4), "\xE8\xA8\x88… ");
    EXPECT_EQ(fitToWidth("Cafe\xCC\x81 au lait", 6), "Cafe\xCC\x81 …");
}

}  // namespace
}  // namespace today::cli
