// Hostile input from every side: stored files that a conforming JSON reader must refuse, a
// "projects.json" whose ids hold "/", "..", NUL and 10,000 characters or whose files are links out of
// the container, and plan documents handed over by the loading hook with a task tree 100,000 levels
// deep, names of megabytes and dates of ±1e300, NaN and ±infinity. Nothing may crash, exhaust the stack,
// touch a file outside the container or leave a file that does not decode. (The fuzz replays run the
// same JSON suite through the readers' round-trip properties.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "FaultEnumeration.hpp"
#include "support/ContainerFiles.hpp"

namespace today::reliability {
namespace {

namespace fs = std::filesystem;

constexpr double midnight = 1699920000.0;  // 2023-11-14T00:00:00Z

Date day(double days) { return Date::fromUnixTime(midnight + days * 86400); }

// Every text of the JSON parsing test suite that a conforming reader must refuse is refused by both
// readers of the profile list and the cache file, and by the streaming reading of a cache file too.
TEST(HostileJson, RefusedTextsOfTheJsonTestSuiteYieldNothing) {
    std::size_t refused = 0;
    for (const auto& entry : fs::directory_iterator(TODAY_TESTDATA_DIR "/jsontestsuite/test_parsing")) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("n_")) continue;
        SCOPED_TRACE(name);
        const std::string text = testing::readText(entry.path().string());
        Bytes bytes(text.begin(), text.end());
        EXPECT_FALSE(detail::decodeProfileList(text));
        EXPECT_FALSE(detail::decodeProfileList(bytes));
        EXPECT_FALSE(detail::decodeProjectToday(text));
        EXPECT_FALSE(detail::decodeProjectToday(bytes, [](const detail::JsonTaskToday&) { return true; }));
        EXPECT_FALSE(detail::ProjectTodayCacheFile::read(entry.path().string()));
        ++refused;
    }
    EXPECT_GT(refused, 150u);
}

class HostileInputTest : public ::testing::Test {
protected:
    HostileInputTest() : world(std::make_shared<PlanLibrary>()) {
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
        EXPECT_TRUE(sameProfiles(world.makeManager()->projectProfiles(), world.manager->projectProfiles()));
    }

    // A list of one ordinary profile ("ok") and one per id, each with a bookmark of `document` and a date so
    // old that every call of tasks rebuilds.
    void writeList(const std::string& document, std::vector<std::string> ids) {
        const auto bookmark = Url::fileUrl(document).bookmarkData(BookmarkCreationOptions::withSecurityScope);
        ASSERT_TRUE(bookmark);
        ids.insert(ids.begin(), "ok");
        std::vector<detail::JsonTodayProjectProfile> records;
        for (const auto& id : ids) {
            detail::JsonTodayProjectProfile& record = records.emplace_back();
            record.id = id;
            record.name = "hostile";
            record.sourceOrvFilePath = document;
            record.securityScopedBookmark = bookmark;
            record.lastUpdate = Date(0);
            record.todayWidget = true;
        }
        world.directory.write("groups/group.test.reliability/projects.json", *detail::encodeProfileList(records));
    }

    // A document whose one task is on over the test day, and cache files all saying "LEAK" where an id that
    // reaches outside its own file name would find them.
    std::string documentAndDecoys() {
        std::vector<JsonTask> tasks;
        tasks.push_back(leafTask(1, "fresh", day(-1), day(1)));
        const std::string document =
            world.addDocument("document.plan", projectOf("Document", std::move(tasks)), midnight - 3600);
        const std::string leak = R"({"tsks":[{"id":666,"nm":"LEAK","stt":-1e9,"fns":1e9}]})";
        for (const char* name : {"outside.prj", "outside", "victim", "groups/outside.prj", "groups/outside",
                                 "groups/victim", "groups/group.test.reliability/sub/inner.prj"}) {
            world.directory.write(name, leak);
        }
        world.directory.write("groups/group.test.reliability/ok.prj",
                              R"({"tsks":[{"id":1,"nm":"ok","stt":-1e9,"fns":1e9}]})");
        return document;
    }

