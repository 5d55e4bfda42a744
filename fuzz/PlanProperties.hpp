// What every plan a reader accepts must allow: copying it, building its today snapshot on any day, and
// writing that snapshot to text that reads back the same.
#pragma once

#include "FuzzCheck.hpp"
#include "today/manager/TodaySnapshot.hpp"
#include "today/outside/PlanDocument.hpp"

namespace today::fuzzing {

inline void checkPlan(const JsonProject& plan) {
    const JsonProject copy = plan;
    for (const double day : {-1e12, 0.0, 9.3e8}) {
        const auto snapshot = detail::makeJsonProjectToday(copy, Date(day));
        const auto written = detail::encodeProjectToday(snapshot);
        require(written.has_value(), "the snapshot of a plan that was read can be written");
        const auto reread = detail::decodeProjectToday(*written);
        require(reread.has_value(), "the snapshot reads back");
    }
}

}  // namespace today::fuzzing
