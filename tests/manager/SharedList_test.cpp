// Two managers on one container, as the application and its widget: each change is made to the list as
// the file holds it at that moment, so neither manager loses what the other stored; a list that cannot
// be read, or a lock that cannot be had, fails the change without writing anything.
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "ManagerFixture.hpp"

namespace today::testing {
namespace {

constexpr const char* saveFailed = "Failed to save today project profiles to file";

JsonProject planNamed(const std::string& name) {
    return planWithTasks(name,
                         {planTask(1, hoursAfterDayStart(8), hoursAfterDayStart(12), JsonTaskType::normal, "work")});
}

class SharedListTest : public ManagerTest {
protected:
    SharedListTest() { reset(); }

    // A fresh container: the application adds the first plan, the widget's manager is made, then the
    // application adds the second plan, which the widget has not seen.
    void reset() {
        std::filesystem::remove_all(containerPath());
        std::filesystem::create_directories(containerPath());
        for (const char* name : {"first", "second", "third"}) writeDocument(name, documentTime);
        application = makeManager();
        first = addTo(*application, "first");
        widget = makeManager();
        second = addTo(*application, "second");
        firstBookmark = application->projectProfileById(first).value().securityScopedBookmark;
        host.takeLines();
    }

    std::string addTo(PlanManager& manager, const std::string& name) {
        manager.setDocument(documentPath(name), planNamed(name));
        EXPECT_TRUE(manager.add(Url::fileUrl(documentPath(name))));
        return manager.projectProfile(documentPath(name)).value().id();
    }

