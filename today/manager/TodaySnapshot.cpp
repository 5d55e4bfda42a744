// The snapshot builder: from a loaded plan document to the today snapshot that the cache file holds.
#include "today/manager/TodaySnapshot.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace today::detail {

namespace {

// One task still to visit, with the id of the outermost project task above it, if any.
struct PendingTask {
    const JsonTask* task;
    std::optional<std::int64_t> directProjectTaskId;
};

bool hasChildren(const JsonTask& task) { return task.childs && !task.childs->empty(); }

void appendTodayTask(std::vector<JsonTaskToday>& tasks, const JsonTask& leaf,
                     std::optional<std::int64_t> directProjectTaskId) {
    const bool isMilestone = leaf.type == JsonTaskType::milestone;
    JsonTaskToday& record = tasks.emplace_back();
    record.id = leaf.id;
    record.name = leaf.name;
    // A milestone is shown during the day before its finish.
    record.start = isMilestone && leaf.finish ? std::optional<Date>(*leaf.finish - Days{1}) : leaf.start;
    record.finish = leaf.finish;
    record.completed = leaf.completedPercent;
    record.color = leaf.newColorIndex;
    record.isMilestone = isMilestone;
    record.directProjectTaskId = directProjectTaskId;
}

// Depth-first, in document order, over the tasks below the root. A task without an id hides its whole
// subtree; summary tasks never enter themselves; a leaf enters when it finishes after the day. The id
// handed down is the outermost project task's: once set, it is never replaced.
void collectTodayTasks(std::vector<JsonTaskToday>& tasks, const std::vector<JsonTask>& topLevel, Date day) {
    std::vector<PendingTask> pending;
    for (auto child = topLevel.rbegin(); child != topLevel.rend(); ++child) pending.push_back({&*child, {}});

    while (!pending.empty()) {
        const PendingTask current = pending.back();
        pending.pop_back();
        const JsonTask& task = *current.task;
        if (!task.id) continue;

        if (hasChildren(task)) {
            std::optional<std::int64_t> handedDown = current.directProjectTaskId;
            if (!handedDown && task.type == JsonTaskType::project) handedDown = task.id;
            for (auto child = task.childs->rbegin(); child != task.childs->rend(); ++child) {
                pending.push_back({&*child, handedDown});
            }
            continue;
        }

        if (task.finish && *task.finish > day) appendTodayTask(tasks, task, current.directProjectTaskId);
    }
}

}  // namespace

JsonProjectToday makeJsonProjectToday(const JsonProject& jsonProject) {
    const JsonTask* root = jsonProject.rootTask ? &*jsonProject.rootTask : nullptr;
    // The day is only needed when there are tasks to choose from.
    const Date snapshotDay = root && hasChildren(*root) ? Date::now().toDayOnly() : Date(0);
    return makeJsonProjectToday(jsonProject, snapshotDay);
}

JsonProjectToday makeJsonProjectToday(const JsonProject& jsonProject, Date snapshotDay) {
    JsonProjectToday snapshot;
    snapshot.name = jsonProject.name;
    if (!jsonProject.rootTask) return snapshot;

    const JsonTask& root = *jsonProject.rootTask;
    snapshot.start = root.start;
    snapshot.finish = root.finish;
    snapshot.completed = root.completedPercent;
    if (!hasChildren(root)) return snapshot;

    snapshot.tasks.emplace();
    collectTodayTasks(*snapshot.tasks, *root.childs, snapshotDay);
    return snapshot;
}

}  // namespace today::detail
