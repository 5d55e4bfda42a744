// Hostile files in the container: a "projects.json" whose ids hold "/", "..", NUL, percent escapes and
// 10,000 characters, and a "projects.json" of 100 MB. No id may make the library read, write or delete a
// file outside the container, and reading a huge list takes memory in proportion to its size.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "FaultEnumeration.hpp"

namespace today::reliability {
namespace {

constexpr double midnight = 1699920000.0;  // 2023-11-14T00:00:00Z

// Ids that cannot name a file directly in the container.
std::vector<std::string> hostileIds(const std::string& root) {
    return {"../outside",
            "../../outside",
            "sub/inner",
            "..",
            ".",
            std::string("../victim\0", 10),
            std::string("\0", 1),
            std::string("../../outside\0.prj", 18),
            std::string(10000, 'x'),
            root + "/outside"};
}

// Ids that look like paths but are plain file names: their cache files stay inside the container.
std::vector<std::string> pathLikeFileNames() {
    return {"..%2Foutside", "%2e%2e%2Foutside", "..\\outside", "...", " .."};
}

class HostileFileTest : public ::testing::Test {
protected:
    HostileFileTest() : world(std::make_shared<PlanLibrary>()) {
        host.setNow(Date::fromUnixTime(midnight + 10 * 3600));
        std::vector<JsonTask> tasks;
        tasks.push_back(
            leafTask(1, "fresh", Date::fromUnixTime(midnight - 86400), Date::fromUnixTime(midnight + 86400)));
        document = world.addDocument("document.plan", projectOf("Document", std::move(tasks)), midnight - 3600);

        // Cache files that an id reaching outside its own file name would find, all saying "LEAK".
        const std::string leak = R"({"tsks":[{"id":666,"nm":"LEAK","stt":-1e9,"fns":1e9}]})";
        for (const char* name : {"outside.prj", "outside", "victim", "groups/outside.prj", "groups/outside",
                                 "groups/victim", "groups/group.test.reliability/sub/inner.prj"}) {
            world.directory.write(name, leak);
        }
        world.directory.write("groups/group.test.reliability/ok.prj",
                              R"({"tsks":[{"id":1,"nm":"ok","stt":-1e9,"fns":1e9}]})");
    }

    // A list of one ordinary profile and one per hostile id, each with a bookmark of the document and a
    // date so old that every call of tasks rebuilds.
    void writeHostileList() {
        const auto bookmark = Url::fileUrl(document).bookmarkData(BookmarkCreationOptions::withSecurityScope);
        ASSERT_TRUE(bookmark);
        std::vector<detail::JsonTodayProjectProfile> records;
        auto ids = hostileIds(world.root);
        ids.insert(ids.begin(), "ok");
        for (const auto& id : pathLikeFileNames()) ids.push_back(id);
        for (const auto& id : ids) {
            detail::JsonTodayProjectProfile record;
            record.id = id;
            record.name = "hostile";
            record.sourceOrvFilePath = document;
            record.securityScopedBookmark = bookmark;
            record.lastUpdate = Date(0);
            record.todayWidget = true;
            records.push_back(record);
        }
        const auto text = detail::encodeProfileList(records);
        ASSERT_TRUE(text);
        world.directory.write("groups/group.test.reliability/projects.json", *text);
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
    testing::ScopedTimeZone zone{"UTC"};
    ScopedHost scoped{host};
    World world;
    std::string document;
};

TEST_F(HostileFileTest, idsThatAreNotPlainFileNamesNeverReachOutsideTheContainer) {
    writeHostileList();
    const auto outside = outsideTheContainer();
    auto manager = world.makeManager();
    const auto profiles = manager->projectProfiles();
    ASSERT_EQ(profiles.size(), hostileIds(world.root).size() + pathLikeFileNames().size() + 1)
        << "every id is kept as it was read";
    const auto isHostile = [&](const std::string& id) {
        const auto ids = hostileIds(world.root);
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };

    for (const auto& profile : profiles) {
        SCOPED_TRACE("id of " + std::to_string(profile.id().size()) + " bytes: " + profile.id().substr(0, 40));
        // Rebuilt from the document: the fresh answer, but the snapshot is never written outside.
        const auto rebuilt = manager->tasks(profile, Date::fromUnixTime(midnight));
        ASSERT_TRUE(rebuilt);
        EXPECT_EQ(describeTasks(rebuilt), "[1:fresh]");
        // From the cache file only: an id that is no plain file name has none; the others' is in the container.
        const auto cached = TodayManager::make(groupIdentifier)->tasks(profile, Date::fromUnixTime(midnight));
        ASSERT_TRUE(cached);
        EXPECT_EQ(describeTasks(cached), isHostile(profile.id()) ? "[]" : "[1:fresh]");
        if (!isHostile(profile.id())) {
            EXPECT_TRUE(testing::fileExists(world.cachePath(profile.id())));
        }
    }
    EXPECT_EQ(outsideTheContainer(), outside);

    // The list still holds every id exactly, NUL and all.
    const auto reread = world.makeManager()->projectProfiles();
    ASSERT_EQ(reread.size(), profiles.size());
    for (std::size_t i = 0; i < reread.size(); ++i) EXPECT_EQ(reread[i].id(), profiles[i].id());

    // Deleting each removes its profile, and no file but the ordinary profile's own cache file.
    for (const auto& profile : profiles) EXPECT_TRUE(manager->deleteProject(profile.id()));
    for (const auto& id : hostileIds(world.root)) EXPECT_TRUE(manager->deleteProject(id));
    for (const char* id : {"", "/", "../groups", "../group.test.reliability"}) EXPECT_TRUE(manager->deleteProject(id));
    EXPECT_TRUE(manager->projectProfiles().empty());
    EXPECT_EQ(outsideTheContainer(), outside);
    EXPECT_TRUE(std::filesystem::is_directory(world.container));
    for (const auto& id : pathLikeFileNames()) EXPECT_FALSE(testing::fileExists(world.cachePath(id)));
    EXPECT_FALSE(testing::fileExists(world.cachePath("ok")));
    EXPECT_FALSE(testing::fileExists(world.listPath()));
}

// Symbolic links in the container that point outside it are read through, but never written through:
// a save replaces the link itself, and a delete removes only the link.
TEST_F(HostileFileTest, linksInTheContainerAreNeverWrittenThrough) {
    const std::string outsideList = world.root + "/outside-list.json";
    const std::string outsideCache = world.root + "/outside.prj";
    std::filesystem::copy_file(world.root + "/groups/group.test.reliability/ok.prj", outsideCache,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(world.cachePath("ok"));
    writeHostileList();
    std::filesystem::rename(world.listPath(), outsideList);
    std::filesystem::create_symlink(outsideList, world.listPath());
    std::filesystem::create_symlink(outsideCache, world.cachePath("ok"));
    const auto outside = outsideTheContainer();

    auto manager = world.makeManager();
    ASSERT_FALSE(manager->projectProfiles().empty()) << "the list is read through the link";
    const auto ok = manager->projectProfileById("ok");
    ASSERT_TRUE(ok);
    // A rebuild writes the cache file and the list: both links are replaced, their targets stay.
    EXPECT_EQ(describeTasks(manager->tasks(*ok, Date::fromUnixTime(midnight))), "[1:fresh]");
    EXPECT_EQ(outsideTheContainer(), outside);
    EXPECT_FALSE(std::filesystem::is_symlink(world.listPath()));
    EXPECT_FALSE(std::filesystem::is_symlink(world.cachePath("ok")));

    // Deleting removes what is in the container, never the former targets.
    std::filesystem::remove(world.cachePath("ok"));
    std::filesystem::create_symlink(outsideCache, world.cachePath("ok"));
    EXPECT_TRUE(manager->deleteProject("ok"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(world.cachePath("ok"))));
    EXPECT_EQ(outsideTheContainer(), outside);
}

// Peak resident memory since the last reset, and resetting it (Linux: /proc/self/clear_refs).
long residentKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field)) return std::stol(line.substr(std::string(field).size()));
    }
    return -1;
}

