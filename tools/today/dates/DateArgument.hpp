// Reading dates: ISO 8601 text (plan documents) and the days and instants a person names on the command
// line (`--at`, `--from`, `--to` and the DAY of show and agenda): words, weekdays, relative amounts, times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
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

// A day or an instant as a person names it on the command line, as one text or as its words joined by
// spaces (case is ignored):
// - now; +N or -N followed by d (calendar days at the same local time), w (weeks of calendar days),
//   h (hours) or m (minutes);
// - a day: today, tomorrow, yesterday, a weekday (monday or mon: the coming one, today counted;
//   next mon: the first one after today; last mon: the last one before today; this mon: as mon), or an
//   ISO date (2025-06-10), each meaning the start of that local day; or +Nd, -Nw as above;
// - a day followed by a time of day (tomorrow 14:00, fri 9), or a time of day alone (today at it); a
//   time that the clocks skip moves forward by the skip;
// - ISO 8601 with a time (local time when it has no offset).
struct DateArgument {
    Date date;
    std::optional<std::int64_t> day;  // the local day named (counted from 1970-01-01) when no time was given
};
std::optional<DateArgument> readDateArgument(std::string_view text, Host& host);

// The instant of `readDateArgument`: a day's start for a day.
std::optional<Date> parseDateArgument(std::string_view text, Host& host);

// The message for a text that `readDateArgument` refuses, given as `what` (an option or DAY): what is
// accepted, with examples.
std::string dateArgumentError(std::string_view what, std::string_view text);

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
