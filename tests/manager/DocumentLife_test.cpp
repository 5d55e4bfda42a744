// The whole life of a plan document on a host's manager: added, asked for its tasks at several dates,
// saved again by the editor, updated and deleted, with the files, the list, the printed lines and the
// change calls checked at each step.
#include "manager/ManagerFixture.hpp"

namespace today::testing {
namespace {

using detail::ProjectTodayCacheFile;

std::vector<std::int64_t> taskIds(const std::optional<std::vector<TaskToday>>& tasks) {
    std::vector<std::int64_t> ids;
    for (const auto& task : tasks.value()) ids.push_back(task.id());
    return ids;
}

// Version 1: task 1 runs from yesterday to 20:00, task 2 from 12:00 to 14:00, milestone 3 finishes
// tomorrow at 12:00, task 4 finished yesterday. Version 2 replaces task 2 by task 5, which started at
// 23:00 yesterday.
JsonProject version(int number) {
    std::vector<JsonTask> tasks{planTask(1, hoursAfterDayStart(-24), hoursAfterDayStart(20))};
    if (number == 1) tasks.push_back(planTask(2, hoursAfterDayStart(12), hoursAfterDayStart(14)));
    else tasks.push_back(planTask(5, hoursAfterDayStart(-1), hoursAfterDayStart(30)));
    tasks.push_back(planTask(3, {}, hoursAfterDayStart(36), JsonTaskType::milestone, "Review"));
    tasks.push_back(planTask(4, hoursAfterDayStart(-48), hoursAfterDayStart(-24)));
    return planWithTasks("Plan v" + std::to_string(number), std::move(tasks));
}

using DocumentLifeTest = ManagerTest;

TEST_F(DocumentLifeTest, AddAskSaveAgainUpdateDelete) {
    auto manager = makeManager();
    const std::string path = writeDocument("plan.orv", documentTime, "version 1");
    manager->setDocument(path, version(1));

    // Added: a cache file and the list; the host is told after the profile is stored.
    std::optional<TodayProjectProfile> seenByHook;
    manager->onChanged = [&](const std::string& changed) { seenByHook = manager->projectProfileById(changed); };
    ASSERT_TRUE(manager->add(Url::fileUrl(path)));
    const auto added = manager->projectProfiles().at(0);
    const std::string id = added.id();
    EXPECT_EQ(manager->takeChanges(), (std::vector<std::string>{id}));
    ASSERT_TRUE(seenByHook.has_value());
    EXPECT_EQ(seenByHook->id(), id);
    manager->onChanged = nullptr;
    EXPECT_EQ(manager->takeLoads(), (std::vector<std::string>{path}));
    EXPECT_EQ(containerEntries(), (std::vector<std::string>{id + ".prj", "projects.json"}));
    EXPECT_EQ(idsOf(storedProfiles()), (std::vector<std::string>{id}));
    EXPECT_EQ(added.name, "Plan v1");
    EXPECT_EQ(added.start, hoursAfterDayStart(-24));
    EXPECT_EQ(added.finish, hoursAfterDayStart(48));
    EXPECT_EQ(added.lastUpdate, Date::fromUnixTime(documentTime));
    EXPECT_TRUE(added.todayWidget);
    bool isStale = true;
    EXPECT_EQ(Url::resolvingBookmarkData(added.securityScopedBookmark.value(), {}, isStale)->path(), path);

    // The widget asks at several dates: all from the cache file.
    EXPECT_EQ(taskIds(manager->tasks(added, hoursAfterDayStart(11))), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(taskIds(manager->tasks(added, hoursAfterDayStart(13))), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(taskIds(manager->tasks(added, hoursAfterDayStart(35))), (std::vector<std::int64_t>{3}));
    EXPECT_TRUE(manager->tasks(added, hoursAfterDayStart(36))->empty());
    const auto milestone = manager->tasks(added, hoursAfterDayStart(13))->at(2);
    EXPECT_TRUE(milestone.isMilestone());
    EXPECT_EQ(milestone.name(), "Review");
    EXPECT_EQ(milestone.start(), hoursAfterDayStart(12));
    EXPECT_TRUE(manager->takeLoads().empty());
    EXPECT_TRUE(host.lines().empty());

    // The editor saves the document through a new file renamed over it: the bookmark goes stale and
    // the document is newer, so the widget's next question rebuilds, and answers for the asked date.
    replaceFile(path, "version 2", documentTime + 3600);
    manager->setDocument(path, version(2));
    EXPECT_EQ(taskIds(manager->tasks(added, hoursAfterDayStart(13))), (std::vector<std::int64_t>{1, 5, 3}));
    EXPECT_EQ(host.takeLines(), (std::vector<std::string>{"\"Bookmark is stale.\""}));
    EXPECT_EQ(manager->takeLoads(), (std::vector<std::string>{path}));
    const auto rebuilt = storedProfiles().at(0);
    EXPECT_EQ(rebuilt.id(), id);
    EXPECT_EQ(rebuilt.name, "Plan v2");
    EXPECT_EQ(rebuilt.lastUpdate, Date::fromUnixTime(documentTime + 3600));
    EXPECT_NE(rebuilt.securityScopedBookmark, added.securityScopedBookmark);
    EXPECT_TRUE(manager->takeChanges().empty());

    // The refreshed profile is served from the new cache file, for the asked date, without a word.
    EXPECT_EQ(taskIds(manager->tasks(rebuilt, hoursAfterDayStart(13))), (std::vector<std::int64_t>{1, 5, 3}));
    EXPECT_TRUE(manager->takeLoads().empty());
    EXPECT_TRUE(host.lines().empty());

    // Update: unchanged first, then modified in place.
    EXPECT_TRUE(manager->update(path));
    EXPECT_EQ(manager->takeChanges(), (std::vector<std::string>{id}));
    EXPECT_TRUE(manager->takeLoads().empty());
    setModified(path, documentTime + 7200);
    manager->setDocument(path, planWithTasks("Plan v3", {planTask(6, hoursAfterDayStart(9), hoursAfterDayStart(10))}));
    EXPECT_TRUE(manager->update(path));
    EXPECT_EQ(manager->takeChanges(), (std::vector<std::string>{id}));
    const auto updated = storedProfiles().at(0);
    EXPECT_EQ(updated.name, "Plan v3");
    EXPECT_EQ(updated.lastUpdate, Date::fromUnixTime(documentTime + 7200));
    EXPECT_TRUE(updated.todayWidget);
    EXPECT_EQ(taskIds(manager->tasks(updated, hoursAfterDayStart(9.5))), (std::vector<std::int64_t>{6}));
    EXPECT_EQ(ProjectTodayCacheFile::read(cachePath(id))->project().name, "Plan v3");
    EXPECT_TRUE(host.lines().empty());

    // Deleted: no file is left, and the profile's tasks are gone.
    EXPECT_TRUE(manager->deleteProject(id));
    EXPECT_EQ(manager->takeChanges(), (std::vector<std::string>{id}));
    EXPECT_TRUE(containerEntries().empty());
    EXPECT_TRUE(manager->projectProfiles().empty());
    // A widget still holding the deleted profile gets nothing, and does not bring it back.
    EXPECT_TRUE(manager->tasks(updated, hoursAfterDayStart(9.5))->empty());
    EXPECT_TRUE(containerEntries().empty());
    EXPECT_TRUE(host.lines().empty());
}

}  // namespace
}  // namespace today::testing