    std::map<std::string, std::string> outsideTheContainer() const {
        auto tree = snapshotTree(world.root);
        std::erase_if(tree, [](const auto& entry) {
            return entry.first.starts_with("groups/group.test.reliability/") &&
                   !entry.first.starts_with("groups/group.test.reliability/sub/");
        });
        return tree;
    }

    testing::TestHost host;
    ScopedHost scoped{host};
    World world;
};

TEST_F(HostileInputTest, IdsThatAreNotPlainFileNamesNeverReachOutsideTheContainer) {
    // Ids that cannot name a file directly in the container, then ids that look like paths but are plain
    // file names, whose cache files stay inside.
    const std::vector<std::string> hostile = {"../outside",
                                              "../../outside",
                                              "sub/inner",
                                              "..",
                                              ".",
                                              std::string("../victim\0", 10),
                                              std::string("\0", 1),
                                              std::string("../../outside\0.prj", 18),
                                              std::string(10000, 'x'),
                                              world.root + "/outside"};
    const std::vector<std::string> pathLike = {"..%2Foutside", "%2e%2e%2Foutside", "..\\outside", "...", " .."};
    std::vector<std::string> ids = hostile;
    ids.insert(ids.end(), pathLike.begin(), pathLike.end());
    writeList(documentAndDecoys(), ids);
    const auto outside = outsideTheContainer();
    auto manager = world.makeManager();
    const auto profiles = manager->projectProfiles();
    ASSERT_EQ(profiles.size(), ids.size() + 1) << "every id is kept as it was read";

    for (const auto& profile : profiles) {
        SCOPED_TRACE("id of " + std::to_string(profile.id().size()) + " bytes: " + profile.id().substr(0, 40));
        const bool isHostile = std::find(hostile.begin(), hostile.end(), profile.id()) != hostile.end();
        // Rebuilt from the document: the fresh answer, but the snapshot is never written outside.
        EXPECT_EQ(describeTasks(manager->tasks(profile, day(0))), "[1:fresh]");
        // From the cache file only: an id that is no plain file name has none; the others' is in the container.
        const auto cached = world.makeWidgetManager()->tasks(profile, day(0));
        EXPECT_EQ(describeTasks(cached), isHostile ? "[]" : "[1:fresh]");
        if (!isHostile) {
            EXPECT_TRUE(testing::fileExists(world.cachePath(profile.id())));
        }
    }
    EXPECT_EQ(outsideTheContainer(), outside);

    // The list still holds every id exactly, NUL and all.
    const auto reread = world.makeManager()->projectProfiles();
    ASSERT_EQ(reread.size(), profiles.size());
    for (std::size_t i = 0; i < reread.size(); ++i) EXPECT_EQ(reread[i].id(), profiles[i].id());

    // Deleting each removes its profile, and no file but the plain ids' own cache files.
    for (const auto& profile : profiles) EXPECT_TRUE(manager->deleteProject(profile.id()));
    for (const char* id : {"", "/", "../groups", "../group.test.reliability"}) EXPECT_TRUE(manager->deleteProject(id));
    EXPECT_TRUE(manager->projectProfiles().empty());
    EXPECT_EQ(outsideTheContainer(), outside);
    EXPECT_TRUE(fs::is_directory(world.container));
    for (const auto& id : pathLike) EXPECT_FALSE(testing::fileExists(world.cachePath(id)));
    EXPECT_FALSE(testing::fileExists(world.cachePath("ok")));
    EXPECT_FALSE(testing::fileExists(world.listPath()));
}

