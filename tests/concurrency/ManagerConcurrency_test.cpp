// Many threads on one manager: every operation is one piece of locked work, and the change hook runs
// after the lock on the caller's thread, free to call the manager again.
#include <atomic>
#include <thread>

#include "manager/ManagerFixture.hpp"

namespace today::testing {
namespace {

using ManagerConcurrencyTest = ManagerTest;

// The id that `didChanged` last reported on this thread.
thread_local std::string lastChangedId;

TEST_F(ManagerConcurrencyTest, EightThreadsAddAskAndDeleteOnOneManager) {
    auto manager = makeManager();
    const std::string path = writeDocument("plan.orv", documentTime);
    manager->setDocument(path, planWithTasks("Plan", {planTask(1, hoursAfterDayStart(-2), hoursAfterDayStart(20))}));
    manager->onChanged = [&](const std::string& id) {
        lastChangedId = id;
        // The hook may use the manager: the lock is no longer held.
        (void)manager->projectProfileById(id);
    };

    constexpr int threadCount = 8;
    constexpr int rounds = 4;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < rounds; ++round) {
                if (!manager->add(Url::fileUrl(path))) ++failures;
                const std::string id = lastChangedId;
                const auto profile = manager->projectProfileById(id);
                if (!profile) {
                    ++failures;
                    continue;
                }
                const auto tasks = manager->tasks(*profile, testNow());
                if (!tasks || tasks->size() != 1) ++failures;
                if (!manager->projectProfile(Url::fileUrl(path))) ++failures;
                if (manager->projectProfiles().empty()) ++failures;
                if (!manager->deleteProject(id) || lastChangedId != id) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_TRUE(manager->projectProfiles().empty());
    EXPECT_TRUE(containerEntries().empty());
    EXPECT_EQ(manager->takeChanges().size(), 2u * threadCount * rounds);
    EXPECT_TRUE(host.lines().empty());
}

TEST_F(ManagerConcurrencyTest, TheChangeHookMayCallBackIntoTheManager) {
    auto manager = makeManager();
    const std::string path = writeDocument("plan.orv", documentTime);
    manager->setDocument(path, planWithTasks("Plan", {planTask(1, hoursAfterDayStart(-2), hoursAfterDayStart(20))}));
    std::atomic<int> callbacks{0};
    manager->onChanged = [&](const std::string& id) {
        ++callbacks;
        thread_local bool inHook = false;
        if (inHook) return;
        inHook = true;
        if (const auto profile = manager->projectProfileById(id)) {
            (void)manager->tasks(*profile, testNow());
            // An unchanged document: update reports the change again, from inside this hook.
            EXPECT_TRUE(manager->update(profile->sourceOrvFilePath));
        }
        inHook = false;
    };

    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back([&] { EXPECT_TRUE(manager->add(Url::fileUrl(path))); });
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(callbacks.load(), 8);
    EXPECT_EQ(manager->projectProfiles().size(), 4u);
}

}  // namespace
}  // namespace today::testing
