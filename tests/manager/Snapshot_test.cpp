// The snapshot builder, the half-open activity test of a cached task, and the widget's task records.
#include <stdexcept>

#include "manager/ManagerFixture.hpp"
#include "today/manager/TodaySnapshot.hpp"
#include "today/manager/TodayTaskSelection.hpp"

namespace today::testing {
namespace {

using detail::JsonTaskToday;
using detail::makeJsonProjectToday;

std::vector<std::int64_t> taskIds(const detail::JsonProjectToday& snapshot) {
    std::vector<std::int64_t> ids;
    for (const auto& task : snapshot.tasks.value()) ids.push_back(task.id.value());
    return ids;
}

const JsonTaskToday& taskWithId(const detail::JsonProjectToday& snapshot, std::int64_t id) {
    for (const auto& task : snapshot.tasks.value()) {
        if (task.id == id) return task;
    }
    throw std::runtime_error("no task " + std::to_string(id));
}

const Date day = dayStart();
const Date later = hoursAfterDayStart(30);

TEST(SnapshotBuilder, KeepsUnfinishedLeavesInDocumentOrder) {
    JsonTask detailed = planTask(1, hoursAfterDayStart(-5), later, JsonTaskType::normal, "Detailed");
    detailed.completedPercent = 40;
    detailed.newColorIndex = 3;
    const JsonProject project = planWithTasks(
        "Plan", {detailed,
                 withChildren(planTask(2, {}, {}, JsonTaskType::normal),
                              {planTask(3, day, later), planTask(4, {}, hoursAfterDayStart(-1))}),
                 withChildren(planTask({}, {}, {}), {planTask(5, day, later)}),  // no id: subtree hidden
                 planTask(6, day, {}),                                           // no finish
                 planTask(7, day, day),                                          // finishes at the day
                 planTask(8, day, Date(day.timeIntervalSinceReferenceDate() + 1)), planTask(9, {}, later),  // no start
                 planTask(10, {}, later, JsonTaskType::project)});  // a project leaf
    const auto snapshot = makeJsonProjectToday(project, day);

    EXPECT_EQ(snapshot.name, "Plan");
    EXPECT_EQ(snapshot.start, hoursAfterDayStart(-24));
    EXPECT_EQ(snapshot.finish, hoursAfterDayStart(48));
    EXPECT_EQ(taskIds(snapshot), (std::vector<std::int64_t>{1, 3, 8, 9, 10}));

    const auto& first = taskWithId(snapshot, 1);
    EXPECT_EQ(first.name, "Detailed");
    EXPECT_EQ(first.start, hoursAfterDayStart(-5));
    EXPECT_EQ(first.completed, 40);
    EXPECT_EQ(first.color, 3);
    EXPECT_EQ(first.isMilestone, false);
    EXPECT_EQ(taskWithId(snapshot, 3).completed, std::nullopt);
    EXPECT_EQ(taskWithId(snapshot, 9).start, std::nullopt);
    EXPECT_EQ(taskWithId(snapshot, 10).directProjectTaskId, std::nullopt);  // a leaf never names itself
}

TEST(SnapshotBuilder, HandsDownTheOutermostProjectTaskId) {
    const JsonProject project = planWithTasks(
        "Plan", {withChildren(planTask(10, {}, {}, JsonTaskType::project),
                              {withChildren(planTask(20, {}, {}, JsonTaskType::project), {planTask(1, day, later)}),
                               planTask(2, day, later)}),
                 withChildren(planTask(30, {}, {}, JsonTaskType::normal),
                              {withChildren(planTask(40, {}, {}, JsonTaskType::project), {planTask(3, day, later)})}),
                 withChildren(planTask(50, {}, {}, std::nullopt), {planTask(4, day, later)}), planTask(5, day, later)});
    const auto snapshot = makeJsonProjectToday(project, day);
    EXPECT_EQ(taskIds(snapshot), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(taskWithId(snapshot, 1).directProjectTaskId, 10);
    EXPECT_EQ(taskWithId(snapshot, 2).directProjectTaskId, 10);
    EXPECT_EQ(taskWithId(snapshot, 3).directProjectTaskId, 40);
    EXPECT_EQ(taskWithId(snapshot, 4).directProjectTaskId, std::nullopt);
    EXPECT_EQ(taskWithId(snapshot, 5).directProjectTaskId, std::nullopt);
}

JsonTaskToday cachedTask(std::optional<Date> start, std::optional<Date> finish) {
    JsonTaskToday task;
    task.id = 1;
    task.start = start;
    task.finish = finish;
    return task;
}

TEST(TaskActivity, IsOnFromStartInclusiveToFinishExclusive) {
    const Date start = hoursAfterDayStart(9);
    const Date finish = hoursAfterDayStart(17);
    const auto task = cachedTask(start, finish);
    EXPECT_FALSE(detail::isTaskActive(task, Date(start.timeIntervalSinceReferenceDate() - 0.001)));
    EXPECT_TRUE(detail::isTaskActive(task, start));
    EXPECT_TRUE(detail::isTaskActive(task, hoursAfterDayStart(16.9)));
    EXPECT_FALSE(detail::isTaskActive(task, finish));
    EXPECT_FALSE(detail::isTaskActive(cachedTask({}, finish), start));
    EXPECT_FALSE(detail::isTaskActive(cachedTask(start, {}), start));
}

}  // namespace
}  // namespace today::testing
