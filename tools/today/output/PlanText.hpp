// Plans and their tasks as text for a person, fitted to the width of the terminal.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tools/today/PlanViews.hpp"
#include "tools/today/output/Format.hpp"
#include "tools/today/output/TextLine.hpp"

namespace today::cli {

struct TextView {
    Style style;
    std::size_t width = 80;
};

// A line of text output.
void printLine(const TextLine& line, const TextView& view);

// "2025-06-02 09:00 → 2025-06-27 17:00", "from …", "until …" or "no dates".
std::string spanText(const std::optional<Date>& start, const std::optional<Date>& finish, Host& host);

// When a task is on: "08:00–17:00" for a task within the local day `day` (a day number), "2025-06-10
// 08:00–17:00" for one within another single day, else its start and finish (without their year when
// it is the year of `day`). A milestone is a moment: "due tomorrow 09:00", relative to the local day
// `shownDay` that the view shows.
std::string whenText(const TaskToday& task, std::optional<std::int64_t> day, std::int64_t shownDay, Host& host);

// The plan's heading: its name and dates and its id (on a line of its own when both do not fit), then a
// line that says when its document has moved or is gone, or why the plan could not be loaded.
void printPlanHeading(const PlanView& plan, const TextView& view, Host& host);

// What stands in place of the plans when the list names none: that none are listed yet, or that the
// list could not be read.
void printNoPlans(const std::optional<ListError>& listError, const TextView& view);

// A task of a list that spans plans, and its plan.
struct PlannedTask {
    TaskToday task;
    const PlanView* plan;
};

// The tasks of every loaded plan, each with its plan.
std::vector<PlannedTask> tasksOfPlans(const std::vector<PlanView>& plans);

// The tasks in the day's order: by when each matters (a task begun before `dayStart` at `dayStart`), of
// the same time the unfinished before the done, then the one that began first, else in the order given.
void orderDay(std::vector<PlannedTask>& tasks, std::optional<Date> dayStart);

// One line per task, in the order given: its plan (in a short column, when `planColumn`), milestone
// mark, name, when (red for a late milestone; as room allows, which of its days for a task over several),
// completion, the done mark, colour, and its project task.
void printDayLines(const std::vector<PlannedTask>& tasks, bool planColumn, const TextView& view,
                   std::optional<std::int64_t> day, std::int64_t shownDay, Host& host);

// The tasks of one plan as lines, in the day's order.
void printTaskLines(const std::vector<TaskToday>& tasks, const PlanView& plan, const TextView& view,
                    std::optional<std::int64_t> day, std::int64_t shownDay, Host& host);

// Below a list across plans: the plans that could not be loaded or whose documents moved or went, each
// with its heading and why.
void printPlanNotes(const std::vector<PlanView>& plans, const TextView& view, Host& host);

}  // namespace today::cli
