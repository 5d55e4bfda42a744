// Resolving a bookmark to the document's URL; a stale bookmark is re-created and stored in the profile
// of the resolved document.
#include "manager/ManagerFixture.hpp"

namespace today::testing {
namespace {

using detail::ManagerAccess;

constexpr auto options = BookmarkResolutionOptions::withSecurityScope;

class BookmarkTest : public ManagerTest {
protected:
    BookmarkTest() : path(writeDocument("plan.orv", documentTime)) {}

    static Bytes bookmarkOf(const std::string& file) {
        return Url::fileUrl(file).bookmarkData(BookmarkCreationOptions::withSecurityScope).value();
    }

    // A manager listing `first` (for the document) and `second` (elsewhere), with bookmarks.
    std::unique_ptr<PlanManager> listedManager() {
        auto manager = makeManager();
        auto first = makeProfile("first", path, Date(12.5), bookmarkOf(path), "First");
        first.start = hoursAfterDayStart(1);
        first.todayWidget = true;
        EXPECT_TRUE(ManagerAccess::updateProjectProfile(*manager, first));
        EXPECT_TRUE(ManagerAccess::updateProjectProfile(*manager, makeProfile("second", "/docs/other.orv")));
        return manager;
    }

    const std::string path;
};

TEST_F(BookmarkTest, AStaleBookmarkIsRecreatedInItsProfileOnly) {
    auto manager = listedManager();
    const auto before = manager->projectProfiles();
    replaceFile(path, "saved again", documentTime + 60);

    const auto url = manager->createFileUrl(*before[0].securityScopedBookmark, options);
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->path(), path);
    EXPECT_EQ(host.takeLines(), (std::vector<std::string>{"\"Bookmark is stale.\""}));

    const auto after = storedProfiles();
    ASSERT_EQ(idsOf(after), (std::vector<std::string>{"first", "second"}));
    ASSERT_NE(after[0].securityScopedBookmark, before[0].securityScopedBookmark);
    EXPECT_EQ(after[0].name, "First");
    EXPECT_EQ(after[0].start, before[0].start);
    EXPECT_EQ(after[0].lastUpdate, Date(12.5));
    EXPECT_TRUE(after[0].todayWidget);
    EXPECT_EQ(manager->projectProfiles()[0].securityScopedBookmark, after[0].securityScopedBookmark);

    // The new bookmark is fresh.
    EXPECT_EQ(manager->createFileUrl(*after[0].securityScopedBookmark, options)->path(), path);
    EXPECT_TRUE(host.lines().empty());
}

TEST_F(BookmarkTest, AStaleBookmarkRefreshesTheFirstProfileOfItsPath) {
    const Bytes bookmark = bookmarkOf(path);
    writeDb(R"([{"id":"x","sourceOrvFilePath":")" + path + R"("},{"id":"y","sourceOrvFilePath":")" + path +
            R"("},{"id":"x","sourceOrvFilePath":"/docs/elsewhere.orv"}])");
    auto manager = makeManager();
    replaceFile(path, "saved again", documentTime + 60);

    ASSERT_TRUE(manager->createFileUrl(bookmark, options).has_value());
    const auto profiles = manager->projectProfiles();
    ASSERT_EQ(idsOf(profiles), (std::vector<std::string>{"x", "y", "x"}));
    EXPECT_TRUE(profiles[0].securityScopedBookmark.has_value());
    EXPECT_FALSE(profiles[1].securityScopedBookmark.has_value());
    // Every entry with the refreshed id is replaced by the refreshed profile.
    EXPECT_EQ(profiles[2].sourceOrvFilePath, path);
}

// Bytes that are no bookmark, a bookmark of a deleted document, and a stale bookmark of a moved document
// (whose new path no profile names) yield no URL and leave the list as it is.
TEST_F(BookmarkTest, BookmarksThatFindNoProfileYieldNothing) {
    auto manager = listedManager();
    const std::string listText = readText(dbPath());
    const Bytes bookmark = *manager->projectProfiles()[0].securityScopedBookmark;
    EXPECT_FALSE(manager->createFileUrl(Bytes{}, options).has_value());
    EXPECT_FALSE(manager->createFileUrl(Bytes{'n', 'o', 'p', 'e'}, options).has_value());
    EXPECT_TRUE(host.lines().empty());

    std::filesystem::rename(path, documentPath("renamed.orv"));
    EXPECT_FALSE(manager->createFileUrl(bookmark, options).has_value());
    EXPECT_EQ(host.takeLines(), (std::vector<std::string>{"\"Bookmark is stale.\""}));
    std::filesystem::remove(documentPath("renamed.orv"));
    EXPECT_FALSE(manager->createFileUrl(bookmark, options).has_value());
    EXPECT_TRUE(host.lines().empty());
    EXPECT_EQ(readText(dbPath()), listText);
}

TEST_F(BookmarkTest, AStaleRefreshThatCannotBeSavedYieldsNothingButStaysInMemory) {
    auto manager = listedManager();
    const std::string listText = readText(dbPath());
    const Bytes bookmark = *manager->projectProfiles()[0].securityScopedBookmark;
    replaceFile(path, "saved again", documentTime + 60);
    host.failAll(HostOp::rename, "projects.json");

    EXPECT_FALSE(manager->createFileUrl(bookmark, options).has_value());
    EXPECT_EQ(host.takeLines(),
              (std::vector<std::string>{"\"Bookmark is stale.\"", "Failed to save today project profiles to file"}));
    EXPECT_EQ(readText(dbPath()), listText);
    EXPECT_NE(manager->projectProfiles()[0].securityScopedBookmark, bookmark);
}

}  // namespace
}  // namespace today::testing
