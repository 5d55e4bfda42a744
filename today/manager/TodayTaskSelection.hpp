// Which cached task records are on at a date or during a span of time, and how a record becomes the
// widget's `TaskToday`.
#pragma once

#include <optional>

#include "today/outside/Date.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"
#include "today/records/TaskToday.hpp"

namespace today::detail {

// True when the record has a start and a finish and the date lies in [start, finish).
bool isTaskActive(const JsonTaskToday& task, Date at);

// A span of time that tasks are asked for: from `from` up to `to`, or the instant `from` when the two
// are equal.
struct TaskWindow {
    Date from;
    Date to;

    static TaskWindow instant(Date at) { return {at, at}; }
    // Whether the record is on at some time of the window: its start is before `to` and its finish after
    // `from`; for an instant, whether `isTaskActive` holds at it. A window that ends before it starts
    // holds no record.
    bool holds(const JsonTaskToday& task) const;
};

// The widget's task of a record, or none when the record lacks its id, start or finish.
std::optional<TaskToday> taskToday(const JsonTaskToday& task);

}  // namespace today::detail
