// `today next`: the task that starts next in any plan, or the milestone that is due next, and when
// (every task whose moment is that same time), for a person or for scripts.
#include <fmt/format.h>

#include <cmath>
#include <vector>

#include "tools/today/Commands.hpp"
#include "tools/today/PlanViews.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/output/PlanRecords.hpp"
#include "tools/today/output/PlanText.hpp"
#include "tools/today/output/TaskMoments.hpp"

namespace today::cli {

namespace {

// Later than any task a plan can hold (plans keep their dates within about 291 billion years).
constexpr double endOfTime = 1e19;

// "in 2 days 3 hours", "in 3 hours 5 minutes", "in 12 minutes".
std::string inText(double seconds) {
    const auto minutes = static_cast<std::int64_t>(std::ceil(seconds / 60));
    const auto plural = [](std::int64_t count, const char* unit) {
        return fmt::format("{} {}{}", count, unit, count == 1 ? "" : "s");
    };
    if (minutes < 60) return "in " + plural(minutes, "minute");
    if (minutes < 24 * 60) return fmt::format("in {} {}", plural(minutes / 60, "hour"), plural(minutes % 60, "minute"));
    return fmt::format("in {} {}", plural(minutes / (24 * 60), "day"), plural(minutes / 60 % 24, "hour"));
}

struct Starting {
    std::optional<Date> start;                   // the next moment; none when nothing starts or is due later
    std::vector<std::vector<TaskToday>> byPlan;  // the tasks that start then, for each plan
};

Starting nextStarting(const std::vector<PlanView>& plans, Date after) {
    Starting next;
    for (const PlanView& plan : plans) {
        if (!plan.tasks) continue;
        for (const TaskToday& task : *plan.tasks) {
            const Date moment = momentOf(task);
            if (after < moment && (!next.start || moment < *next.start)) next.start = moment;
        }
    }
    for (const PlanView& plan : plans) {
        auto& starting = next.byPlan.emplace_back();
        if (!plan.tasks || !next.start) continue;
        for (const TaskToday& task : *plan.tasks) {
            if (momentOf(task) == *next.start) starting.push_back(task);
        }
    }
    return next;
}

void printText(const std::vector<PlanView>& plans, const std::optional<ListError>& listError, const Starting& next,
               Date after, const Context& context) {
    Host& host = context.host;
    const TextView view{context.style, context.width};
    if (listError) {
        printNoPlans(listError, view);
        printLine("");
    }
    for (const PlanView& plan : plans) {
        if (plan.tasks && plan.document.state == DocumentState::present) continue;
        printPlanHeading(plan, view, host);
        printLine("");
    }
    if (!next.start) {
        printLine(fmt::format("Nothing starts after {}.", formatLocalDay(after, host)));
        return;
    }
    printLine(
        fmt::format("Next: {} ({})", formatLocalDay(*next.start, host),
                    inText(next.start->timeIntervalSinceReferenceDate() - after.timeIntervalSinceReferenceDate())));
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (next.byPlan[i].empty()) continue;
        printLine(TextLine().add("  ").add(printable(plans[i].profile.name), Tone::bold), view);
        printTaskLines(next.byPlan[i], plans[i], view, localDayNumber(*next.start, host),
                       localDayNumber(*next.start, host), host);
    }
}

void printRecords(const std::vector<PlanView>& plans, const std::optional<ListError>& listError, const Starting& next,
                  Date after, const Context& context) {
    Host& host = context.host;
    std::vector<TaskRow> rows;
    JsonWriter out = jsonWriter(context.options);
    out.beginObject().key("version").value(recordsVersion).key("command").value("next");
    out.key("at").value(formatIso8601(after, host));
    writePlans(out, plans, host);
    out.key("tasks").beginArray();
    for (std::size_t i = 0; i < plans.size(); ++i) {
        for (const TaskToday& task : next.byPlan[i]) {
            rows.push_back({&plans[i], &task, formatLocalDate(momentOf(task), host)});
            writeTaskOfPlan(out, task, plans[i], host);
        }
    }
    out.endArray();
    printTaskRecords(out, plans, listError, rows, context.options, host);
}

}  // namespace

int runNext(const Context& context) {
    const Options& options = context.options;
    Host& host = context.host;
    const auto after = options.at ? parseDateArgument(*options.at, host) : std::optional(host.now());
    if (!after) {
        printError(dateArgumentError("--at", *options.at));
        return exitUsage;
    }
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;
    const auto profiles = chosenProfiles(*manager, options);
    if (!profiles) return exitFailure;
    auto plans = planViews(*manager, *profiles, *after, Date(endOfTime));
    if (options.hideDone) leaveOutDone(plans);
    const Starting next = nextStarting(plans, *after);
    const auto unreadList = listError(*manager);
    if (options.format == OutputFormat::text) printText(plans, unreadList, next, *after, context);
    else printRecords(plans, unreadList, next, *after, context);
    return allLoaded(plans) && !unreadList ? exitSuccess : exitFailure;
}

}  // namespace today::cli
