// Today's tasks of a profile: served from the cache file for the asked date, or rebuilt from the plan
// document when its date is no longer the profile's or the cache file cannot be read, then answered
// for the asked date too.
#include <atomic>

#include "manager/ManagerFixture.hpp"

namespace today::testing {
namespace {

using detail::JsonProjectToday;
using detail::JsonTaskToday;
using detail::ManagerAccess;
using detail::ProjectTodayCacheFile;

JsonTaskToday cached(std::optional<std::int64_t> id, std::optional<std::string> name, std::optional<Date> start,
                     std::optional<Date> finish) {
    JsonTaskToday task;
    task.id = id;
    task.name = std::move(name);
    task.start = start;
    task.finish = finish;
    return task;
}

std::vector<std::int64_t> taskIds(const std::optional<std::vector<TaskToday>>& tasks) {
    std::vector<std::int64_t> ids;
    for (const auto& task : tasks.value()) ids.push_back(task.id());
    return ids;
}

class TaskTest : public ManagerTest {
protected:
    void writeCache(const std::string& id, JsonProjectToday snapshot) {
        ASSERT_TRUE(ProjectTodayCacheFile(std::move(snapshot)).save(cachePath(id)));
    }

    static Bytes bookmarkOf(const std::string& path) {
        return Url::fileUrl(path).bookmarkData(BookmarkCreationOptions::withSecurityScope).value();
    }

    // A document modified at `documentTime`, whose loading gives tasks on at various times of the day:
    // 1 started yesterday, 2 starts at noon today, 3 finished before today, 4 finishes at 06:00 today.
    std::string prepareDocument(PlanManager& manager, std::optional<std::string> name = "Fresh") {
        const std::string path = writeDocument("plan.orv", documentTime);
        manager.setDocument(path, planWithTasks(name, {planTask(1, hoursAfterDayStart(-24), hoursAfterDayStart(20)),
                                                       planTask(2, hoursAfterDayStart(12), hoursAfterDayStart(20)),
                                                       planTask(3, hoursAfterDayStart(-30), hoursAfterDayStart(-6)),
                                                       planTask(4, hoursAfterDayStart(-24), hoursAfterDayStart(6))}));
        return path;
    }

