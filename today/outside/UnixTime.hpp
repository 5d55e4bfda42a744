// The one conversion from a POSIX time (seconds and nanoseconds since 1970) to a `Date`. File
// modification times and the clock both use it, so the same instant always yields the same double.
#pragma once

#include <ctime>

#include "today/outside/Date.hpp"

namespace today::detail {

inline Date dateFromTimespec(const struct timespec& time) {
    const double unixSeconds = static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
    return Date::fromUnixTime(unixSeconds);
}

}  // namespace today::detail
