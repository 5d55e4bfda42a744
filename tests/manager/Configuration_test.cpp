// The configuration operations: add, update and delete, with their files, messages and change calls.
// Every failure of a file operation on the way is covered by the fault enumeration of the reliability
// suite; these are the outcomes that do not depend on one.
#include "manager/ManagerFixture.hpp"

namespace today::testing {
namespace {

using detail::ProjectTodayCacheFile;

class ConfigurationTest : public ManagerTest {
protected:
    ConfigurationTest() : path(writeDocument("plan.orv", documentTime)), manager(makeManager()) {
        manager->setDocument(path,
                             planWithTasks("Plan", {planTask(1, hoursAfterDayStart(-2), hoursAfterDayStart(20))}));
    }

    // Adds the document and returns its new profile.
    TodayProjectProfile added() {
        EXPECT_TRUE(manager->add(Url::fileUrl(path)));
        auto profiles = manager->projectProfiles();
        manager->takeChanges();
        manager->takeLoads();
        return profiles.back();
    }

    void expectNothingHappened() {
        EXPECT_TRUE(containerEntries().empty());
        EXPECT_TRUE(manager->projectProfiles().empty());
        EXPECT_TRUE(manager->takeChanges().empty());
        EXPECT_TRUE(host.takeLines().empty());
    }

    const std::string path;
    std::unique_ptr<PlanManager> manager;
};

TEST_F(ConfigurationTest, AddThroughLinksStoresTheTargetPathWhichUpdateMustBeGiven) {
    std::filesystem::create_directories(documentsPath() + "/sub");
    std::filesystem::create_symlink(path, documentPath("link.orv"));
    ASSERT_TRUE(manager->add(Url::fileUrl(documentsPath() + "/sub/../link.orv")));
    const auto profile = manager->projectProfiles().at(0);
    EXPECT_EQ(profile.sourceOrvFilePath, path);
    EXPECT_EQ(manager->takeLoads(), (std::vector<std::string>{path}));

    EXPECT_FALSE(manager->update(documentPath("link.orv")));
    EXPECT_TRUE(manager->update(path));
}

TEST_F(ConfigurationTest, ADocumentWithoutNameOrRootGetsTheDefaults) {
    manager->setDocument(path, planProject(std::nullopt, std::nullopt));
    ASSERT_TRUE(manager->add(Url::fileUrl(path)));
    const auto profile = manager->projectProfiles().at(0);
    EXPECT_EQ(profile.name, "Unknow");
    EXPECT_FALSE(profile.start.has_value());
    EXPECT_FALSE(profile.finish.has_value());
    EXPECT_TRUE(profile.todayWidget);
}

TEST_F(ConfigurationTest, AddFailsQuietlyBeforeAnythingIsWritten) {
    EXPECT_FALSE(manager->add(Url::parse("https://example.com/plan.orv").value()));
    EXPECT_FALSE(manager->add(Url::fileUrl(documentPath("missing.orv"))));
    EXPECT_TRUE(manager->takeLoads().empty());

    const std::string unknown = writeDocument("unknown.orv", documentTime);
    EXPECT_FALSE(manager->add(Url::fileUrl(unknown)));
    EXPECT_EQ(manager->takeLoads(), (std::vector<std::string>{unknown}));

    auto base = std::make_unique<TodayConfigable>(container());
    EXPECT_FALSE(base->add(Url::fileUrl(path)));

    // The list keeps paths as JSON text, which a path that is not UTF-8 cannot become.
    const std::string folder = std::string("bad\xFF") + "dir";
    std::filesystem::create_directories(documentPath(folder));
    const std::string notUtf8 = writeDocument(folder + "/p.orv", documentTime);
    manager->setDocument(notUtf8, planWithTasks("Plan", {}));
    EXPECT_FALSE(manager->add(Url::fileUrl(notUtf8)));

    host.failAll(HostOp::status, "plan.orv");  // a bookmark cannot be made without looking at the file
    EXPECT_FALSE(manager->add(Url::fileUrl(path)));
    expectNothingHappened();
}

TEST_F(ConfigurationTest, UpdateOfAnUnchangedDocumentWritesNothingButReportsTheChange) {
    const auto profile = added();
    const std::string listText = readText(dbPath());
    const std::string cacheText = readText(cachePath(profile.id()));
    manager->setDocument(path, planProject("Renamed", std::nullopt));

    EXPECT_TRUE(manager->update(path));
    EXPECT_EQ(manager->takeChanges(), (std::vector<std::string>{profile.id()}));
    EXPECT_TRUE(manager->takeLoads().empty());

    // Newer, but the date cannot be read, or the document does not load.
    setModified(path, documentTime + 60);
    host.failAll(HostOp::status, path);
    EXPECT_TRUE(manager->update(path));
    host.clearFaults();
    manager->documents.clear();
    EXPECT_TRUE(manager->update(path));
    EXPECT_EQ(manager->takeChanges(), (std::vector<std::string>{profile.id(), profile.id()}));

    EXPECT_EQ(readText(dbPath()), listText);
    EXPECT_EQ(readText(cachePath(profile.id())), cacheText);
    EXPECT_EQ(manager->projectProfiles().at(0).name, "Plan");
    EXPECT_TRUE(host.lines().empty());
}

TEST_F(ConfigurationTest, UpdateReadsAnOlderDocumentAgainAndRepairsAMissingSnapshot) {
    const auto profile = added();
    // A backup restored over the document: older than the profile, and another plan.
    setModified(path, documentTime - 3600);
    manager->setDocument(path,
                         planWithTasks("Restored", {planTask(5, hoursAfterDayStart(-2), hoursAfterDayStart(20))}));
    EXPECT_TRUE(manager->update(path));
    EXPECT_EQ(storedProfiles().at(0).name, "Restored");
    EXPECT_EQ(storedProfiles().at(0).lastUpdate, modifiedDate(path));

    // The snapshot is gone, then damaged: an update of the unchanged document writes it again.
    for (const char* damage : {"", R"({"tasks": [)"}) {
        if (*damage) writeText(cachePath(profile.id()), damage);
        else std::filesystem::remove(cachePath(profile.id()));
        EXPECT_TRUE(manager->update(path));
        EXPECT_EQ(ProjectTodayCacheFile::read(cachePath(profile.id())).value().project().tasks->at(0).id, 5);
    }
}

TEST_F(ConfigurationTest, DeleteOfAnUnknownIdRewritesTheListAndReportsTheChange) {
    const auto profile = added();
    writeText(cachePath("unknown"), "{}");
    const auto inodeBefore = host.status(dbPath())->inode;
    EXPECT_TRUE(manager->deleteProject("unknown"));
    EXPECT_NE(host.status(dbPath())->inode, inodeBefore) << "the list was written again";
    EXPECT_EQ(manager->takeChanges(), (std::vector<std::string>{"unknown"}));
    EXPECT_EQ(idsOf(storedProfiles()), (std::vector<std::string>{profile.id()}));
    EXPECT_FALSE(fileExists(cachePath("unknown")));
}

}  // namespace
}  // namespace today::testing
