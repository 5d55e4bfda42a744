// Calendar operations on dates in the process's time zone, through the host's clock and time zone.
// Where the calendar cannot represent a date (far past or future, not a number), whole days of
// 86,400 s stand in, so every date yields a result.
#include "today/outside/Date.hpp"

#include <climits>
#include <cmath>
#include <optional>
#include <tuple>

#include "today/outside/Host.hpp"

namespace today {

namespace {

constexpr double secondsPerDay = 86400.0;
// Beyond this, whole seconds are no longer exact in a double and cannot be searched one by one.
constexpr double largestExactSecond = 4503599627370496.0;  // 2^52

using CalendarDay = std::tuple<std::int64_t, int, int>;  // year, month, day: ordered like the days

CalendarDay calendarDay(const LocalTime& local) { return {local.year, local.month, local.day}; }

std::optional<CalendarDay> calendarDayAt(Host& host, double secondsSinceReference) {
    const auto local = host.localTime(Date(secondsSinceReference));
    if (!local) return std::nullopt;
    return calendarDay(*local);
}

// The start of the date's day counted in whole days of 86,400 s from the reference date.
Date startOfWholeDay(Date date) {
    return Date(std::floor(date.timeIntervalSinceReferenceDate() / secondsPerDay) * secondsPerDay);
}

// The first whole second whose local day is `day`, searched between a second two days before and
// `inDay`, a whole second that lies in `day`. Time zone changes happen on whole seconds.
std::optional<Date> firstSecondOfDay(Host& host, const CalendarDay& day, double inDay) {
    if (std::fabs(inDay) > largestExactSecond) return std::nullopt;
    auto before = static_cast<std::int64_t>(inDay) - 2 * 86400;
    auto within = static_cast<std::int64_t>(inDay);
    const auto dayBefore = calendarDayAt(host, static_cast<double>(before));
    if (!dayBefore || *dayBefore >= day) return std::nullopt;
    while (within - before > 1) {
        const std::int64_t middle = before + (within - before) / 2;
        const auto middleDay = calendarDayAt(host, static_cast<double>(middle));
        if (!middleDay) return std::nullopt;
        (*middleDay >= day ? within : before) = middle;
    }
    return Date(static_cast<double>(within));
}

}  // namespace

Date Date::now() { return Host::current().now(); }

Date Date::toDayOnly() const {
    Host& host = Host::current();
    const auto local = host.localTime(*this);
    if (!local) return startOfWholeDay(*this);
    const CalendarDay day = calendarDay(*local);

    LocalTime midnight;
    midnight.year = local->year;
    midnight.month = local->month;
    midnight.day = local->day;
    const auto candidate = host.dateFromLocalTime(midnight);

    // Usually local midnight exists once and starts the day. On days where the clocks change at
    // midnight it may be skipped (the day starts later) or repeated (the day starts at the first one);
    // then the first second of the day is searched for.
    if (candidate && *candidate <= *this) {
        const double start = candidate->timeIntervalSinceReferenceDate();
        const auto dayAtStart = calendarDayAt(host, start);
        const auto dayBefore = calendarDayAt(host, start - 1);
        if (dayAtStart == day && dayBefore && *dayBefore < day) return *candidate;
    }
    if (const auto first = firstSecondOfDay(host, day, std::floor(_seconds))) return *first;
    if (candidate) return *candidate;
    return startOfWholeDay(*this);
}

Date operator-(Date date, Days days) {
    const Date wholeDaysEarlier(date.timeIntervalSinceReferenceDate() -
                                static_cast<double>(days.count) * secondsPerDay);
    if (days.count == 0) return date;
    Host& host = Host::current();
    auto local = host.localTime(date);
    if (!local) return wholeDaysEarlier;
    std::int64_t day = 0;
    if (__builtin_sub_overflow(std::int64_t{local->day}, days.count, &day) || day < INT_MIN || day > INT_MAX) {
        return wholeDaysEarlier;
    }
    local->day = static_cast<int>(day);  // the calendar carries the days over into months and years
    const auto earlier = host.dateFromLocalTime(*local);
    return earlier ? *earlier : wholeDaysEarlier;
}

}  // namespace today
