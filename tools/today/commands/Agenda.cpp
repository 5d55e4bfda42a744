// `today agenda`: the local days of a range, each with the tasks of every plan on during it, for a
// person or for scripts.
#include <fmt/format.h>

#include <vector>

#include "tools/today/Commands.hpp"
#include "tools/today/PlanViews.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/output/PlanRecords.hpp"
#include "tools/today/output/PlanText.hpp"

namespace today::cli {

namespace {

constexpr int defaultDays = 7;

struct Day {
    std::int64_t number;  // the local calendar day, counted from 1970-01-01
    Date start;
    Date end;  // the next day's start
};

// The local day that a DAY argument names, or none after saying why.
std::optional<std::int64_t> dayArgument(const char* option, const std::string& text, Host& host) {
    const auto date = parseDateArgument(text, host);
    if (!date) {
        printError(dateArgumentError(option, text));
        return std::nullopt;
    }
    return localDayNumber(*date, host);
}

// The tasks of the plan on during the day, in the plan's order.
std::vector<TaskToday> tasksOn(const PlanView& plan, const Day& day) {
    std::vector<TaskToday> on;
    if (!plan.tasks) return on;
    for (const TaskToday& task : *plan.tasks) {
        if (task.start() < day.end && day.start < task.finish()) on.push_back(task);
    }
    return on;
}

void printText(const std::vector<PlanView>& plans, const std::optional<ListError>& listError,
               const std::vector<Day>& days, const Context& context) {
    Host& host = context.host;
    const TextView view{context.style, context.width};
    if (plans.empty()) {
        printNoPlans(listError, view);
        return;
    }
    printLine(fmt::format("Agenda {} {} {}", formatLocalWeekday(days.front().start, host), glyphs().dash,
                          formatLocalWeekday(days.back().start, host)));
    // Plans that could not be loaded, or whose documents moved or went, say so first.
    for (const PlanView& plan : plans) {
        if (plan.tasks && plan.document.state == DocumentState::present) continue;
        printLine("");
        printPlanHeading(plan, view, host);
    }
    bool anyDay = false;
    for (const Day& day : days) {
        std::vector<PlannedTask> tasks;
        for (const PlanView& plan : plans) {
            for (TaskToday& task : tasksOn(plan, day)) tasks.push_back({std::move(task), &plan});
        }
        if (tasks.empty() && !context.options.allDays) continue;
        anyDay = true;
        printLine("");
        printLine(context.style.bold(formatLocalWeekday(day.start, host)));
        if (tasks.empty()) {
            printLine("  Nothing on this day.");
        } else if (context.options.byPlan) {
            for (const PlanView& plan : plans) {
                const auto on = tasksOn(plan, day);
                if (on.empty()) continue;
                printLine(TextLine().add("  ").add(printable(plan.profile.name), Tone::bold), view);
                printTaskLines(on, plan, view, day.number, day.number, host);
            }
        } else {
            orderDay(tasks, day.start);
            printDayLines(tasks, true, view, day.number, day.number, host);
        }
    }
    if (!anyDay) {
        printLine("");
        printLine(days.size() == 1 ? "Nothing on this day." : "Nothing on any of these days.");
    }
}

void printRecords(const std::vector<PlanView>& plans, const std::optional<ListError>& listError,
                  const std::vector<Day>& days, const Context& context) {
    Host& host = context.host;
    std::vector<std::vector<TaskToday>> kept;  // the rows point into these
    kept.reserve(days.size() * plans.size());
    std::vector<TaskRow> rows;
    JsonWriter out = jsonWriter(context.options);
    out.beginObject().key("version").value(recordsVersion).key("command").value("agenda");
    out.key("from").value(formatIso8601(days.front().start, host));
    out.key("to").value(formatIso8601(days.back().end, host));
    writePlans(out, plans, host);
    out.key("days").beginArray();
    for (const Day& day : days) {
        const std::string date = formatLocalDate(day.start, host);
        out.beginObject().key("date").value(date);
        out.key("from").value(formatIso8601(day.start, host)).key("to").value(formatIso8601(day.end, host));
        out.key("tasks").beginArray();
        for (const PlanView& plan : plans) {
            kept.push_back(tasksOn(plan, day));
            for (const TaskToday& task : kept.back()) {
                rows.push_back({&plan, &task, date});
                writeTaskOfPlan(out, task, plan, host);
            }
        }
        out.endArray().endObject();
    }
    out.endArray();
    printTaskRecords(out, plans, listError, rows, context.options, host);
}

}  // namespace

int runAgenda(const Context& context) {
    const Options& options = context.options;
    Host& host = context.host;
    if (options.day && options.from) {
        printError("give either a DAY (with --days) or --from and --to");
        return exitUsage;
    }
    std::optional<std::int64_t> first = localDayNumber(host.now(), host);
    int count = options.days.value_or(defaultDays);
    if (options.day) first = dayArgument("DAY", *options.day, host);
    if (options.from && options.to) {
        first = dayArgument("--from", *options.from, host);
        const auto last = dayArgument("--to", *options.to, host);
        if (!first || !last) return exitUsage;
        if (*last < *first || *last - *first >= 3660) {
            printError("--to must name --from or a later day, within ten years of it");
            return exitUsage;
        }
        count = static_cast<int>(*last - *first + 1);
    }
    if (!first) return exitUsage;

    // Each day runs from its start to the next day's start, as the local calendar has them. A day that
    // the zone skips as a whole starts where the next one does, and is not listed.
    std::vector<Day> days;
    for (int i = 0; i < count; ++i) {
        const auto start = startOfCivilDay(*first + i, host);
        const auto end = startOfCivilDay(*first + i + 1, host);
        if (!start || !end) {
            printError("the local calendar cannot tell when these days start (is TZ a valid time zone?)");
            return exitFailure;
        }
        if (*start < *end) days.push_back({*first + i, *start, *end});
    }

    const auto manager = makeManager(context);
    if (!manager) return exitFailure;
    const auto profiles = chosenProfiles(*manager, options);
    if (!profiles) return exitFailure;
    auto plans = planViews(*manager, *profiles, days.front().start, days.back().end);
    if (options.hideDone) leaveOutDone(plans);
    const auto unreadList = listError(*manager);
    if (options.format == OutputFormat::text) printText(plans, unreadList, days, context);
    else printRecords(plans, unreadList, days, context);
    return allLoaded(plans) && !unreadList ? exitSuccess : exitFailure;
}

}  // namespace today::cli
