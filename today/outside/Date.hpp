// A point in time as the library stores it: seconds since 2001-01-01T00:00:00Z, held as one double so
// that a date written to a file and read back compares equal. Calendar operations (local midnight,
// whole days earlier) use the process's time zone through the host seam.
#pragma once

#include <compare>
#include <cstdint>

#include "today/export.hpp"

namespace today {

class TODAY_API Date {
public:
    // Unix time of the reference date 2001-01-01T00:00:00Z.
    static constexpr double referenceUnixTime = 978307200.0;

    constexpr explicit Date(double secondsSinceReferenceDate) : _seconds(secondsSinceReferenceDate) {}

    // The current time, from the host's clock.
    static Date now();
    static Date fromUnixTime(double unixSeconds) { return Date(unixSeconds - referenceUnixTime); }

    constexpr double timeIntervalSinceReferenceDate() const { return _seconds; }
    double unixTime() const { return _seconds + referenceUnixTime; }

    // Local midnight that starts this date's day. Dates the calendar cannot represent fall back to
    // whole days of 86,400 s counted from the reference date.
    Date toDayOnly() const;

    friend constexpr bool operator==(Date, Date) = default;
    friend constexpr auto operator<=>(Date a, Date b) { return a._seconds <=> b._seconds; }

private:
    double _seconds;
};

// A number of calendar days.
struct Days {
    std::int64_t count;
};

// The same local time `days.count` calendar days earlier.
TODAY_API Date operator-(Date date, Days days);

}  // namespace today
