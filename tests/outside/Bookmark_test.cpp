// Bookmarks follow a document through what users do to it: saved through a temporary file and a
// rename, renamed within its folder, deleted. Bytes that are not a bookmark never resolve.
#include <cstdio>

#include <gtest/gtest.h>

#include "support/TestHost.hpp"
#include "today/outside/BookmarkFormat.hpp"
#include "today/outside/Url.hpp"

namespace today {
namespace {

constexpr auto creation = BookmarkCreationOptions::withSecurityScope;
constexpr auto resolution = BookmarkResolutionOptions::withSecurityScope | BookmarkResolutionOptions::withoutUI;

class BookmarkTest : public ::testing::Test {
protected:
    BookmarkTest() : _scoped(host) {}

    Bytes bookmarkOf(const std::string& path) {
        auto bytes = Url::fileUrl(path).bookmarkData(creation);
        EXPECT_TRUE(bytes) << path;
        return bytes ? *bytes : Bytes{};
    }

    struct Resolved {
        std::optional<std::string> path;
        bool stale = false;
    };
    Resolved resolve(const Bytes& bytes) {
        Resolved resolved;
        resolved.stale = true;  // must be reset by the resolution
        if (auto url = Url::resolvingBookmarkData(bytes, resolution, resolved.stale)) resolved.path = url->path();
        return resolved;
    }

    testing::TempDir dir;
    testing::TestHost host;

private:
    ScopedHost _scoped;
};

TEST_F(BookmarkTest, FreshBookmarkResolvesToItsFile) {
    const std::string plan = dir.write("My Plan ü.orv", "v1");
    const Bytes bookmark = bookmarkOf(plan);
    EXPECT_EQ(resolve(bookmark).path, plan);
    EXPECT_FALSE(resolve(bookmark).stale);
    const auto record = detail::decodeBookmark(bookmark);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->options, 0x800u);
    EXPECT_EQ(record->path, plan);
}

TEST_F(BookmarkTest, DocumentSavedThroughARenameIsStaleAtTheSamePath) {
    const std::string plan = dir.write("plan.orv", "v1");
    const Bytes bookmark = bookmarkOf(plan);
    dir.write(".plan.orv.saving", "v2");
    ASSERT_EQ(std::rename(dir.file(".plan.orv.saving").c_str(), plan.c_str()), 0);
    EXPECT_EQ(resolve(bookmark).path, plan);
    EXPECT_TRUE(resolve(bookmark).stale);
    EXPECT_FALSE(resolve(bookmarkOf(plan)).stale) << "a bookmark made afresh is fresh";
}

TEST_F(BookmarkTest, DocumentRenamedWithinItsFolderIsFollowedAndADeletedOneIsNot) {
    const std::string plan = dir.write("plan.orv", "v1");
    dir.write("another.orv", "other");
    const Bytes bookmark = bookmarkOf(plan);
    ASSERT_EQ(std::rename(plan.c_str(), dir.file("renamed plan.orv").c_str()), 0);
    EXPECT_EQ(resolve(bookmark).path, dir.file("renamed plan.orv"));
    EXPECT_TRUE(resolve(bookmark).stale);
    ASSERT_EQ(std::remove(dir.file("renamed plan.orv").c_str()), 0);
    EXPECT_FALSE(resolve(bookmark).path);
}

// A file made later under the inode number of a deleted document (ext4 hands numbers out again at once)
// is never taken for it; only its birth time tells them apart, so without one nothing is followed.
TEST_F(BookmarkTest, AFileGivenARecycledInodeNumberIsNotTheDocument) {
    const std::string later = dir.write("later.orv", "another plan");
    const FileStatus status = host.status(later).value();
    if (!status.hasBirthTime) GTEST_SKIP() << "this file system keeps no birth times";
    detail::BookmarkRecord record;
    record.options = 0x800;
    record.device = status.device;
    record.inode = status.inode;
    record.path = dir.file("deleted.orv");  // renamed or deleted: the folder is searched
    struct Case {
        const char* what;
        bool hasBirthTime;
        std::int64_t birthSeconds;
        bool followed;
    };
    for (const Case& c : {Case{"the same birth time: the same file, renamed", true, status.birthSeconds, true},
                          Case{"an earlier birth time: a deleted file", true, status.birthSeconds - 1, false},
                          Case{"no birth time recorded", false, 0, false}}) {
        SCOPED_TRACE(c.what);
        record.hasBirthTime = c.hasBirthTime;
        record.birthSeconds = c.birthSeconds;
        record.birthNanoseconds = c.hasBirthTime ? status.birthNanoseconds : 0;
        const Resolved resolved = resolve(detail::encodeBookmark(record).value());
        EXPECT_EQ(resolved.path, c.followed ? std::optional<std::string>(later) : std::nullopt);
    }

    // A bookmark of the first version (no birth time) still resolves at its path.
    Bytes firstVersion = {'T', 'D', 'B', 'K', 1};
    const auto appendInteger = [&](std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i) firstVersion.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    appendInteger(0x800, 8);
    appendInteger(status.device, 8);
    appendInteger(status.inode, 8);
    appendInteger(later.size(), 4);
    firstVersion.insert(firstVersion.end(), later.begin(), later.end());
    const Resolved atPath = resolve(firstVersion);
    EXPECT_EQ(atPath.path, later);
    EXPECT_FALSE(atPath.stale);
}

TEST_F(BookmarkTest, OnlyFileUrlsOfExistingFilesCanBeBookmarked) {
    EXPECT_FALSE(Url::parse("https://example.org/plan.orv")->bookmarkData(creation));
    EXPECT_FALSE(Url::parse("OrvaneProject://plan")->bookmarkData(creation));
    EXPECT_FALSE(Url::fileUrl(dir.file("missing.orv")).bookmarkData(creation));
    EXPECT_FALSE(Url::fileUrl(dir.path()).bookmarkData(creation));
}

TEST_F(BookmarkTest, BytesThatAreNotABookmarkFail) {
    const Bytes bookmark = bookmarkOf(dir.write("plan.orv", "v1"));
    for (std::size_t length = 0; length < bookmark.size(); ++length) {
        EXPECT_FALSE(resolve(Bytes(bookmark.begin(), bookmark.begin() + static_cast<std::ptrdiff_t>(length))).path)
            << length;
    }
    // One byte changed: another version, the first version's shape, a huge path length, a birth flag that
    // is neither 0 nor 1, a relative path, a NUL in the path.
    const std::vector<std::pair<std::size_t, std::uint8_t>> changes = {
        {4, 3}, {4, 1}, {42, 0xFF}, {45, 0xFF}, {29, 2}, {46, 'x'}, {bookmark.size() - 1, 0}};
    for (const auto& [at, value] : changes) {
        Bytes changed = bookmark;
        changed[at] = value;
        EXPECT_FALSE(resolve(changed).path) << at;
    }
    EXPECT_FALSE(resolve(Bytes{'b', 'o', 'o', 'k', 'm', 'a', 'r', 'k'}).path);
}

}  // namespace
}  // namespace today
