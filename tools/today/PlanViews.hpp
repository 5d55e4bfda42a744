// What the command shows of each plan: its stored profile, its tasks in a span of time (or why there are
// none), where its document now is, and the names of the project tasks its tasks belong to.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/today/CommandManager.hpp"
#include "tools/today/Options.hpp"

namespace today::cli {

// Where a listed plan's document is: at its path; moved or renamed (its bookmark leads elsewhere); or
// gone, so that its tasks come from its snapshot alone.
enum class DocumentState { present, moved, missing };

struct DocumentPlace {
    DocumentState state = DocumentState::present;
    std::string movedTo;  // the path the bookmark leads to, when moved
};

struct PlanView {
    TodayProjectProfile profile;
    std::optional<std::vector<TaskToday>> tasks;  // none when the plan could not be loaded
    std::string error;                            // why, when it could not
    DocumentPlace document;
    std::map<std::int64_t, std::string> projectTaskNames;  // of the project tasks that the tasks name
};

// A list of plans that is there but could not be read (damaged, unreadable, or a directory in its
// place): the plans it names are unknown, so the command reports an error instead of an empty list.
struct ListError {
    std::string file;
    std::string message;
};

// The manager's list as an error, when it could not be read.
std::optional<ListError> listError(const CommandManager& manager);

// Where the profile's document is now.
DocumentPlace locateDocument(const TodayProjectProfile& profile, Host& host);

// The profiles the options choose: every listed plan, or the one --project names; none after saying why.
std::optional<std::vector<TodayProjectProfile>> chosenProfiles(CommandManager& manager, const Options& options);

// The plans with their tasks on from `from` until `to` (at the instant `from` when the two are equal),
// with the profiles as the manager stored them after any rebuild.
std::vector<PlanView> planViews(CommandManager& manager, const std::vector<TodayProjectProfile>& profiles, Date from,
                                Date to);

// The plans without their tasks at 100 %.
void leaveOutDone(std::vector<PlanView>& plans);

// Whether every plan could be loaded.
bool allLoaded(const std::vector<PlanView>& plans);

}  // namespace today::cli
