// `today show`: the tasks of each plan that are on at a date, for a person or as JSON.
#include <fmt/format.h>

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "tools/today/Commands.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/output/JsonWriter.hpp"

namespace today::cli {

namespace {

// Names wider than this are cut so that the dates stay in one column.
constexpr std::size_t maxNameWidth = 40;

struct ProjectTasks {
    TodayProjectProfile profile;
    std::optional<std::vector<TaskToday>> tasks;  // none when the plan could not be loaded
};

std::string taskLine(const TaskToday& task, std::size_t nameWidth, const Style& style, Host& host) {
    std::string line = "  ";
    line += task.isMilestone() ? "◆ " : "  ";
    line += style.bold(fitToWidth(printable(task.name()), nameWidth));
    line += "  ";
    line += style.dim(formatLocalMinutes(task.start(), host) + " → " + formatLocalMinutes(task.finish(), host));
    line += "  ";
    line += completionBar(task.completed(), style);
    line += "  ";
    line += style.swatch(task.color());
    if (const auto projectTaskId = task.directProjectTaskId()) line += fmt::format("  project #{}", *projectTaskId);
    return line;
}

void printText(const std::vector<ProjectTasks>& projects, Date at, const Context& context) {
    const Style& style = context.style;
    Host& host = context.host;
    if (projects.empty()) {
        printLine("No plans are listed yet. Add one with: today add FILE");
        return;
    }
    printLine(fmt::format("Tasks on {}", formatLocalDay(at, host)));
    for (const auto& [profile, tasks] : projects) {
        printLine("");
        std::string header =
            fmt::format("{}  {}  {}", style.bold(printable(profile.name)),
                        spanText(profile.start, profile.finish, host), style.dim("id " + printable(profile.id())));
        if (!tasks) {
            printLine(header + "  " + style.red("could not be loaded from " + printable(profile.sourceOrvFilePath)));
            continue;
        }
        printLine(header);
        if (tasks->empty()) {
            printLine("  Nothing on this date.");
            continue;
        }
        std::size_t nameWidth = 0;
        for (const auto& task : *tasks) nameWidth = std::max(nameWidth, displayWidth(printable(task.name())));
        nameWidth = std::min(nameWidth, maxNameWidth);
        for (const auto& task : *tasks) printLine(taskLine(task, nameWidth, style, host));
    }
}

void writeOptionalDate(JsonWriter& out, const char* key, const std::optional<Date>& date, Host& host) {
    out.key(key);
    if (date) out.value(formatIso8601(*date, host));
    else out.null();
}

void printJson(const std::vector<ProjectTasks>& projects, Date at, Host& host) {
    JsonWriter out;
    out.beginObject().key("at").value(formatIso8601(at, host));
    out.key("projects").beginArray();
    for (const auto& [profile, tasks] : projects) {
        out.beginObject();
        out.key("id").value(profile.id());
        out.key("name").value(profile.name);
        writeOptionalDate(out, "start", profile.start, host);
        writeOptionalDate(out, "finish", profile.finish, host);
        out.key("sourceOrvFilePath").value(profile.sourceOrvFilePath);
        out.key("loaded").value(tasks.has_value());
        out.key("tasks");
        if (!tasks) {
            out.null().endObject();
            continue;
        }
        out.beginArray();
        for (const auto& task : *tasks) {
            out.beginObject();
            out.key("id").value(task.id());
            out.key("name").value(task.name());
            out.key("start").value(formatIso8601(task.start(), host));
            out.key("finish").value(formatIso8601(task.finish(), host));
            out.key("completed").value(task.completed());
            out.key("color").value(task.color());
            out.key("isMilestone").value(task.isMilestone());
            out.key("directProjectTaskId");
            if (const auto projectTaskId = task.directProjectTaskId()) out.value(*projectTaskId);
            else out.null();
            out.endObject();
        }
        out.endArray().endObject();
    }
    out.endArray().endObject();
    fmt::print("{}", out.text());
}

}  // namespace

int runShow(const Context& context) {
    const Options& options = context.options;
    const auto at = parseDateArgument(options.at, context.host);
    if (!at) {
        printError(
            fmt::format("--at: \"{}\" is not a date; use ISO 8601 (2025-06-10, 2025-06-10T14:30, "
                        "2025-06-10T14:30+02:00) or now, today, tomorrow, yesterday, +3d, -2d",
                        options.at));
        return exitUsage;
    }
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;

    std::vector<TodayProjectProfile> profiles;
    if (options.project) {
        auto profile = manager->projectProfileById(*options.project);
        if (!profile) {
            printError(fmt::format("no plan has the id \"{}\" (see `today list`)", *options.project));
            return exitFailure;
        }
        profiles.push_back(*std::move(profile));
    } else {
        profiles = manager->projectProfiles();
    }

    // One call for all plans: the profiles that rebuilds refresh are stored with one write of the list.
    auto answers = manager->tasks(profiles, *at);
    // A rebuild refreshes the profile's name and dates; show what it stored (the first profile of an id).
    std::unordered_map<std::string, TodayProjectProfile> stored;
    for (auto& profile : manager->projectProfiles()) stored.try_emplace(profile.id(), std::move(profile));
    std::vector<ProjectTasks> projects;
    bool allLoaded = true;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        allLoaded = allLoaded && answers[i].has_value();
        const auto found = stored.find(profiles[i].id());
        projects.push_back({found != stored.end() ? found->second : profiles[i], std::move(answers[i])});
    }

    if (options.json) printJson(projects, *at, context.host);
    else printText(projects, *at, context);
    return allLoaded ? exitSuccess : exitFailure;
}

}  // namespace today::cli
