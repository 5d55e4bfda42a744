// Creation of a manager and the persistence of its profile list in "projects.json".
#include "manager/ManagerFixture.hpp"

namespace today::testing {
namespace {

using detail::ManagerAccess;

using LifecycleTest = ManagerTest;

constexpr const char* threeProfiles =
    R"([{"id":"a","name":"A","sourceOrvFilePath":"/docs/a.orv","lastUpdate":10,"todayWidget":true},)"
    R"({"id":"b","name":"B","sourceOrvFilePath":"/docs/b.orv","lastUpdate":20,"todayWidget":false},)"
    R"({"id":"c","name":"C","sourceOrvFilePath":"/docs/c.orv","lastUpdate":30.5,"todayWidget":true}])";

TEST_F(LifecycleTest, GroupWithoutContainerYieldsNoManagerAndTouchesNothing) {
    const std::string containers = root.path() + "/containers";
    std::filesystem::create_directories(containers);
    host.setEnvironmentVariable("TODAY_GROUP_CONTAINERS", containers);

    EXPECT_EQ(TodayManager::make<PlanManager>(""), nullptr);
    EXPECT_EQ(TodayManager::make(".."), nullptr);
    EXPECT_EQ(TodayManager::make("group/escape"), nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(containers));
    EXPECT_TRUE(host.lines().empty());

    auto manager = TodayManager::make<PlanManager>("group.today.test");
    ASSERT_NE(manager, nullptr);
    EXPECT_TRUE(manager->projectProfiles().empty());
    EXPECT_EQ(ManagerAccess::directoryUrl(*manager).path(), containers + "/group.today.test");
    EXPECT_EQ(ManagerAccess::dbFileUrl(*manager).path(), containers + "/group.today.test/projects.json");
    EXPECT_FALSE(fileExists(containers + "/group.today.test/projects.json"));
}

TEST_F(LifecycleTest, ReadsTheListFileInFileOrderAndFollowsWhatOtherWritersDo) {
    writeDb(threeProfiles);
    auto manager = makeManager();
    const auto profiles = manager->projectProfiles();
    ASSERT_EQ(idsOf(profiles), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(profiles[2].lastUpdate, Date(30.5));

    // Another writer emptied the list, then wrote a new one; a damaged file leaves the list as it was.
    std::filesystem::remove(dbPath());
    EXPECT_TRUE(manager->projectProfiles().empty());
    writeDb(R"([{"id":"d","sourceOrvFilePath":"/d"}])");
    EXPECT_EQ(idsOf(manager->projectProfiles()), (std::vector<std::string>{"d"}));
    writeDb("[{");
    EXPECT_EQ(idsOf(manager->projectProfiles()), (std::vector<std::string>{"d"}));
}

TEST_F(LifecycleTest, RecordsWithoutIdOrPathAreDroppedAndGoneAfterTheNextSave) {
    writeDb(R"([{"sourceOrvFilePath":"/docs/x.orv"},{"id":"a","sourceOrvFilePath":"/docs/a.orv"},)"
            R"({"id":"","sourceOrvFilePath":"/docs/y.orv"},{"id":"z","sourceOrvFilePath":""},)"
            R"({"id":"q","sourceOrvFilePath":null},{"id":"b","sourceOrvFilePath":"/docs/b.orv","extra":1}])");
    auto manager = makeManager();
    EXPECT_EQ(idsOf(manager->projectProfiles()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(manager->projectProfiles()[0].name, "Untitiled");
    EXPECT_TRUE(host.lines().empty());

    ASSERT_TRUE(ManagerAccess::removeProjectProfile(*manager, "nobody"));
    EXPECT_EQ(idsOf(storedProfiles()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(readText(dbPath()).find("extra"), std::string::npos);
}

TEST_F(LifecycleTest, CreationRemovesOnlyAbandonedTemporaryFilesOfSaves) {
    const std::int64_t now = static_cast<std::int64_t>(testNow().unixTime());
    const std::string abandoned = containerPath() + "/.projects.json.tmp-0123456789abcdef";
    const std::string inProgress = containerPath() + "/.A.prj.tmp-fedcba9876543210";
    const std::string notOurs = containerPath() + "/.notes.tmp-xyz";
    for (const auto& path : {abandoned, inProgress, notOurs}) writeText(path, "partial");
    setModified(abandoned, now - 3600);
    setModified(inProgress, now - 5);
    setModified(notOurs, now - 3600);

    auto manager = makeManager();
    EXPECT_FALSE(fileExists(abandoned));
    EXPECT_TRUE(fileExists(inProgress));
    EXPECT_TRUE(fileExists(notOurs));
}

}  // namespace
}  // namespace today::testing
