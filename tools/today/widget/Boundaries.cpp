// The next instant at which the bar's line can change without any file changing.
#include "tools/today/widget/Boundaries.hpp"

#include "tools/today/dates/DateArgument.hpp"

namespace today::cli {

Date nextBoundary(const std::vector<TaskToday>& tasks, Date now, Host& host) {
    // The next local midnight; an hour ahead when the calendar cannot tell (an unknown zone).
    Date next = startOfDay(now, 1, host).value_or(Date(now.timeIntervalSinceReferenceDate() + 3600));
    if (!(now < next)) next = Date(now.timeIntervalSinceReferenceDate() + 3600);
    for (const TaskToday& task : tasks) {
        for (const Date edge : {task.start(), task.finish()}) {
            if (now < edge && edge < next) next = edge;
        }
    }
    return next;
}

}  // namespace today::cli
