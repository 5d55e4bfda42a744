// The states, moments and order of tasks as the command presents them, and the words for a due time.
#include "tools/today/output/TaskMoments.hpp"

#include <fmt/format.h>

#include "tools/today/output/Format.hpp"

namespace today::cli {

bool isDone(const TaskToday& task) { return task.completed() >= 100; }

TaskState taskState(const TaskToday& task, Date now) {
    if (isDone(task)) return TaskState::done;
    if (!task.isMilestone()) return TaskState::on;
    return task.finish() <= now ? TaskState::late : TaskState::due;
}

std::string_view stateText(TaskState state) {
    switch (state) {
        case TaskState::on: return "on";
        case TaskState::done: return "done";
        case TaskState::due: return "due";
        case TaskState::late: return "late";
    }
    return "on";
}

Date momentOf(const TaskToday& task) { return task.isMilestone() ? task.finish() : task.start(); }

bool comesBefore(const TaskToday& a, const TaskToday& b) {
    if (momentOf(a) < momentOf(b)) return true;
    if (momentOf(b) < momentOf(a)) return false;
    return !isDone(a) && isDone(b);
}

std::string dueText(Date due, std::int64_t day, Host& host) {
    const std::int64_t ahead = localDayNumber(due, host) - day;
    const std::string clock = formatLocalClock(due, host);
    if (ahead == 0) return "today " + clock;
    if (ahead == 1) return "tomorrow " + clock;
    if (ahead > 1 && ahead < 7) return formatLocalWeekday(due, host).substr(0, 3) + " " + clock;
    return formatLocalMinutes(due, host);
}

}  // namespace today::cli
