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

// One line per task, in the day's order: milestone mark, name, when (red for a late milestone),
// completion, the done mark, colour, and its project task.
void printTaskLines(const std::vector<TaskToday>& tasks, const PlanView& plan, const TextView& view,
                    std::optional<std::int64_t> day, std::int64_t shownDay, Host& host);

}  // namespace today::cli
