// Gathering what the command shows of each plan: tasks through the manager, the document's place, and
// the names of project tasks read from the document itself (the snapshot keeps only their ids).
#include "tools/today/PlanViews.hpp"

#include <fmt/format.h>

#include <set>
#include <unordered_map>

#include "today/manager/ManagerAccess.hpp"
#include "tools/today/Commands.hpp"
#include "tools/today/output/TaskMoments.hpp"
#include "tools/today/plans/PlanLoader.hpp"

namespace today::cli {

namespace {

void collectProjectTaskNames(const JsonTask& task, const std::set<std::int64_t>& wanted,
                             std::map<std::int64_t, std::string>& names) {
    if (task.id && task.type == JsonTaskType::project && wanted.contains(*task.id)) {
        names[*task.id] = task.name.value_or("");
    }
    if (task.childs) {
        for (const JsonTask& child : *task.childs) collectProjectTaskNames(child, wanted, names);
    }
}

// The names of the project tasks that the plan's tasks name, read from its document when it is there.
std::map<std::int64_t, std::string> projectTaskNames(const PlanView& plan) {
    std::set<std::int64_t> wanted;
    if (plan.tasks) {
        for (const TaskToday& task : *plan.tasks) {
            if (const auto id = task.directProjectTaskId()) wanted.insert(*id);
        }
    }
    if (wanted.empty() || plan.document.state == DocumentState::missing) return {};
    const std::string& path =
        plan.document.state == DocumentState::moved ? plan.document.movedTo : plan.profile.sourceOrvFilePath;
    std::map<std::int64_t, std::string> names;
    try {
        const PlanLoadResult loaded = loadPlanDocument(path);
        if (loaded.project && loaded.project->rootTask)
            collectProjectTaskNames(*loaded.project->rootTask, wanted, names);
    } catch (const std::exception&) {
        // The names are a courtesy: the tasks are shown without them.
    }
    return names;
}

}  // namespace

std::optional<ListError> listError(const CommandManager& manager) {
    if (!manager.listFileUnreadable()) return std::nullopt;
    return ListError{detail::ManagerAccess::dbFileUrl(manager).path(),
                     "the list of plans could not be read; it is kept under a new name beside it when the list "
                     "is next saved"};
}

DocumentPlace locateDocument(const TodayProjectProfile& profile, Host& host) {
    if (profile.securityScopedBookmark) {
        bool stale = false;
        const auto url = Url::resolvingBookmarkData(*profile.securityScopedBookmark,
                                                    BookmarkResolutionOptions::withSecurityScope, stale);
        if (url && url->path() != profile.sourceOrvFilePath) return {DocumentState::moved, url->path()};
        if (url) return {};
    }
    if (host.exists(profile.sourceOrvFilePath)) return {};
    return {DocumentState::missing, {}};
}

std::optional<std::vector<TodayProjectProfile>> chosenProfiles(CommandManager& manager, const Options& options) {
    if (!options.project) return manager.projectProfiles();
    auto profile = manager.projectProfileById(*options.project);
    if (!profile) {
        printError(fmt::format("no plan has the id \"{}\" (see `today list`)", *options.project));
        return std::nullopt;
    }
    return std::vector<TodayProjectProfile>{*std::move(profile)};
}

std::vector<PlanView> planViews(CommandManager& manager, const std::vector<TodayProjectProfile>& profiles, Date from,
                                Date to) {
    Host& host = Host::current();
    // Where each document is, before a query follows a stale bookmark and so forgets the old path.
    std::vector<DocumentPlace> places;
    places.reserve(profiles.size());
    for (const auto& profile : profiles) places.push_back(locateDocument(profile, host));

    // One write of the list for all the plans that had to be rebuilt.
    auto answers = manager.tasks(profiles, from, to);
    const auto failures = manager.takeLoadFailures();

    // A rebuild refreshes the profile's name and dates; show what it stored (the first profile of an id).
    std::unordered_map<std::string, TodayProjectProfile> stored;
    for (auto& profile : manager.projectProfiles()) stored.try_emplace(profile.id(), std::move(profile));
    std::vector<PlanView> plans;
    plans.reserve(profiles.size());
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const auto found = stored.find(profiles[i].id());
        PlanView plan{found != stored.end() ? found->second : profiles[i], std::move(answers[i]), {}, places[i], {}};
        if (!plan.tasks) {
            plan.error = "the plan could not be read";
            for (const auto& failure : failures) {
                if (failure.path == plan.profile.sourceOrvFilePath || failure.path == plan.document.movedTo) {
                    plan.error = failure.message;
                }
            }
        }
        plan.projectTaskNames = projectTaskNames(plan);
        plans.push_back(std::move(plan));
    }
    return plans;
}

void leaveOutDone(std::vector<PlanView>& plans) {
    for (PlanView& plan : plans) {
        if (plan.tasks) std::erase_if(*plan.tasks, isDone);
    }
}

bool allLoaded(const std::vector<PlanView>& plans) {
    for (const auto& plan : plans) {
        if (!plan.tasks) return false;
    }
    return true;
}

}  // namespace today::cli
