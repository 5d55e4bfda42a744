// Plans and their tasks as text: columns sized to the longest entry, the name column (then the
// completion bar, then the line itself) giving way when the terminal is narrow.
#include "tools/today/output/PlanText.hpp"

#include <fmt/format.h>

#include <algorithm>

#include "tools/today/Commands.hpp"
#include "tools/today/dates/Calendar.hpp"
#include "tools/today/output/TaskMoments.hpp"
#include "tools/today/output/TextLine.hpp"

namespace today::cli {

namespace {

// Columns are given out in this order: the name up to the first width (down to the second when even that
// is too much), then the project task, then the bar, then the rest of the name.
constexpr std::size_t firstNameColumn = 24;
constexpr std::size_t shortestNameColumn = 10;
constexpr std::size_t barWidth = 11;  // ten cells and a space before the percentage
constexpr std::size_t planColumnWidth = 8;
constexpr std::size_t shortPlan = 6;  // four columns of the plan's name and the space after it

std::string projectTaskText(const TaskToday& task, const PlanView& plan) {
    const auto id = task.directProjectTaskId();
    if (!id) return {};
    std::string text = fmt::format("#{}", *id);
    if (const auto name = plan.projectTaskNames.find(*id); name != plan.projectTaskNames.end()) {
        text += " " + printable(name->second);
    }
    return text;
}

// " (day 2 of 5)" for a task on several local days, on the local day `day`.
std::string dayOfSpan(const TaskToday& task, std::optional<std::int64_t> day, Host& host) {
    if (!day || task.isMilestone() || !(task.start() < task.finish())) return {};
    const std::int64_t first = localDayNumber(task.start(), host);
    // A task that ends at a midnight is not on the day that midnight begins.
    const std::int64_t last = localDayNumber(Date(task.finish().timeIntervalSinceReferenceDate() - 0.001), host);
    if (last <= first || *day < first || *day > last) return {};
    return fmt::format(" (day {} of {})", *day - first + 1, last - first + 1);
}

}  // namespace

void printLine(const TextLine& line, const TextView& view) { printLine(line.render(view.style, view.width)); }

std::string spanText(const std::optional<Date>& start, const std::optional<Date>& finish, Host& host) {
    const std::string arrow = fmt::format(" {} ", glyphs().arrow);
    if (start && finish) return formatLocalMinutes(*start, host) + arrow + formatLocalMinutes(*finish, host);
    if (start) return "from " + formatLocalMinutes(*start, host);
    if (finish) return "until " + formatLocalMinutes(*finish, host);
    return "no dates";
}

std::string whenText(const TaskToday& task, std::optional<std::int64_t> day, std::int64_t shownDay, Host& host) {
    if (task.isMilestone()) return "due " + dueText(task.finish(), shownDay, host);
    const std::int64_t startDay = localDayNumber(task.start(), host);
    if (task.start() <= task.finish() && startDay == localDayNumber(task.finish(), host)) {
        std::string times =
            formatLocalClock(task.start(), host) + std::string(glyphs().dash) + formatLocalClock(task.finish(), host);
        return day == startDay ? times : formatLocalDate(task.start(), host) + " " + times;
    }
    std::string start = formatLocalMinutes(task.start(), host);
    std::string finish = formatLocalMinutes(task.finish(), host);
    // Beside a day of the same year, the year goes without saying.
    if (day) {
        const std::string year = fmt::format("{:04}-", civilFromDays(*day).year);
        if (start.starts_with(year) && finish.starts_with(year)) {
            start.erase(0, year.size());
            finish.erase(0, year.size());
        }
    }
    return fmt::format("{} {} {}", start, glyphs().arrow, finish);
}

void printPlanHeading(const PlanView& plan, const TextView& view, Host& host) {
    const TodayProjectProfile& profile = plan.profile;
    TextLine heading;
    heading.add(printable(profile.name), Tone::bold).add("  ").add(spanText(profile.start, profile.finish, host));
    if (heading.width() + 5 + displayWidth(printable(profile.id())) <= view.width) {
        printLine(heading.add("  ").add("id " + printable(profile.id()), Tone::dim), view);
    } else {
        printLine(heading, view);
        // An id is never cut: it is copied from here.
        printLine(view.style.dim("  id " + printable(profile.id())));
    }

    // The notes name paths and ids, which are never cut.
    std::string note;
    if (!plan.tasks) {
        note = "could not be loaded from " + printable(profile.sourceOrvFilePath);
    } else if (plan.document.state == DocumentState::moved) {
        note = fmt::format("moved to {}\n  (`today update {}` follows it and keeps the id)",
                           printable(plan.document.movedTo), printable(profile.id()));
    } else if (plan.document.state == DocumentState::missing) {
        note = fmt::format("{} is gone: shown from its snapshot", printable(profile.sourceOrvFilePath));
    } else {
        return;
    }
    printLine(view.style.red("  " + note));
}

void printNoPlans(const std::optional<ListError>& listError, const TextView& view) {
    if (listError)
        printLine(view.style.red(fmt::format("The list of plans {} could not be read.", printable(listError->file))));
    else printLine("No plans are listed yet. Add one with: today add FILE");
}

std::vector<PlannedTask> tasksOfPlans(const std::vector<PlanView>& plans) {
    std::vector<PlannedTask> tasks;
    for (const PlanView& plan : plans) {
        if (!plan.tasks) continue;
        for (const TaskToday& task : *plan.tasks) tasks.push_back({task, &plan});
    }
    return tasks;
}

void orderDay(std::vector<PlannedTask>& tasks, std::optional<Date> dayStart) {
    const auto moment = [dayStart](const TaskToday& task) {
        const Date at = momentOf(task);
        return dayStart && at < *dayStart ? *dayStart : at;
    };
    std::stable_sort(tasks.begin(), tasks.end(), [&moment](const PlannedTask& a, const PlannedTask& b) {
        if (moment(a.task) < moment(b.task)) return true;
        if (moment(b.task) < moment(a.task)) return false;
        if (isDone(a.task) != isDone(b.task)) return isDone(b.task);
        return momentOf(a.task) < momentOf(b.task);
    });
}

void printTaskLines(const std::vector<TaskToday>& planTasks, const PlanView& plan, const TextView& view,
                    std::optional<std::int64_t> day, std::int64_t shownDay, Host& host) {
    std::vector<PlannedTask> tasks;
    for (const TaskToday& task : planTasks) tasks.push_back({task, &plan});
    std::stable_sort(tasks.begin(), tasks.end(),
                     [](const PlannedTask& a, const PlannedTask& b) { return comesBefore(a.task, b.task); });
    printDayLines(tasks, false, view, day, shownDay, host);
}

void printDayLines(const std::vector<PlannedTask>& tasks, bool planColumn, const TextView& view,
                   std::optional<std::int64_t> day, std::int64_t shownDay, Host& host) {
    struct Row {
        std::string plan;
        std::string name;
        std::string when;
        std::string span;
        std::string project;
    };
    std::vector<Row> rows;
    std::size_t planWidth = 0;
    std::size_t spanWidth = 0;
    std::size_t nameWidth = 0;
    std::size_t whenWidth = 0;
    std::size_t swatchWidth = 0;
    std::size_t projectWidth = 0;
    std::size_t doneWidth = 0;
    for (const auto& [task, plan] : tasks) {
        if (isDone(task)) doneWidth = 2 + displayWidth(glyphs().done);
        Row row{planColumn ? printable(plan->profile.name) : std::string(), printable(task.name()),
                whenText(task, day, shownDay, host), dayOfSpan(task, day, host), projectTaskText(task, *plan)};
        planWidth = std::max(planWidth, std::min(displayWidth(row.plan), planColumnWidth));
        nameWidth = std::max(nameWidth, displayWidth(row.name));
        whenWidth = std::max(whenWidth, displayWidth(row.when));
        spanWidth = std::max(spanWidth, displayWidth(row.span));
        swatchWidth = std::max(swatchWidth, displayWidth(fmt::format("{} {}", glyphs().swatch, task.color())));
        projectWidth = std::max(projectWidth, row.project.empty() ? 0 : 2 + displayWidth(row.project));
        rows.push_back(std::move(row));
    }

    // Mark, name, when, percentage and colour always; then what is left as the order above says, with the
    // plan (when at least a few columns of it fit) after the name's first share, and which day of a longer
    // task after the project task.
    const std::size_t fixed = 4 + 2 + whenWidth + 2 + 4 + doneWidth + 2 + swatchWidth;
    std::size_t left = view.width > fixed ? view.width - fixed : 0;
    const auto take = [&left](std::size_t wanted) {
        const std::size_t given = std::min(wanted, left);
        left -= given;
        return given;
    };
    std::size_t nameColumn =
        std::max(take(std::min(nameWidth, firstNameColumn)), std::min(nameWidth, shortestNameColumn));
    const std::size_t planShown = planColumn && left >= std::min(planWidth + 2, shortPlan) ? take(planWidth + 2) : 0;
    const std::size_t projectColumn = take(projectWidth);
    const std::size_t spanShown = left >= spanWidth ? take(spanWidth) : 0;
    const bool bar = left >= barWidth && take(barWidth) == barWidth;
    nameColumn += take(nameWidth - nameColumn);

    for (std::size_t i = 0; i < tasks.size(); ++i) {
        const TaskToday& task = tasks[i].task;
        TextLine line;
        line.add("  ");
        if (planShown > 0) line.add(fitToWidth(rows[i].plan, planShown - 2), Tone::dim).add("  ");
        line.add(task.isMilestone() ? fmt::format("{} ", glyphs().milestone) : "  ");
        line.add(fitToWidth(rows[i].name, nameColumn), Tone::bold).add("  ");
        const bool late = taskState(task, host.now()) == TaskState::late;
        const std::string when = rows[i].when + (spanShown > 0 ? rows[i].span : "");
        line.add(fitToWidth(when, whenWidth + spanShown), late ? Tone::red : Tone::dim).add("  ");
        bar ? line.addBar(task.completed()) : line.addPercent(task.completed());
        if (doneWidth > 0)
            line.add("  ").add(fitToWidth(isDone(task) ? glyphs().done : "", doneWidth - 2), Tone::green);
        line.add("  ").addSwatch(task.color());
        if (!rows[i].project.empty() && projectColumn > 2) {
            line.add("  ").add(fitToWidth(rows[i].project, projectColumn - 2, false));
        }
        printLine(line, view);
    }
}

void printPlanNotes(const std::vector<PlanView>& plans, const TextView& view, Host& host) {
    for (const PlanView& plan : plans) {
        if (plan.tasks && plan.document.state == DocumentState::present) continue;
        printLine("");
        printPlanHeading(plan, view, host);
    }
}

}  // namespace today::cli
