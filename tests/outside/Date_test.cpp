// Dates: the reference date, local midnight and calendar days in several time zones (clock changes
// included), dates the calendar cannot represent, and modification times that survive a trip through
// the stored text form.
#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <simdjson.h>

#include "DatePrinting.hpp"
#include "support/TestHost.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Path.hpp"

namespace today {
namespace {

Date unix(double seconds) { return Date::fromUnixTime(seconds); }

// A test host whose local time is that of the zone, installed for the scope.
struct InZone {
    explicit InZone(const char* zone) { host.setTimeZone(zone); }
    testing::TestHost host;
    ScopedHost scoped{host};
};

// The start of the local day, also on days of 23 hours, on days whose midnight the clocks skip (Sao Paulo,
// 2018-11-04: from 00:00 to 01:00) and on days with two midnights (daylight time ending at 01:00 on
// 2023-11-05, so midnight is at 02:00 and 03:00 UTC; the day starts at the first).
TEST(DateTest, DayOnlyIsTheStartOfTheLocalDay) {
    struct Case {
        const char* zone;
        double at;  // Unix seconds
        double start;
    };
    const Case cases[] = {
        {"UTC", 978307200 + 3 * 86400 + 5000.25, 978307200 + 3 * 86400},
        {"UTC", 978307200 - 0.5, 978307200 - 86400},  // before the reference date
        {"Asia/Tokyo", 1704034800 + 86399.999, 1704034800},
        {"Asia/Tokyo", 1704034800 - 0.001, 1704034800 - 86400},
        {"America/New_York", 1710086400, 1710046800},  // 2024-03-10, 23 hours long
        {"America/Sao_Paulo", 1541340000, 1541300400},
        {"America/Sao_Paulo", 1541300400, 1541300400},
        {"America/Sao_Paulo", 1541300399, 1541257200 - 12 * 3600},  // still 2018-11-03
        {"XST3XDT,M3.2.0/2,M11.1.0/1", 1699196400, 1699149600},
        {"XST3XDT,M3.2.0/2,M11.1.0/1", 1699149600 + 5400, 1699149600},  // 00:30 the second time
    };
    for (const Case& c : cases) {
        InZone zone(c.zone);
        EXPECT_EQ(unix(c.at).toDayOnly(), unix(c.start)) << c.zone << " " << c.at;
    }
}

// C libraries differ in which instant they pick for a local time that is skipped or repeated; the
// start of the day must not depend on that choice.
TEST(DateTest, DayOnlyDoesNotDependOnTheCalendarsChoiceAtAClockChange) {
    struct ShiftingHost : testing::TestHost {
        double shift = 0;
        std::optional<Date> dateFromLocalTime(const LocalTime& local) override {
            const auto date = TestHost::dateFromLocalTime(local);
            if (!date) return date;
            return Date(date->timeIntervalSinceReferenceDate() + shift);
        }
    } host;
    ScopedHost scoped(host);
    {
        host.setTimeZone("XST3XDT,M3.2.0/2,M11.1.0/1");
        host.shift = 3600;  // the second of the two midnights
        EXPECT_EQ(unix(1699196400).toDayOnly(), unix(1699149600));
    }
    {
        host.setTimeZone("America/Sao_Paulo");
        host.shift = -3600;  // 23:00 of the day before, for the skipped midnight
        EXPECT_EQ(unix(1541340000).toDayOnly(), unix(1541300400));
    }
}

TEST(DateTest, DaysAreCalendarDaysInTheLocalTimeZone) {
    InZone zone("America/New_York");
    // Noon stays noon across the change to daylight time: 23 hours earlier.
    EXPECT_EQ(unix(1710086400) - Days{1}, unix(1710003600));
    // And across the change back: 25 hours.
    EXPECT_EQ(unix(1730739600) - Days{1}, unix(1730653200));
    EXPECT_EQ(unix(1710003600) - Days{-1}, unix(1710086400));
}

TEST(DateTest, DatesBeyondTheCalendarFallBackToWholeDays) {
    InZone zone("Europe/Berlin");
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (const double seconds : {1e300, -1e18, std::numeric_limits<double>::lowest()}) {
        const double expected = std::floor(seconds / 86400) * 86400;
        EXPECT_EQ(Date(seconds).toDayOnly(), Date(expected)) << seconds;
        EXPECT_EQ(Date(seconds) - Days{1}, Date(seconds - 86400)) << seconds;
        (void)(Date(seconds) - Days{std::numeric_limits<std::int64_t>::min()});
        (void)(Date(seconds) - Days{std::numeric_limits<std::int64_t>::max()});
    }
    (void)Date(4e16).toDayOnly();  // a year near the end of the C library's range
    (void)(Date(4e16) - Days{1});
    EXPECT_EQ(Date(inf).toDayOnly(), Date(inf));
    EXPECT_EQ(Date(-inf) - Days{1}, Date(-inf));
    EXPECT_TRUE(std::isnan(Date(std::nan("")).toDayOnly().timeIntervalSinceReferenceDate()));
    EXPECT_TRUE(std::isnan((Date(std::nan("")) - Days{1}).timeIntervalSinceReferenceDate()));
    // A representable date moved beyond the calendar by a huge count of days.
    const Date far = Date(0) - Days{std::numeric_limits<std::int64_t>::min()};
    EXPECT_GT(far.timeIntervalSinceReferenceDate(), 1e20);
    EXPECT_EQ(Date(0) - Days{3'000'000'000LL}, Date(-3e9 * 86400));
}

TEST(DateTest, HostCalendarAnswersNoneOutsideItsRange) {
    Host& host = Host::posix();  // in UTC, as the tests run
    EXPECT_FALSE(host.localTime(Date(1e300)));
    EXPECT_FALSE(host.localTime(Date(std::nan(""))));
    LocalTime farFuture;
    farFuture.year = 1'000'000'000'000LL;
    EXPECT_FALSE(host.dateFromLocalTime(farFuture));
    LocalTime hugeSecond;
    hugeSecond.second = 1e100;
    EXPECT_FALSE(host.dateFromLocalTime(hugeSecond));
    // One second before 1970 is a date, although mktime answers it with -1.
    LocalTime beforeEpoch{1969, 12, 31, 23, 59, 59.5};
    ASSERT_TRUE(host.dateFromLocalTime(beforeEpoch));
    EXPECT_EQ(*host.dateFromLocalTime(beforeEpoch), unix(-0.5));
}

// A modification time read from the file, written as the shortest text that reads back the same
// number (as the profile list stores it), and read back, equals a fresh reading of the same file.
TEST(DateTest, ModificationTimeSurvivesItsStoredTextForm) {
    testing::TempDir dir;
    const std::string file = dir.write("plan.orv", "x");
    simdjson::dom::parser parser;
    for (const long nanoseconds : {0L, 1L, 123456789L, 999999999L, 333333333L}) {
        for (const time_t seconds : {time_t{1700000000}, time_t{4102444800}, time_t{5}}) {
            const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
            ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
            const auto stored = detail::Path(file).lastUpdateDate();
            ASSERT_TRUE(stored);
            const std::string text = fmt::format("{}", stored->timeIntervalSinceReferenceDate());
            const Date fromText(std::strtod(text.c_str(), nullptr));
            double fromJson = 0;
            ASSERT_EQ(parser.parse(text).get_double().get(fromJson), simdjson::SUCCESS) << text;
            const auto fresh = detail::Path(file).lastUpdateDate();
            ASSERT_TRUE(fresh);
            EXPECT_EQ(fromText, *fresh) << text;
            EXPECT_EQ(Date(fromJson), *fresh) << text;
            EXPECT_FALSE(*fresh > Date(fromJson));
        }
    }
}

}  // namespace
}  // namespace today
