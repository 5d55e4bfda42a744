// `today open --launch`: a plan's file handed to the user's default application, the bar settings for
// the setting links, and `current`, the plan that is on now.
#include "tools/today/desktop/OpenLink.hpp"

#include <fmt/format.h>

#include <algorithm>

#include "tools/today/PlanViews.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/desktop/BarSnippets.hpp"
#include "tools/today/desktop/Processes.hpp"

namespace today::cli {

namespace {

using Target = WidgetHelper::WidgetURLTarget;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

// The listed plan of the id; a plan whose id differs only in letter case when none has it exactly, as
// a URL's host may reach us lowercased.
std::optional<TodayProjectProfile> planOfId(CommandManager& manager, const std::string& id) {
    if (auto exact = manager.projectProfileById(id)) return exact;
    std::optional<TodayProjectProfile> found;
    for (auto& profile : manager.projectProfiles()) {
        if (!equalIgnoringCase(profile.id(), id)) continue;
        if (found && found->id() != profile.id()) return std::nullopt;  // ambiguous: open none
        if (!found) found = std::move(profile);
    }
    return found;
}

int openPlan(const Context& context, const std::string& id) {
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;
    const auto profile = planOfId(*manager, id);
    if (!profile) {
        printError(fmt::format("no plan has the id \"{}\" (see `today list`)", id));
        return exitFailure;
    }
    const DocumentPlace place = locateDocument(*profile, context.host);
    if (place.state == DocumentState::missing) {
        printError(fmt::format("the file of {} is gone: {}", quotedName(profile->name), profile->sourceOrvFilePath));
        return exitFailure;
    }
    const std::string file = place.state == DocumentState::moved ? place.movedTo : profile->sourceOrvFilePath;
    const auto chosen = context.host.environmentVariable("TODAY_OPEN_COMMAND");
    const std::string opener = chosen && !chosen->empty() ? *chosen : "xdg-open";
    if (const std::error_code error = launchProgram({opener, file})) {
        printError(fmt::format("cannot open {}: cannot run {}: {}{}", file, opener, error.message(),
                               error == std::errc::no_such_file_or_directory && opener == "xdg-open"
                                   ? " (install xdg-utils, or set TODAY_OPEN_COMMAND)"
                                   : ""));
        return exitFailure;
    }
    return exitSuccess;
}

}  // namespace

std::string withWidgetScheme(std::string_view text) {
    static const std::string scheme =
        WidgetHelper::shared.widgetUrl(Target::widgetSettingGuide()).scheme().value_or(std::string());
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || !equalIgnoringCase(text.substr(0, colon), scheme)) {
        return std::string(text);
    }
    return scheme + std::string(text.substr(colon));
}

std::optional<Target> currentPlanTarget(const Context& context) {
    Host& host = context.host;
    const Date now = host.now();
    const auto endOfDay = startOfDay(now, 1, host);
    const auto manager = makeManager(context);
    if (!manager || !endOfDay) {
        if (!endOfDay) printError("the local calendar cannot tell when today ends (is TZ a valid time zone?)");
        return std::nullopt;
    }
    const auto profiles = manager->projectProfiles();
    for (const PlanView& plan : planViews(*manager, profiles, now, now)) {
        if (plan.tasks && !plan.tasks->empty()) return Target::project(plan.profile.id());
    }
    std::optional<Target> next;
    std::optional<Date> nextStart;
    for (const PlanView& plan : planViews(*manager, profiles, now, *endOfDay)) {
        if (!plan.tasks) continue;
        for (const TaskToday& task : *plan.tasks) {
            if (now < task.start() && task.start() < *endOfDay && (!nextStart || task.start() < *nextStart)) {
                nextStart = task.start();
                next = Target::project(plan.profile.id());
            }
        }
    }
    if (!next) printError("no plan has a task on now or later today");
    return next;
}

int launchTarget(const Context& context, const Target& target) {
    if (target.kind() == Target::Kind::project) return openPlan(context, target.projectId());
    fmt::print("{}", barSnippets());
    return exitSuccess;
}

}  // namespace today::cli
