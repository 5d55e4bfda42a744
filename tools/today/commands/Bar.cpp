// `today bar`: the day at a glance for a status bar (waybar, polybar, i3blocks or any bar that runs a
// command), once or, with --watch, a new line whenever it changes. It always exits 0, since a bar hides
// a module whose command fails: what cannot be read shows as the class "error" and a line on standard
// error.
#include <fmt/format.h>

#include <csignal>
#include <set>

#include "today/manager/ManagerAccess.hpp"
#include "tools/today/Commands.hpp"
#include "tools/today/PlanViews.hpp"
#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/widget/BarState.hpp"
#include "tools/today/widget/BarWatch.hpp"
#include "tools/today/widget/Boundaries.hpp"

namespace today::cli {

namespace {

// Later than any task a plan can hold.
constexpr double endOfTime = 1e19;

class Bar {
public:
    explicit Bar(const Context& context) : _context(context) {}

    BarUpdate update() {
        Host& host = _context.host;
        const Options& options = _context.options;
        const Date now = host.now();
        const Date dayStart = startOfDay(now, 0, host).value_or(now);
        if (!_manager) {
            _manager = makeManager(_context);
            if (_manager) _manager->reportLoadFailures(false);
        }

        BarUpdate update;
        std::vector<BarPlan> plans;
        if (!_manager) {
            plans.push_back({"the list of plans", std::nullopt, "the group's container cannot be used"});
        } else {
            update.container = parentOf(today::detail::ManagerAccess::dbFileUrl(*_manager).path());
            std::vector<TodayProjectProfile> profiles;
            if (options.projects.empty()) profiles = _manager->projectProfiles();
            for (const std::string& id : options.projects) {
                if (auto profile = _manager->projectProfileById(id)) profiles.push_back(*std::move(profile));
                else plans.push_back({id, std::nullopt, fmt::format("no plan has the id \"{}\"", id)});
            }
            // Asked after the queries above, which read a list that changed since the last update.
            if (const auto unread = listError(*_manager)) {
                plans.push_back(
                    {"the list of plans", std::nullopt, unread->file + " is damaged or not a readable file"});
            }
            for (const TodayProjectProfile& profile : profiles) {
                update.planFiles.push_back(profile.sourceOrvFilePath);
                plans.push_back({profile.name, _manager->tasks(profile, dayStart, Date(endOfTime)), {}});
            }
            const auto failures = _manager->takeLoadFailures();
            for (std::size_t i = 0; i < profiles.size(); ++i) {
                BarPlan& plan = plans[plans.size() - profiles.size() + i];
                if (plan.tasks) continue;
                plan.error = "the plan could not be read";
                for (const auto& failure : failures) {
                    if (failure.path == profiles[i].sourceOrvFilePath) plan.error = failure.message;
                }
            }
        }
        sayErrors(plans);

        const BarState state = barState(plans, now, host, options.maxWidth);
        update.output = renderBar(state, options.barFormat, options.watch);
        std::vector<TaskToday> all;
        for (const BarPlan& plan : plans) {
            if (plan.tasks) all.insert(all.end(), plan.tasks->begin(), plan.tasks->end());
        }
        update.wakeAt = nextBoundary(all, now, host);
        return update;
    }

private:
    static std::string parentOf(const std::string& path) {
        const auto slash = path.find_last_of('/');
        return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
    }

    // One line on standard error for each plan that cannot be read, once while it stays so.
    void sayErrors(const std::vector<BarPlan>& plans) {
        std::set<std::string> now;
        for (const BarPlan& plan : plans) {
            if (plan.tasks) continue;
            const std::string message = fmt::format("{}: {}", quotedName(plan.name), plan.error);
            if (!_said.contains(message)) printError(message);
            now.insert(message);
        }
        _said = std::move(now);
    }

    const Context& _context;
    std::unique_ptr<CommandManager> _manager;
    std::set<std::string> _said;
};

}  // namespace

int runBar(const Context& context) {
    // A reader that went away shows as a failed write (EPIPE), which ends the command quietly.
    std::signal(SIGPIPE, SIG_IGN);
    // Nothing would read the lines: a watcher ends at once rather than run unseen until it is killed.
    if (context.outputClosed) {
        printError("cannot write the output: standard output is closed");
        return exitSuccess;
    }
    Bar bar(context);
    if (!context.options.watch) {
        writeOutput(bar.update().output);
        return exitSuccess;
    }
    context.host.printEachMessageOnce();
    watchBar([&bar] { return bar.update(); }, context.options.interval);
    return exitSuccess;
}

}  // namespace today::cli
