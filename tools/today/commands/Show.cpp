// `today show`: the tasks of each plan on today's whole local day or another named day, or at one
// instant (--at), for a person or for scripts.
#include <fmt/format.h>

#include <algorithm>
#include <vector>

#include "tools/today/Commands.hpp"
#include "tools/today/PlanViews.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/output/PlanRecords.hpp"
#include "tools/today/output/PlanText.hpp"

namespace today::cli {

namespace {

void printText(const std::vector<PlanView>& plans, const std::optional<ListError>& listError, Date from, Date to,
               const Context& context) {
    Host& host = context.host;
    const TextView view{context.style, context.width};
    if (plans.empty()) {
        printNoPlans(listError, view);
        return;
    }
    const bool instant = from == to;
    printLine(instant ? fmt::format("Tasks on {}", formatLocalDay(from, host))
                      : fmt::format("Tasks on {}", formatLocalWeekday(from, host)));
    const auto day = instant ? std::nullopt : std::optional(localDayNumber(from, host));
    const std::string nothing = instant ? "this date" : "this day";
    if (context.options.byPlan) {
        for (const PlanView& plan : plans) {
            printLine("");
            printPlanHeading(plan, view, host);
            if (!plan.tasks) continue;
            if (plan.tasks->empty()) printLine("  Nothing on " + nothing + ".");
            else printTaskLines(*plan.tasks, plan, view, day, localDayNumber(from, host), host);
        }
        return;
    }
    // One list across plans in time order; the plans with nothing on summed up in one line.
    std::vector<PlannedTask> tasks = tasksOfPlans(plans);
    orderDay(tasks, instant ? std::nullopt : std::optional(from));
    printLine("");
    printDayLines(tasks, true, view, day, localDayNumber(from, host), host);
    const auto idle = std::count_if(plans.begin(), plans.end(),
                                    [](const PlanView& plan) { return plan.tasks && plan.tasks->empty(); });
    if (idle > 0) {
        if (!tasks.empty()) printLine("");
        printLine(idle == 1 ? "1 plan has nothing on " + nothing
                            : fmt::format("{} plans have nothing on {}", idle, nothing));
    }
    printPlanNotes(plans, view, host);
}

void printRecords(const std::vector<PlanView>& plans, const std::optional<ListError>& listError, Date from, Date to,
                  const Context& context) {
    Host& host = context.host;
    if (context.options.format != OutputFormat::json) {
        std::vector<TaskRow> rows;
        const std::string day = formatLocalDate(from, host);
        for (const PlanView& plan : plans) {
            if (!plan.tasks) continue;
            for (const TaskToday& task : *plan.tasks) rows.push_back({&plan, &task, day});
        }
        fmt::print("{}", taskRows(rows, context.options.format, host));
        return;
    }
    JsonWriter out = jsonWriter(context.options);
    out.beginObject().key("version").value(recordsVersion).key("command").value("show");
    out.key("from").value(formatIso8601(from, host)).key("to").value(formatIso8601(to, host));
    out.key("plans").beginArray();
    for (const PlanView& plan : plans) {
        out.beginObject();
        writePlanMembers(out, plan, host);
        out.key("tasks");
        if (!plan.tasks) {
            out.null().endObject();
            continue;
        }
        out.beginArray();
        for (const TaskToday& task : *plan.tasks) {
            out.beginObject();
            writeTaskMembers(out, task, plan, host);
            out.endObject();
        }
        out.endArray().endObject();
    }
    out.endArray();
    writeErrors(out, plans, listError);
    out.endObject();
    fmt::print("{}", out.text());
}

}  // namespace

int runShow(const Context& context) {
    const Options& options = context.options;
    Host& host = context.host;
    // A whole local day, from its start to the next day's start (a day of 23 or 25 hours is one day):
    // today's, or the one DAY names; or the instant that --at names, or DAY with a time of day.
    if (options.day && options.at) {
        printError("give either a DAY or --at");
        return exitUsage;
    }
    const auto argument = options.day  ? readDateArgument(*options.day, host)
                          : options.at ? readDateArgument(*options.at, host)
                                       : std::nullopt;
    if ((options.day || options.at) && !argument) {
        printError(options.day ? dateArgumentError("DAY", *options.day) : dateArgumentError("--at", *options.at));
        return exitUsage;
    }
    std::optional<Date> from;
    std::optional<Date> to;
    if (argument && (options.at || !argument->day)) {
        from = to = argument->date;
    } else {
        const auto day = argument ? argument->day : localDayNumber(host.now(), host);
        from = startOfCivilDay(*day, host);
        to = startOfCivilDay(*day + 1, host);
        if (!from || !to) {
            printError("the local calendar cannot tell when the day starts (is TZ a valid time zone?)");
            return exitFailure;
        }
    }
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;
    const auto profiles = chosenProfiles(*manager, options);
    if (!profiles) return exitFailure;

    auto plans = planViews(*manager, *profiles, *from, *to);
    if (options.hideDone) leaveOutDone(plans);
    const auto unreadList = listError(*manager);
    if (options.format == OutputFormat::text) printText(plans, unreadList, *from, *to, context);
    else printRecords(plans, unreadList, *from, *to, context);
    return allLoaded(plans) && !unreadList ? exitSuccess : exitFailure;
}

}  // namespace today::cli
