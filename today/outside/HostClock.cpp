// The POSIX host's clock and time zone: the real-time clock, and conversions between dates and local
// civil time through the C library (the time zone named by TZ, else the system's).
#include <cmath>
#include <ctime>
#include <limits>

#include "today/outside/PosixHost.hpp"
#include "today/outside/UnixTime.hpp"

namespace today {

namespace {

// Whole seconds since the reference date that still fit a time_t once the reference offset is added.
constexpr double maximumWholeSeconds = 9.0e18;

}  // namespace

Date PosixHost::now() {
    struct timespec time {};
    ::clock_gettime(CLOCK_REALTIME, &time);
    return detail::dateFromTimespec(time);
}

std::optional<LocalTime> PosixHost::localTime(Date date) {
    const double seconds = date.timeIntervalSinceReferenceDate();
    if (!std::isfinite(seconds)) return std::nullopt;
    // Split into whole seconds and fraction before adding the reference offset, so that the fraction is
    // exact and the date can be put together again without rounding.
    const double whole = std::floor(seconds);
    if (std::fabs(whole) > maximumWholeSeconds) return std::nullopt;
    const double fraction = seconds - whole;
    const std::time_t unixTime = static_cast<std::time_t>(whole) + static_cast<std::time_t>(Date::referenceUnixTime);

    ::tzset();  // localtime_r need not look at TZ again; changes of TZ must be honoured
    struct tm civil {};
    if (!::localtime_r(&unixTime, &civil)) return std::nullopt;  // year beyond the calendar's range
    LocalTime local;
    local.year = static_cast<std::int64_t>(civil.tm_year) + 1900;
    local.month = civil.tm_mon + 1;
    local.day = civil.tm_mday;
    local.hour = civil.tm_hour;
    local.minute = civil.tm_min;
    local.second = civil.tm_sec + fraction;
    return local;
}

std::optional<Date> PosixHost::dateFromLocalTime(const LocalTime& local) {
    constexpr auto intMax = std::numeric_limits<int>::max();
    constexpr auto intMin = std::numeric_limits<int>::min();
    if (!std::isfinite(local.second)) return std::nullopt;
    const double wholeSecond = std::floor(local.second);
    if (wholeSecond < intMin || wholeSecond > intMax) return std::nullopt;
    if (local.year < std::int64_t{intMin} + 1900 || local.year > std::int64_t{intMax} + 1900) return std::nullopt;
    if (local.month == intMin) return std::nullopt;

    struct tm civil {};
    civil.tm_year = static_cast<int>(local.year - 1900);
    civil.tm_mon = local.month - 1;
    civil.tm_mday = local.day;
    civil.tm_hour = local.hour;
    civil.tm_min = local.minute;
    civil.tm_sec = static_cast<int>(wholeSecond);
    civil.tm_isdst = -1;  // let the time zone decide
    // mktime answers -1 both for an error and for one second before 1970; a field it always sets on
    // success tells the two apart.
    civil.tm_yday = -1;
    // mktime reads the time zone afresh itself (as if by tzset), so changes of TZ are honoured; another
    // tzset here would only look at the zone file once more.
    const std::time_t unixTime = ::mktime(&civil);
    if (unixTime == static_cast<std::time_t>(-1) && civil.tm_yday == -1) return std::nullopt;

    const auto sinceReference = static_cast<double>(unixTime - static_cast<std::time_t>(Date::referenceUnixTime));
    return Date(sinceReference + (local.second - wholeSecond));
}

}  // namespace today
