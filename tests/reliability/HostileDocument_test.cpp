// Hostile plan documents handed over by the loading hook: a task tree 100,000 levels deep, a million
// tasks, names of megabytes, and dates of ±1e300, 0, NaN and ±infinity. Adding, updating and asking for
// today's tasks must neither crash nor exhaust the stack, and every file left behind must decode.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "FaultEnumeration.hpp"
#include "support/ContainerFiles.hpp"

namespace today::reliability {
namespace {

constexpr double midnight = 1699920000.0;  // 2023-11-14T00:00:00Z

Date day(double days) { return Date::fromUnixTime(midnight + days * 86400); }

class HostileDocumentTest : public ::testing::Test {
protected:
    HostileDocumentTest() : world(std::make_shared<PlanLibrary>()) {
        host.setNow(Date::fromUnixTime(midnight + 10 * 3600));
        world.manager = world.makeManager();
    }

    // Adds the plan as a document and returns its profile.
    std::optional<TodayProjectProfile> add(const std::string& name, JsonProject plan) {
        const std::string path = world.addDocument(name, std::move(plan), midnight - 7200);
        if (!world.manager->add(Url::fileUrl(path))) return std::nullopt;
        return world.manager->projectProfile(path);
    }

    // Saves the document again, so the next call of tasks rebuilds its snapshot.
    void touch(const TodayProjectProfile& profile, double unixTime = midnight - 3600) {
        writeFileInPlace(profile.sourceOrvFilePath, "saved again", unixTime);
    }

    // Every file of the container decodes, and a new manager reads the list back whole.
    void expectDecodableContainer() {
        testing::expectWholeContainerFiles(world.container);
        const auto fresh = world.makeManager();
        ASSERT_TRUE(fresh);
        EXPECT_TRUE(sameProfiles(fresh->projectProfiles(), world.manager->projectProfiles()));
    }

    testing::TestHost host;
    testing::ScopedTimeZone zone{"UTC"};
    ScopedHost scoped{host};
    World world;
};

TEST_F(HostileDocumentTest, aTaskTree100000LevelsDeepIsWalkedCopiedAndDestroyedWithoutRecursion) {
    const std::size_t depth = 100000;
    const auto profile = add("deep.plan", deeplyNestedProject(depth, day(-1), day(2)));
    ASSERT_TRUE(profile);

    // Served from the cache file: the one leaf, under the outermost task of type project (level 1).
    auto tasks = world.manager->tasks(*profile, day(0));
    ASSERT_TRUE(tasks);
    ASSERT_EQ(tasks->size(), 1u);
    EXPECT_EQ(tasks->front().name(), "deepest");
    EXPECT_EQ(tasks->front().directProjectTaskId(), 1);

    // Rebuilt from the document, then through update.
    touch(*profile);
    tasks = world.manager->tasks(*profile, day(0));
    ASSERT_TRUE(tasks);
    EXPECT_EQ(tasks->size(), 1u);
    touch(*profile, midnight - 1800);
    EXPECT_TRUE(world.manager->update(profile->sourceOrvFilePath));
    expectDecodableContainer();
    EXPECT_GE(world.plans->loads(), 3);
}

TEST_F(HostileDocumentTest, aMillionTasksAreSnapshotCachedAndAnswered) {
    const std::size_t count = underSanitizer() ? 200000 : 1000000;
    const auto started = std::chrono::steady_clock::now();
    const auto profile = add("wide.plan", wideProject(count, day(-1), day(1)));
    ASSERT_TRUE(profile);
    const auto cache = testing::readText(world.cachePath(profile->id()));

    auto tasks = world.manager->tasks(*profile, day(0));
    ASSERT_TRUE(tasks);
    EXPECT_EQ(tasks->size(), count);
    EXPECT_EQ(tasks->back().id(), static_cast<std::int64_t>(count));
    EXPECT_TRUE(world.manager->tasks(*profile, day(1))->empty()) << "finish is exclusive";

    touch(*profile);
    tasks = world.manager->tasks(*profile, day(0.5));
    ASSERT_TRUE(tasks);
    EXPECT_EQ(tasks->size(), count) << "a rebuild answers for the start of the current day";
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    reportFigure("tasks in the wide plan", std::to_string(count));
    reportFigure("cache file of the wide plan (bytes)", std::to_string(cache.size()));
    reportFigure("wide plan: add, two answers and a rebuild (s)", std::to_string(seconds));
    expectDecodableContainer();
}

TEST_F(HostileDocumentTest, namesOfMegabytesSurviveTheCacheFileAndTheList) {
    const std::string projectName(8 << 20, 'P');
    std::string taskName;
    for (int i = 0; taskName.size() < (2u << 20); ++i) taskName += "Grüße, 今日 " + std::to_string(i) + " ";
    std::vector<JsonTask> children;
    for (int i = 0; i < 3; ++i) children.push_back(leafTask(i + 1, taskName + std::to_string(i), day(-1), day(1)));
    const auto profile = add("names.plan", projectOf(projectName, std::move(children)));
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->name, projectName);