// Symbolic links in the container that point outside it are read through, but never written through:
// a save replaces the link itself, and a delete removes only the link.
TEST_F(HostileInputTest, LinksInTheContainerAreNeverWrittenThrough) {
    const std::string document = documentAndDecoys();
    const std::string outsideList = world.root + "/outside-list.json";
    const std::string outsideCache = world.root + "/outside.prj";
    fs::rename(world.cachePath("ok"), outsideCache);
    writeList(document, {});
    fs::rename(world.listPath(), outsideList);
    fs::create_symlink(outsideList, world.listPath());
    fs::create_symlink(outsideCache, world.cachePath("ok"));
    const auto outside = outsideTheContainer();

    auto manager = world.makeManager();
    const auto ok = manager->projectProfileById("ok");
    ASSERT_TRUE(ok) << "the list is read through the link";
    // A rebuild writes the cache file and the list: both links are replaced, their targets stay.
    EXPECT_EQ(describeTasks(manager->tasks(*ok, day(0))), "[1:fresh]");
    EXPECT_EQ(outsideTheContainer(), outside);
    EXPECT_FALSE(fs::is_symlink(world.listPath()));
    EXPECT_FALSE(fs::is_symlink(world.cachePath("ok")));

    fs::remove(world.cachePath("ok"));
    fs::create_symlink(outsideCache, world.cachePath("ok"));
    EXPECT_TRUE(manager->deleteProject("ok"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(world.cachePath("ok"))));
    EXPECT_EQ(outsideTheContainer(), outside);
}

TEST_F(HostileInputTest, ATaskTree100000LevelsDeepIsWalkedCopiedAndDestroyedWithoutRecursion) {
    const auto profile = add("deep.plan", deeplyNestedProject(100000, day(-1), day(2)));
    ASSERT_TRUE(profile);
    // Served from the cache file: the one leaf, under the outermost task of type project (level 1).
    auto tasks = world.manager->tasks(*profile, day(0));
    ASSERT_TRUE(tasks);
    ASSERT_EQ(tasks->size(), 1u);
    EXPECT_EQ(tasks->front().name(), "deepest");
    EXPECT_EQ(tasks->front().directProjectTaskId(), 1);
    // Rebuilt from the document, then through update.
    touch(*profile);
    EXPECT_EQ(describeTasks(world.manager->tasks(*profile, day(0))), "[100001:deepest]");
    touch(*profile, midnight - 1800);
    EXPECT_TRUE(world.manager->update(profile->sourceOrvFilePath));
    expectDecodableContainer();
}

TEST_F(HostileInputTest, NamesOfMegabytesSurviveTheCacheFileAndTheList) {
    const std::string projectName(8 << 20, 'P');
    std::string taskName;
    for (int i = 0; taskName.size() < (2u << 20); ++i) taskName += "Grüße, 今日 " + std::to_string(i) + " ";
    std::vector<JsonTask> children;
    for (int i = 0; i < 3; ++i) children.push_back(leafTask(i + 1, taskName + std::to_string(i), day(-1), day(1)));
    const auto profile = add("names.plan", projectOf(projectName, std::move(children)));
    ASSERT_TRUE(profile);
    const auto tasks = world.manager->tasks(*profile, day(0));
    ASSERT_TRUE(tasks);
    ASSERT_EQ(tasks->size(), 3u);
    EXPECT_EQ(tasks->at(2).name(), taskName + "2");
    EXPECT_EQ(world.makeManager()->projectProfiles().front().name, projectName);
    expectDecodableContainer();
}

TEST_F(HostileInputTest, ExtremeAndNonFiniteDatesNeverCrashAndNeverReachAFile) {
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
    int index = 0;
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

        const auto profile = add("dates-" + std::to_string(index++) + ".plan", std::move(plan));
        if (!std::isfinite(value)) {
            // A date that JSON cannot hold is never written: the snapshot cannot be saved, so nothing is added.
            EXPECT_FALSE(profile);
            EXPECT_EQ(snapshotTree(world.container), before);
            continue;
        }
        ASSERT_TRUE(profile);
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
    EXPECT_EQ(world.manager->projectProfiles().size(), 7u);
    expectDecodableContainer();

    // The same values reach the calendar through the clock: the day of the snapshot and of a rebuild.
    const auto profile = world.manager->projectProfiles().front();
    double documentTime = midnight;
    for (const double value : values) {
        host.setNow(Date(value));
        touch(profile, documentTime += 60);
        EXPECT_TRUE(world.manager->tasks(profile, Date(value)));
    }
    host.setNow(Date::fromUnixTime(midnight));
    expectDecodableContainer();
}

}  // namespace
}  // namespace today::reliability
