// Which cached task records are on at a date, and how a record becomes the widget's `TaskToday`.
#pragma once

#include <optional>

#include "today/outside/Date.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"
#include "today/records/TaskToday.hpp"

namespace today::detail {

// True when the record has a start and a finish and the date lies in [start, finish).
bool isTaskActive(const JsonTaskToday& task, Date at);

// The widget's task of a record, or none when the record lacks its id, start or finish.
std::optional<TaskToday> taskToday(const JsonTaskToday& task);

}  // namespace today::detail
