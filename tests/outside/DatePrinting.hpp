// Readable dates in test failure messages: seconds since the reference date, all digits.
#pragma once

#include <ostream>

#include <fmt/format.h>

#include "today/outside/Date.hpp"

namespace today {

inline void PrintTo(const Date& date, std::ostream* out) {
    *out << "Date(" << fmt::format("{}", date.timeIntervalSinceReferenceDate()) << ")";
}

}  // namespace today
