// Fault enumeration: runs one public operation again and again on a fresh container, failing the 1st,
// 2nd, 3rd ... host operation it makes, until a run passes with no fault hit. After every run the
// common checks hold (each file holds its old content or content the library committed whole, no
// temporary file is left, nothing outside the container changes, a new manager reads the list), and
// the scenario's own check compares the result, the printed lines and the in-memory list with what
// the failure tables say for the step that failed. A new file operation in the library becomes one
// more fault point without new test code.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ReliabilitySupport.hpp"

namespace today::reliability {

inline constexpr const char* groupIdentifier = "group.test.reliability";
inline constexpr const char* saveFailedLine = "Failed to save today project profiles to file";
inline constexpr const char* removeFailedLine = "Failed to remove the project profiles db file";
inline constexpr const char* staleLine = "\"Bookmark is stale.\"";
inline constexpr const char* recreateFailedLine = "\"Failed to re-create project bookmark\"";
inline constexpr const char* updateFailedLine = "\"Failed to update project profile\"";
inline std::string cacheFailedLine(const std::string& documentPath) {
    return "Failed to save project today cache file: " + documentPath;
}

// One application group's container with plan documents beside it, and the application's manager.
struct World {
    explicit World(std::shared_ptr<PlanLibrary> plans);

    std::unique_ptr<PlanManager> makeManager() const;
    // A manager as the widget makes one: no plans of its own to load.
    std::unique_ptr<TodayManager> makeWidgetManager() const;
    // Writes a document file with a modification time and registers its plan.
    std::string addDocument(const std::string& name, JsonProject plan, double unixModificationTime);
    std::string cachePath(const std::string& id) const { return container + "/" + id + ".prj"; }
    std::string listPath() const { return container + "/projects.json"; }

    testing::TempDir directory;
    std::string root;       // the temporary directory: everything a run may see
    std::string container;  // root/groups/<group>
    std::string documents;  // root/documents
    std::shared_ptr<PlanLibrary> plans;
    std::unique_ptr<PlanManager> manager;

    // What the scenario's act works on.
    std::string targetId;
    std::string targetPath;
    std::optional<TodayProjectProfile> targetProfile;
};

// What an operation gave back.
struct Outcome {
    bool result = false;
    std::optional<std::vector<TaskToday>> tasks;
    std::unique_ptr<PlanManager> created;
};

// Everything the checks of one run look at.
struct FaultRun {
    const World& world;
    std::map<std::string, std::string> treeBefore;  // relative to world.root
    std::map<std::string, std::string> treeAfter;
    std::vector<TodayProjectProfile> profilesBefore;
    std::vector<TodayProjectProfile> profilesAfter;  // the manager's list after the operation
    const Outcome& outcome;
    std::optional<RecordingHost::Fault> fault;
    std::vector<std::string> lines;
    std::vector<std::string> changed;  // didChanged calls made by the operation

    // A file of the container before or after, by name.
    std::optional<std::string> before(const std::string& name) const;
    std::optional<std::string> after(const std::string& name) const;
    bool unchanged(const std::string& name) const { return before(name) == after(name); }
    bool faultOn(HostOp op, const std::string& pathPart) const;
    bool faultOnListFile() const;   // a write, rename, remove or read of "projects.json"
    bool faultOnCacheFile() const;  // the same for a ".prj" file
};

struct Scenario {
    std::string name;
    std::function<std::unique_ptr<World>()> prepare;  // fresh world, no faults
    std::function<Outcome(World&)> act;
    std::function<void(const FaultRun&)> check;
};

struct EnumerationResult {
    long faultPoints = 0;                     // runs in which a fault was hit
    std::map<std::string, long> byOperation;  // "rename projects.json" -> count
};

// Runs the scenario with a fault at every host operation it makes, then once without a fault.
EnumerationResult enumerateFaults(RecordingHost& host, const Scenario& scenario);

// The content of every file of the container that a fault-free run of the scenario writes anew.
std::set<std::string> newContentsOfFaultFreeRun(RecordingHost& host, const Scenario& scenario);

}  // namespace today::reliability