    std::unique_ptr<PlanManager> application, widget;
    std::string first, second;
    std::optional<Bytes> firstBookmark;
};

struct WidgetWrite {
    const char* what;
    std::function<void()> act;
    std::function<void(const std::vector<TodayProjectProfile>& stored)> check;
};

TEST_F(SharedListTest, AChangeByOneManagerKeepsWhatTheOtherStoredSince) {
    const Date newer = Date::fromUnixTime(documentTime + 60);
    const std::vector<WidgetWrite> writes = {
        {"add", [this] { addTo(*widget, "third"); },
         [this](const auto& stored) {
             EXPECT_EQ(stored.size(), 3u);
             EXPECT_EQ(stored[0].id(), first);
         }},
        {"delete", [this] { EXPECT_TRUE(widget->deleteProject(first)); },
         [this](const auto& stored) { EXPECT_EQ(idsOf(stored), std::vector{second}); }},
        {"rebuild",
         [this, newer] {
             setModified(documentPath("first"), static_cast<std::int64_t>(newer.unixTime()));
             widget->setDocument(documentPath("first"), planNamed("first, revised"));
             EXPECT_TRUE(widget->tasks(application->projectProfileById(first).value(), testNow()));
         },
         [this, newer](const auto& stored) {
             ASSERT_EQ(idsOf(stored), (std::vector{first, second}));
             EXPECT_EQ(stored[0].name, "first, revised");
             EXPECT_EQ(stored[0].lastUpdate, newer);
         }},
        {"stale bookmark",
         [this] {
             replaceFile(documentPath("first"), "saved by rename", documentTime);
             EXPECT_TRUE(widget->tasks(application->projectProfileById(first).value(), testNow()));
         },
         [this](const auto& stored) {
             ASSERT_EQ(idsOf(stored), (std::vector{first, second}));
             EXPECT_NE(stored[0].securityScopedBookmark, firstBookmark) << "the re-created bookmark is stored";
         }},
        {"update",
         [this, newer] {
             setModified(documentPath("first"), static_cast<std::int64_t>(newer.unixTime()));
             widget->setDocument(documentPath("first"), planNamed("first"));
             EXPECT_TRUE(widget->update(documentPath("first")));
         },
         [this, newer](const auto& stored) {
             ASSERT_EQ(idsOf(stored), (std::vector{first, second}));
             EXPECT_EQ(stored[0].lastUpdate, newer);
         }},
    };
    for (const WidgetWrite& write : writes) {
        SCOPED_TRACE(write.what);
        reset();
        write.act();
        const auto stored = storedProfiles();
        write.check(stored);
        EXPECT_EQ(idsOf(widget->projectProfiles()), idsOf(stored)) << "the widget holds the list it wrote";
        for (const auto& profile : stored) EXPECT_TRUE(fileExists(cachePath(profile.id())));
    }
}

TEST_F(SharedListTest, DeletionsByBothManagersHold) {
    const std::string third = addTo(*application, "third");
    EXPECT_TRUE(widget->deleteProject(first));
    EXPECT_TRUE(application->deleteProject(third));
    EXPECT_EQ(idsOf(storedProfiles()), std::vector{second});
    EXPECT_TRUE(widget->deleteProject(second));
    EXPECT_TRUE(application->projectProfiles().empty()) << "a list emptied by the other manager is read as empty";
    EXPECT_FALSE(fileExists(dbPath()));
}

// The widget holds the first plan's profile when the application removes it; rebuilding its snapshot
// from the widget's copy afterwards does not bring it back into the list, nor leave the snapshot.
TEST_F(SharedListTest, ARemovalByTheOtherManagerIsNotUndoneByARefresh) {
    const TodayProjectProfile held = widget->projectProfileById(first).value();
    EXPECT_TRUE(application->deleteProject(first));
    setModified(documentPath("first"), static_cast<std::int64_t>(documentTime) + 60);
    widget->setDocument(documentPath("first"), planNamed("first, revised"));
    EXPECT_TRUE(widget->tasks(held, testNow()));
    EXPECT_EQ(idsOf(storedProfiles()), std::vector{second});
    EXPECT_FALSE(fileExists(cachePath(first))) << "the rebuilt snapshot of the removed profile is not left";

    // A profile that this manager never saw listed is still stored by its refresh, as before.
    const TodayProjectProfile& unseen = held;
    const auto fresh = makeManager();
    fresh->setDocument(documentPath("first"), planNamed("first, again"));
    setModified(documentPath("first"), static_cast<std::int64_t>(documentTime) + 120);
    EXPECT_TRUE(fresh->tasks(unseen, testNow()));
    EXPECT_EQ(idsOf(storedProfiles()), (std::vector{second, first}));
}

TEST_F(SharedListTest, AListThatCannotBeReadAgainIsNeverWrittenOver) {
    const std::string damaged = readText(dbPath()) + ",";
    writeText(dbPath(), damaged);  // planted between the application's write and the widget's
    widget->setDocument(documentPath("third"), planNamed("third"));
    EXPECT_FALSE(widget->deleteProject(first));
    EXPECT_FALSE(widget->add(Url::fileUrl(documentPath("third"))));
    EXPECT_EQ(host.takeLines(), (std::vector<std::string>{saveFailed, saveFailed}));
    EXPECT_EQ(readText(dbPath()), damaged);
}

TEST_F(SharedListTest, ALockThatCannotBeHadFailsTheChangeAndWritesNothing) {
    const std::string before = readText(dbPath());
    host.failAll(HostOp::lockFile);
    widget->setDocument(documentPath("third"), planNamed("third"));
    EXPECT_FALSE(widget->add(Url::fileUrl(documentPath("third"))));
    EXPECT_FALSE(application->deleteProject(first));
    EXPECT_EQ(host.takeLines(), (std::vector<std::string>{saveFailed, saveFailed}));
    EXPECT_EQ(readText(dbPath()), before);
    EXPECT_TRUE(application->changes.size() == 2 && widget->changes.empty()) << "no change was announced";
}

TEST_F(SharedListTest, AChangeWaitsForTheLockHeldElsewhere) {
    const int held = ::open((dbPath() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::string before = readText(dbPath());
    widget->setDocument(documentPath("third"), planNamed("third"));
    std::atomic<bool> added{false};
    std::thread adding([&] { added = widget->add(Url::fileUrl(documentPath("third"))); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(readText(dbPath()), before) << "written while another holder had the lock";
    ::close(held);
    adding.join();
    EXPECT_TRUE(added);
    EXPECT_EQ(storedProfiles().size(), 3u);
}

TEST_F(ManagerTest, AListThatCouldNotBeReadIsKeptAsideBeforeTheFirstWrite) {
    const std::string damaged = R"([{"id": "a", "sourceOrvFilePath": "/plans/a.plan"},])";
    const std::string copyName = "projects.json.damaged-20240310T100000Z";
    writeDocument("plan", documentTime);
    // Damaged again and again within a second: each copy takes the next free name, never an earlier one.
    for (int copy = 1; copy <= 11; ++copy) {
        const std::string expectedCopy = copy == 1 ? copyName : copyName + "-" + std::to_string(copy);
        SCOPED_TRACE(expectedCopy);
        writeDb(damaged);
        auto manager = makeManager();
        EXPECT_TRUE(manager->projectProfiles().empty());
        EXPECT_TRUE(host.takeLines().empty()) << "reading at creation stays silent";
        manager->setDocument(documentPath("plan"), planNamed("plan"));
        ASSERT_TRUE(manager->add(Url::fileUrl(documentPath("plan"))));
        EXPECT_EQ(readText(containerPath() + "/" + expectedCopy), damaged);
        EXPECT_EQ(storedProfiles().size(), 1u);
    }
    // Only the newest five copies stay.
    std::set<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(containerPath())) {
        if (entry.path().filename().string().starts_with(copyName)) kept.insert(entry.path().filename().string());
    }
    EXPECT_EQ(kept, (std::set<std::string>{copyName + "-7", copyName + "-8", copyName + "-9", copyName + "-10",
                                           copyName + "-11"}));
}

}  // namespace
}  // namespace today::testing