bool resetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

TEST_F(HostileFileTest, aProfileListOf100MegabytesIsReadAndRewrittenInBoundedMemory) {
    const std::size_t targetSize = underSanitizer() ? (20u << 20) : (100u << 20);
    std::size_t count = 0;
    std::size_t size = 0;
    {
        std::mt19937 random(5);
        std::vector<detail::JsonTodayProjectProfile> records;
        while (size < targetSize) {
            detail::JsonTodayProjectProfile record;
            record.id = "profile-" + std::to_string(count);
            record.name = "Project number " + std::to_string(count);
            record.start = Date(7e8 + static_cast<double>(count));
            record.finish = Date(7.1e8 + static_cast<double>(count) / 7);
            record.sourceOrvFilePath = world.documents + "/plan-" + std::to_string(count) + ".plan";
            Bytes bookmark(600);
            for (auto& byte : bookmark) byte = static_cast<std::uint8_t>(random());
            record.securityScopedBookmark = std::move(bookmark);
            record.lastUpdate = Date(7.2e8);
            record.todayWidget = true;
            size += 1000;  // about what one record takes
            ++count;
            records.push_back(std::move(record));
        }
        const auto text = detail::encodeProfileList(records);
        ASSERT_TRUE(text);
        size = text->size();
        world.directory.write("groups/group.test.reliability/projects.json", *text);
    }

    // Where the peak cannot be reset (no /proc), the memory figures are not taken.
    resetPeakResident();
    const long baseline = residentKilobytes("VmRSS:");
    auto started = std::chrono::steady_clock::now();
    auto manager = world.makeManager();
    const double readSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const long peak = residentKilobytes("VmHWM:");
    ASSERT_TRUE(manager);
    ASSERT_EQ(manager->projectProfiles().size(), count);
    const double growth = static_cast<double>(peak - baseline) * 1024 / static_cast<double>(size);

    started = std::chrono::steady_clock::now();
    ASSERT_TRUE(manager->deleteProject("profile-0"));
    const double writeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    manager.reset();
    EXPECT_EQ(world.makeManager()->projectProfiles().size(), count - 1);

    // The same file cut short by one byte is malformed: it reads as an empty list, in bounded memory too.
    std::filesystem::resize_file(world.listPath(), std::filesystem::file_size(world.listPath()) - 1);
    resetPeakResident();
    const long malformedBaseline = residentKilobytes("VmRSS:");
    EXPECT_TRUE(world.makeManager()->projectProfiles().empty());
    const double malformedGrowth =
        static_cast<double>(residentKilobytes("VmHWM:") - malformedBaseline) * 1024 / static_cast<double>(size);

    reportFigure("size of the large projects.json (bytes)", std::to_string(size));
    reportFigure("profiles in it", std::to_string(count));
    reportFigure("manager creation over it (s)", std::to_string(readSeconds));
    reportFigure("delete of one profile, rewriting it (s)", std::to_string(writeSeconds));
    reportFigure("peak memory growth while reading it, in file sizes", std::to_string(growth));
    reportFigure("peak memory growth while reading it cut short, in file sizes", std::to_string(malformedGrowth));
    // Peak memory is a figure of the run, not a test: it depends on the allocator and the machine.
}

}  // namespace
}  // namespace today::reliability