    // A stale cache file for the profile, holding task 9 only.
    void writeOldCache(const std::string& id) {
        JsonProjectToday old;
        old.name = "Old";
        old.tasks = std::vector<JsonTaskToday>{cached(9, "Old", hoursAfterDayStart(-1), hoursAfterDayStart(24))};
        writeCache(id, old);
    }
};

TEST_F(TaskTest, WithoutResolutionOptionsTheDocumentIsNeverLoaded) {
    auto base = makeManager<TodayManager>();
    auto manager = makeManager();
    manager->options.reset();
    const std::string path = prepareDocument(*manager);
    writeOldCache("p");
    const std::string cacheText = readText(cachePath("p"));
    const auto profile = makeProfile("p", path, Date(0), bookmarkOf(path));

    EXPECT_EQ(taskIds(base->tasks(profile, testNow())), (std::vector<std::int64_t>{9}));
    EXPECT_EQ(taskIds(manager->tasks(profile, testNow())), (std::vector<std::int64_t>{9}));
    EXPECT_TRUE(manager->takeLoads().empty());
    EXPECT_EQ(readText(cachePath("p")), cacheText);
    EXPECT_FALSE(fileExists(dbPath()));
}

TEST_F(TaskTest, TheDocumentIsReadAgainWhenItsDateDiffersOrTheSnapshotIsUnusable) {
    using Ids = std::vector<std::int64_t>;
    struct Case {
        const char* what;
        double profileDateOffset;  // seconds from the document's modification date
        const char* snapshot;      // "old", "missing" or "damaged"
        bool loadable;
        std::optional<Ids> answer;  // none: no answer at all
    };
    const std::vector<Case> cases = {
        {"unchanged document", 0, "old", true, Ids{9}},
        {"newer document", -60, "old", true, Ids{1, 2}},
        {"older document, as a restored backup", 60, "old", true, Ids{1, 2}},
        {"missing snapshot", 0, "missing", true, Ids{1, 2}},
        {"damaged snapshot", 0, "damaged", true, Ids{1, 2}},
        {"missing snapshot of a document that does not load", 0, "missing", false, Ids{}},
        {"newer document that does not load", -60, "old", false, std::nullopt},
    };
    // A profile that is not listed (deleted) keeps no snapshot: nothing is rebuilt for it.
    {
        auto manager = makeManager();
        const std::string path = prepareDocument(*manager);
        EXPECT_TRUE(
            manager->tasks(makeProfile("gone", path, modifiedDate(path), bookmarkOf(path)), testNow())->empty());
        EXPECT_TRUE(manager->takeLoads().empty());
        EXPECT_FALSE(fileExists(cachePath("gone")));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto manager = makeManager();
        const std::string path = prepareDocument(*manager);
        if (!c.loadable) manager->documents.clear();
        std::filesystem::remove(cachePath("p"));
        if (std::string_view(c.snapshot) == "old") writeOldCache("p");
        if (std::string_view(c.snapshot) == "damaged") writeText(cachePath("p"), R"({"tasks": [)");
        const Date profileDate(modifiedDate(path).timeIntervalSinceReferenceDate() + c.profileDateOffset);
        const auto profile = makeProfile("p", path, profileDate, bookmarkOf(path));
        ASSERT_TRUE(ManagerAccess::updateProjectProfile(*manager, profile));

        const std::string cacheBefore = readText(cachePath("p"));
        const auto answer = manager->tasks(profile, hoursAfterDayStart(13));
        EXPECT_EQ(answer ? std::make_optional(taskIds(answer)) : std::nullopt, c.answer);
        const bool rebuilt = c.answer != std::vector<std::int64_t>{9};
        EXPECT_EQ(manager->takeLoads().size(), rebuilt ? 1u : 0u);
        EXPECT_TRUE(host.takeLines().empty());
        if (!c.loadable) {
            EXPECT_EQ(readText(cachePath("p")), cacheBefore);
        }
        if (rebuilt && c.loadable) {
            EXPECT_EQ(ProjectTodayCacheFile::read(cachePath("p")).value().project().name, "Fresh");
            EXPECT_EQ(manager->projectProfileById("p").value().lastUpdate, modifiedDate(path));
        }
    }
}

TEST_F(TaskTest, SeveralRebuildsInOneCallWriteTheListOnce) {
    auto manager = makeManager();
    std::vector<TodayProjectProfile> profiles;
    for (int i = 0; i < 3; ++i) {
        const std::string name = "plan" + std::to_string(i);
        const std::string path = writeDocument(name + ".orv", documentTime);
        manager->setDocument(path,
                             planWithTasks(name, {planTask(i + 1, hoursAfterDayStart(-1), hoursAfterDayStart(20))}));
        profiles.push_back(makeProfile(name, path, Date(0), bookmarkOf(path)));
        ASSERT_TRUE(ManagerAccess::updateProjectProfile(*manager, profiles.back()));
    }
    auto listWrites = std::make_shared<std::atomic<int>>(0);
    host.setFaultRule([listWrites](HostOp op, const std::string& path, long) {
        if (op == HostOp::rename && path.ends_with("/projects.json")) ++*listWrites;
        return false;
    });
    const auto answers = manager->tasks(profiles, testNow());
    host.clearFaults();

    ASSERT_EQ(answers.size(), 3u);
    for (std::size_t i = 0; i < answers.size(); ++i) {
        EXPECT_EQ(taskIds(answers[i]), std::vector<std::int64_t>{static_cast<std::int64_t>(i + 1)});
    }
    EXPECT_EQ(listWrites->load(), 1);
    const auto stored = storedProfiles();
    ASSERT_EQ(stored.size(), 3u);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(stored[i].name, "plan" + std::to_string(i));
        EXPECT_EQ(stored[i].lastUpdate, modifiedDate(profiles[i].sourceOrvFilePath));
    }
    EXPECT_TRUE(host.takeLines().empty());

    // When that one write fails, each rebuilt plan is reported as its own call would report it.
    const std::string listText = readText(dbPath());
    host.failAll(HostOp::lockFile);
    std::vector<std::string> expected = {"Failed to save today project profiles to file"};
    for (const auto& profile : profiles)
        expected.push_back("Failed to save project today cache file: " + profile.sourceOrvFilePath);
    EXPECT_EQ(manager->tasks(profiles, testNow()).size(), 3u);
    EXPECT_EQ(host.takeLines(), expected);
    EXPECT_EQ(readText(dbPath()), listText);
}

TEST_F(TaskTest, ARebuiltProfileThatIsNotListedIsAppendedAndNamelessIsUntitled) {
    auto manager = makeManager();
    const std::string path = prepareDocument(*manager, std::nullopt);
    ASSERT_TRUE(ManagerAccess::updateProjectProfile(*manager, makeProfile("other", "/docs/other.orv")));

    ASSERT_TRUE(manager->tasks(makeProfile("p", path, Date(0), bookmarkOf(path)), testNow()).has_value());
    const auto profiles = manager->projectProfiles();
    ASSERT_EQ(idsOf(profiles), (std::vector<std::string>{"other", "p"}));
    EXPECT_EQ(profiles[1].name, "Untitiled");
}

}  // namespace
}  // namespace today::testing