    const auto tasks = world.manager->tasks(*profile, day(0));
    ASSERT_TRUE(tasks);
    ASSERT_EQ(tasks->size(), 3u);
    EXPECT_EQ(tasks->at(2).name(), taskName + "2");
    EXPECT_EQ(world.makeManager()->projectProfiles().front().name, projectName);
    expectDecodableContainer();
}

TEST_F(HostileDocumentTest, extremeAndNonFiniteDatesNeverCrashAndNeverReachAFile) {
    const double values[] = {1e300,
                             -1e300,
                             0.0,
                             -0.0,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::lowest(),
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    int added = 0, refused = 0;
    for (const double value : values) {
        SCOPED_TRACE("date " + std::to_string(value));
        const Date date(value);
        std::vector<JsonTask> children;
        children.push_back(leafTask(1, "starts then", date, day(3)));
        children.push_back(leafTask(2, "finishes then", day(-1), date));
        children.push_back(leafTask(3, "milestone then", std::nullopt, date, JsonTaskType::milestone));
        children.push_back(leafTask(4, "both then", date, date));
        JsonProject plan = projectOf("dates", std::move(children));
        plan.rootTask->start = date;
        plan.rootTask->finish = date;
        const auto before = snapshotTree(world.container);

        const auto profile = add("dates-" + std::to_string(added + refused) + ".plan", std::move(plan));
        if (!std::isfinite(value)) {
            // A date that JSON cannot hold is never written: the snapshot cannot be saved, so nothing is added.
            EXPECT_FALSE(profile);
            EXPECT_EQ(snapshotTree(world.container), before);
            ++refused;
            continue;
        }
        ASSERT_TRUE(profile);
        ++added;
        for (const double at : values) {
            const auto tasks = world.manager->tasks(*profile, Date(at));
            ASSERT_TRUE(tasks);
            for (const auto& task : *tasks) {
                EXPECT_FALSE(Date(at) < task.start()) << task.name();
                EXPECT_TRUE(Date(at) < task.finish()) << task.name();
            }
        }
        touch(*profile);
        EXPECT_TRUE(world.manager->tasks(*profile, Date(value)));
        EXPECT_TRUE(world.manager->update(profile->sourceOrvFilePath));
    }
    EXPECT_EQ(added, 7);
    EXPECT_EQ(refused, 3);
    expectDecodableContainer();

    // The same values reach the calendar through the clock: the day of the snapshot and of a rebuild.
    const auto profile = world.manager->projectProfiles().front();
    double documentTime = midnight;
    for (const double value : values) {
        host.setNow(Date(value));
        touch(profile, documentTime += 60);
        EXPECT_TRUE(world.manager->tasks(profile, Date(value)));
        (void)Date(value).toDayOnly();
        (void)(Date(value) - Days{1});
    }
    host.setNow(Date::fromUnixTime(midnight));
    expectDecodableContainer();
}

}  // namespace
}  // namespace today::reliability
