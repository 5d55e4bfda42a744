// Reading dates: ISO 8601 text (plan documents and `--at`) and the words `--at` accepts (now, today,
// tomorrow, yesterday, +Nd, -Nd).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "today/outside/Date.hpp"
#include "today/outside/Host.hpp"

namespace today::cli {

// Seconds from 2001-01-01T00:00:00Z that a date in a plan may lie at, either way (about 291 billion
// years): whole seconds within it fit 64-bit integers, in which the command's calendar works.
inline constexpr double largestDateSeconds = 9.2e18;

// ISO 8601 text as written: a calendar date, optionally a time of day, optionally an offset from UTC.
struct IsoDateTime {
    std::int64_t year = 2001;
    int month = 1;
    int day = 1;
    bool hasTime = false;
    int hour = 0;
    int minute = 0;
    int second = 0;
    double fraction = 0;               // of a second, 0 <= fraction < 1
    std::optional<int> offsetSeconds;  // east of UTC; none for local time
};

// "YYYY-MM-DD", optionally followed by "T" (or a space) and "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff", and then
// optionally by "Z", "±hh:mm", "±hhmm" or "±hh" (only after a time). None when the text is anything else
// or names a day or time that does not exist.
std::optional<IsoDateTime> parseIso8601(std::string_view text);

// The date of ISO text that carries an offset (the offset is required).
std::optional<Date> absoluteDate(const IsoDateTime& iso);

// The date of a local civil time in the host's time zone (fields may be out of range and are carried
// over). A time that the clocks skip, a whole skipped day included, moves forward by the length of the
// skip, whichever instant the host's conversion picks for it.
std::optional<Date> dateOfLocalTime(const LocalTime& local, Host& host);

// The date of the civil time as written (its offset, if any, is not used), in the host's time zone.
std::optional<Date> localDate(const IsoDateTime& iso, Host& host);

// The same local time `days` calendar days later (earlier when negative), in the host's time zone.
std::optional<Date> addingCalendarDays(Date date, std::int64_t days, Host& host);

// The start of a local calendar day (a day number counted from 1970-01-01), as the library's
// `Date::toDayOnly` counts days: local midnight, or the first instant of the day where the clocks change
// at midnight. The host must be the current host.
std::optional<Date> startOfCivilDay(std::int64_t dayNumber, Host& host);

// The start of the local day `days` after the day of `date`.
std::optional<Date> startOfDay(Date date, std::int64_t days, Host& host);

// The argument of `--at`: ISO 8601 (local time when it has no offset; a bare date is local midnight) or
// one of the words now, today, tomorrow, yesterday (the last three are starts of days, as is a bare date), +Nd or -Nd
// (the current local time N calendar days later or earlier). None when the text is none of these.
std::optional<Date> parseDateArgument(std::string_view text, Host& host);

namespace detail {

// Pieces of ISO 8601 text, for readers of forms close to it (MSPDI date-times). Each reads at `at` and
// advances past what it read only when it succeeds.

// Exactly `count` decimal digits.
std::optional<int> readDigits(std::string_view text, std::size_t& at, std::size_t count);
// The character `c`.
bool readCharacter(std::string_view text, std::size_t& at, char c);
// The value of the digits of a decimal fraction (the digits after the separator), 0 <= value <= 1.
double fractionValue(std::string_view digits);

}  // namespace detail

}  // namespace today::cli
