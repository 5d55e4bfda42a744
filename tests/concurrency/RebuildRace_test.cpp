// Threads that make the manager write while plan documents are being saved again: rebuilds of today's
// snapshot, refreshes of stale bookmarks, updates and the public bookmark resolution all race on one
// manager, and a second manager of the same container works on another thread. Under ThreadSanitizer
// this finds unlocked shared state; in every build, the files must stay whole.
#include <atomic>
#include <chrono>
#include <thread>

#include "manager/ManagerFixture.hpp"
#include "support/ContainerFiles.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"

namespace today::testing {
namespace {

using RebuildRaceTest = ManagerTest;

constexpr int documentCount = 4;
constexpr int rounds = 40;

TEST_F(RebuildRaceTest, RebuildsStaleRefreshesAndUpdatesRaceWithDocumentSaves) {
    auto manager = makeManager();
    std::vector<std::string> paths;
    for (int i = 0; i < documentCount; ++i) {
        paths.push_back(writeDocument("plan" + std::to_string(i) + ".orv", documentTime));
        manager->setDocument(paths.back(),
                             planWithTasks("Plan " + std::to_string(i),
                                           {planTask(i + 1, hoursAfterDayStart(-2), hoursAfterDayStart(20))}));
        ASSERT_TRUE(manager->add(Url::fileUrl(paths.back())));
    }

    std::atomic<bool> saving{true};
    std::atomic<int> failures{0};
    std::atomic<long> widgetPasses{0};
    std::vector<std::thread> threads;
    // The editor saves each document again and again through a new file, so bookmarks go stale; it
    // waits for the widgets to ask between two saves, so that their rebuilds meet the next save.
    threads.emplace_back([&] {
        for (int round = 0; round < rounds; ++round) {
            const std::string& path = paths[static_cast<std::size_t>(round % documentCount)];
            replaceFile(path, "saved " + std::to_string(round), documentTime + 10 + round);
            const long passes = widgetPasses;
            for (int wait = 0; wait < 2000 && widgetPasses < passes + 3; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        saving = false;
    });
    // Widgets ask for today's tasks of every profile, at least once per round, until the saves end.
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            for (long pass = 0; pass < rounds || saving; ++pass) {
                for (const auto& profile : manager->projectProfiles()) {
                    const auto tasks = manager->tasks(profile, testNow());
                    if (!tasks || tasks->size() != 1) ++failures;
                }
                ++widgetPasses;
            }
        });
    }
    // The application updates its documents and resolves their bookmarks itself.
    threads.emplace_back([&] {
        while (saving) {
            for (const auto& path : paths) {
                if (!manager->update(path)) ++failures;
            }
        }
    });
    threads.emplace_back([&] {
        while (saving) {
            for (const auto& profile : manager->projectProfiles()) {
                (void)manager->createFileUrl(*profile.securityScopedBookmark,
                                             BookmarkResolutionOptions::withSecurityScope);
            }
        }
    });
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_GE(widgetPasses.load(), 3L * rounds);
    // Stale bookmarks are reported; nothing failed to be written.
    for (const auto& line : host.lines()) EXPECT_EQ(line, "\"Bookmark is stale.\"");
    EXPECT_EQ(manager->projectProfiles().size(), static_cast<std::size_t>(documentCount));
    expectWholeContainerFiles(containerPath());
    // The list on disk is the manager's own, as its last save left it.
    const auto stored = storedProfiles();
    ASSERT_EQ(stored.size(), manager->projectProfiles().size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(stored[i].id(), manager->projectProfiles()[i].id());
        EXPECT_EQ(stored[i].lastUpdate, manager->projectProfiles()[i].lastUpdate);
    }
}

TEST_F(RebuildRaceTest, TwoManagersOfOneContainerOnTwoThreads) {
    const std::string path = writeDocument("plan.orv", documentTime);
    const JsonProject plan = planWithTasks("Plan", {planTask(1, hoursAfterDayStart(-2), hoursAfterDayStart(20))});
    std::atomic<bool> running{true};
    std::atomic<int> failures{0};
    std::vector<std::string> applicationIds;

    std::thread application([&] {
        auto manager = makeManager();
        manager->setDocument(path, plan);
        for (int round = 0; round < rounds; ++round) {
            if (!manager->add(Url::fileUrl(path))) ++failures;
            const auto profiles = manager->projectProfiles();
            if (profiles.size() > 3 && !manager->deleteProject(profiles.front().id())) ++failures;
        }
        applicationIds = idsOf(manager->projectProfiles());
        running = false;
    });
    std::thread widget([&] {
        while (running) {
            auto manager = makeManager();
            manager->setDocument(path, plan);
            for (const auto& profile : manager->projectProfiles()) {
                if (!manager->tasks(profile, testNow())) ++failures;
            }
        }
    });
    application.join();
    widget.join();

    EXPECT_EQ(failures.load(), 0);
    expectWholeContainerFiles(containerPath());
    EXPECT_EQ(idsOf(storedProfiles()), applicationIds) << "the widget's writes kept the application's changes";
}

}  // namespace
}  // namespace today::testing
