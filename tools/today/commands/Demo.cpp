// `today demo`: a sample plan with dates around the current day, added to a fresh temporary container and
// shown, so the command can be tried without a plan of one's own.
#include <fmt/format.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/today/Commands.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/plans/JsonPlanWriter.hpp"

namespace today::cli {

namespace {

JsonTask task(std::int64_t id, std::string name, std::optional<Date> start, std::optional<Date> finish,
              std::int64_t completed, std::int64_t color, JsonTaskType type = JsonTaskType::normal) {
    JsonTask task;
    task.id = id;
    task.type = type;
    task.name = std::move(name);
    task.start = start;
    task.finish = finish;
    task.completedPercent = completed;
    task.newColorIndex = color;
    return task;
}

JsonTask summary(std::int64_t id, std::string name, std::vector<JsonTask> children,
                 JsonTaskType type = JsonTaskType::normal) {
    JsonTask task;
    task.id = id;
    task.type = type;
    task.name = std::move(name);
    task.childs = std::move(children);
    return task;
}

// A small building project: summary tasks, an outer project task, milestones, a task that finished
// yesterday (not shown), tasks on now, and tasks that start later.
JsonProject samplePlan(Date now, Host& host) {
    const auto days = [&](std::int64_t count) {
        return addingCalendarDays(now, count, host)
            .value_or(Date(now.timeIntervalSinceReferenceDate() + 86400.0 * count));
    };
    const auto hours = [&](double count) { return Date(now.timeIntervalSinceReferenceDate() + 3600 * count); };

    JsonTask root = summary(0, "Garden studio", {}, JsonTaskType::project);
    root.start = days(-5);
    root.finish = days(20);
    root.completedPercent = 30;
    root.childs = std::vector<JsonTask>{
        summary(1, "Design",
                {task(2, "Sketch the plans", days(-5), days(-1), 100, 0),
                 task(3, "Choose materials", days(-1), days(1), 60, 1)}),
        summary(10, "Build",
                {summary(11, "Foundation",
                         {task(12, "Pour the slab", days(-2), days(2), 40, 2),
                          task(13, "Slab inspected", std::nullopt, hours(6), 0, 3, JsonTaskType::milestone)}),
                 task(14, "Raise the walls", days(3), days(10), 0, 4)},
                JsonTaskType::project),
        task(20, "Order the windows", hours(-3), days(3), 10, 5),
        task(21, "Move in", std::nullopt, days(20), 0, 6, JsonTaskType::milestone),
    };
    JsonProject project;
    project.name = "Garden studio";
    project.rootTask = std::move(root);
    return project;
}

std::optional<std::string> makeTemporaryDirectory(Host& host) {
    std::string root = host.environmentVariable("TMPDIR").value_or("/tmp");
    if (root.empty()) root = "/tmp";
    std::string pattern = root + "/today-demo-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    // Absolute, as the root of group containers must be, also under a relative TMPDIR.
    std::error_code error;
    return host.realPath(pattern, error);
}

}  // namespace

int runDemo(const Context& context) {
    CommandHost& host = context.host;
    const auto directory = makeTemporaryDirectory(host);
    if (!directory) {
        printError("cannot make a temporary directory for the demo (is TMPDIR writable?)");
        return exitFailure;
    }
    const std::string containers = *directory + "/containers";
    const std::string planPath = *directory + "/garden-studio.json";
    std::error_code error;
    if (!host.makeDirectory(containers, 0700, error)) {
        printError(fmt::format("cannot make the demo's container directory {}: {}", containers, error.message()));
        return exitFailure;
    }
    host.setEnvironmentVariable("TODAY_GROUP_CONTAINERS", containers);

    // Whole minutes keep the sample's dates short in the file.
    const Date now(std::floor(host.now().timeIntervalSinceReferenceDate() / 60) * 60);
    const std::string plan = writeJsonPlan(samplePlan(now, host), host);
    if (!host.writeNewFile(planPath, {reinterpret_cast<const std::uint8_t*>(plan.data()), plan.size()}, error)) {
        printError(fmt::format("cannot write the sample plan {}: {}", planPath, error.message()));
        return exitFailure;
    }
    printLine(fmt::format("Sample plan:     {}", printable(planPath)));
    printLine(fmt::format("Group container: {}/{}", printable(containers), printable(context.options.group)));

    Context step = context;
    step.options.file = planPath;
    if (const int code = runAdd(step); code != exitSuccess) return code;
    printLine("");
    step.options.at.reset();
    step.options.project.reset();
    if (const int code = runShow(step); code != exitSuccess) return code;

    printLine("");
    printLine("Try more with the same container:");
    printLine(fmt::format("  export TODAY_GROUP_CONTAINERS={}", printable(containers)));
    // The follow-ups name the demo's group when it is not the default one.
    const std::string group = context.options.group == WidgetHelper::securityApplicationGroupIdentifier
                                  ? ""
                                  : " --group " + printable(context.options.group);
    const std::string program = printable(context.programName);
    printLine(fmt::format("  {}{}", program, group));
    printLine(fmt::format("  {} agenda --days 7{}", program, group));
    printLine(fmt::format("  {} show --at +4d{}", program, group));
    printLine(fmt::format("  {} list{}", program, group));
    printLine(fmt::format("Remove {} when you are done.", printable(*directory)));
    return exitSuccess;
}

}  // namespace today::cli
