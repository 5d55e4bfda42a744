// A task as a person reads it: a milestone is a moment (its due time is its finish, though the plan's
// answer holds it on during the day before), a task at 100 % is done. Its state, the moment it matters,
// the order of a day's tasks, and the words for a due time near the shown day.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "today/outside/Host.hpp"
#include "today/records/TaskToday.hpp"

namespace today::cli {

// on: unfinished; done: at 100 %; due: a milestone not yet due; late: a milestone past due under 100 %.
enum class TaskState { on, done, due, late };

bool isDone(const TaskToday& task);
TaskState taskState(const TaskToday& task, Date now);
// "on", "done", "due" or "late", as the records write it.
std::string_view stateText(TaskState state);

// When the task matters: a milestone's due time, another task's start.
Date momentOf(const TaskToday& task);
// The day's order: by moment, and of the same moment the unfinished before the done.
bool comesBefore(const TaskToday& a, const TaskToday& b);

// A due time relative to the local day `day` (a day number): "today 17:00", "tomorrow 09:00", "Fri 09:00"
// within the coming week, else "2025-06-20 09:00".
std::string dueText(Date due, std::int64_t day, Host& host);

}  // namespace today::cli
