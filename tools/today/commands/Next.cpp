// `today next`: the next moments in any plan (a task's start, a milestone's due time), each with when
// and every task whose moment it is, for a person or for scripts.
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

// The next moments after an instant, each with the tasks of every plan whose moment it is.
struct Moment {
    Date at;
    std::vector<PlannedTask> tasks;  // in the order of the plans
};

std::vector<Moment> nextMoments(const std::vector<PlanView>& plans, Date after, int count) {
    std::vector<PlannedTask> later = tasksOfPlans(plans);
    std::erase_if(later, [after](const PlannedTask& each) { return !(after < momentOf(each.task)); });
    orderDay(later, std::nullopt);
    std::vector<Moment> moments;
    for (PlannedTask& each : later) {
        const Date at = momentOf(each.task);
        if (moments.empty() || moments.back().at < at) {
            if (moments.size() == static_cast<std::size_t>(count)) break;
            moments.push_back({at, {}});
        }
        moments.back().tasks.push_back(std::move(each));
    }
    return moments;
}

void printText(const std::vector<PlanView>& plans, const std::optional<ListError>& listError,
               const std::vector<Moment>& moments, Date after, const Context& context) {
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
    if (moments.empty()) {
        printLine(fmt::format("Nothing starts after {}.", formatLocalDay(after, host)));
        return;
    }
    for (const Moment& moment : moments) {
        printLine(
            fmt::format("{}: {} ({})", &moment == &moments.front() ? "Next" : "Then", formatLocalDay(moment.at, host),
                        inText(moment.at.timeIntervalSinceReferenceDate() - after.timeIntervalSinceReferenceDate())));
        const std::int64_t day = localDayNumber(moment.at, host);
        printDayLines(moment.tasks, true, view, day, day, host);
    }
}

void printRecords(const std::vector<PlanView>& plans, const std::optional<ListError>& listError,
                  const std::vector<Moment>& moments, Date after, const Context& context) {
    Host& host = context.host;
    std::vector<TaskRow> rows;
    JsonWriter out = jsonWriter(context.options);
    out.beginObject().key("version").value(recordsVersion).key("command").value("next");
    out.key("at").value(formatIso8601(after, host));
    writePlans(out, plans, host);
    out.key("tasks").beginArray();
    for (const Moment& moment : moments) {
        for (const auto& [task, plan] : moment.tasks) {
            rows.push_back({plan, &task, formatLocalDate(momentOf(task), host)});
            writeTaskOfPlan(out, task, *plan, host);
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
    const auto moments = nextMoments(plans, *after, options.count);
    const auto unreadList = listError(*manager);
    if (options.format == OutputFormat::text) printText(plans, unreadList, moments, *after, context);
    else printRecords(plans, unreadList, moments, *after, context);
    return allLoaded(plans) && !unreadList ? exitSuccess : exitFailure;
}

}  // namespace today::cli
