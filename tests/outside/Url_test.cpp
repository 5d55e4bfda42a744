// URLs: parsing with letter case kept, file URLs to and from paths with percent-escapes, trailing
// slashes, "." and "..", symbolic links, and appended components.
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/TestHost.hpp"
#include "today/outside/Url.hpp"

namespace today {
namespace {

Url parsed(std::string_view text) {
    auto url = Url::parse(text);
    EXPECT_TRUE(url) << text;
    return url ? *url : Url::fileUrl("/");
}

// Every URL the library makes must be valid text that parses to itself.
void expectValid(const Url& url) {
    const auto again = Url::parse(url.string());
    ASSERT_TRUE(again) << url.string();
    EXPECT_EQ(*again, url);
}

TEST(UrlTest, ParsesAbsoluteUrlsKeepingLetterCase) {
    const Url url = parsed("OrvaneProject://Today-Setting/Some/Path?query=1#top");
    EXPECT_EQ(url.scheme(), "OrvaneProject");
    EXPECT_EQ(url.host(), "Today-Setting");
    EXPECT_EQ(url.path(), "/Some/Path");
    EXPECT_FALSE(url.isFileUrl());
    EXPECT_EQ(parsed("http://[::1]:8080/x").host(), "::1");
    EXPECT_EQ(parsed("OrvaneProject://a%41b").host(), "a%41b");
    for (const char* text : {"", "relative/path", "a b://x", "http://h/%zz", "OrvaneProject://in valid"}) {
        EXPECT_FALSE(Url::parse(text)) << text;
    }
    EXPECT_FALSE(Url::parse(std::string_view("x://a\0b", 7)));
}

TEST(UrlTest, FileUrlsEscapeAndDecodeTheirPaths) {
    const Url url = Url::fileUrl("/tmp/My Plan #1 100%?.orv");
    EXPECT_EQ(url.string(), "file:///tmp/My%20Plan%20%231%20100%25%3F.orv");
    EXPECT_EQ(url.path(), "/tmp/My Plan #1 100%?.orv");
    EXPECT_TRUE(url.isFileUrl());
    expectValid(url);

    const Url unicode = Url::fileUrl("/Users/zoë/Überblick.orv");
    EXPECT_EQ(unicode.string(), "file:///Users/zo%C3%AB/%C3%9Cberblick.orv");
    EXPECT_EQ(parsed("file:///Users/zo%c3%ab/x").path(), "/Users/zoë/x");  // lower-case escapes too

    EXPECT_TRUE(parsed("FILE:///x").isFileUrl());
    EXPECT_EQ(parsed("file://localhost/tmp/a").path(), "/tmp/a");
    EXPECT_EQ(parsed("file://LocalHost:/tmp/a").path(), "/tmp/a");
    // A file of another machine, or a name holding "/" or NUL, is no file here: the path is empty.
    for (const char* none : {"file://otherhost/tmp/a", "file://user@localhost.example/tmp/a", "file:///tmp%2Fa",
                             "file:///tmp/a%2fb", "file:///tmp/a%00b"}) {
        EXPECT_EQ(parsed(none).path(), "") << none;
    }
}

TEST(UrlTest, RelativePathsStartAtTheCurrentDirectory) {
    struct InDirectory : testing::TestHost {
        std::string currentDirectory() override { return "/work/some dir"; }
    } host;
    ScopedHost scoped(host);
    EXPECT_EQ(Url::fileUrl("plans/a.orv").path(), "/work/some dir/plans/a.orv");
    EXPECT_EQ(Url::fileUrl("plans/a.orv").string(), "file:///work/some%20dir/plans/a.orv");
}

TEST(UrlTest, StandardizedRemovesDotSegments) {
    EXPECT_EQ(Url::fileUrl("/a/b/../c/./d.orv").standardized().string(), "file:///a/c/d.orv");
    EXPECT_EQ(Url::fileUrl("/../../x").standardized().path(), "/x");
    EXPECT_EQ(Url::fileUrl("/a//b/./").standardized().string(), "file:///a/b/");
    EXPECT_EQ(parsed("file:///a/%2E%2E/b/%2e").standardized().string(), "file:///b/");
    EXPECT_EQ(Url::fileUrl("/a/..b/.c").standardized().path(), "/a/..b/.c");  // only whole segments
    EXPECT_EQ(parsed("http://h/a/../b?q=1#f").standardized().string(), "http://h/b?q=1#f");
    EXPECT_EQ(parsed("x:/a/..//b").standardized().string(), "x:/.//b");
    expectValid(parsed("x:/a/..//b").standardized());
}

class SymlinkTest : public ::testing::Test {
protected:
    testing::TempDir dir;
};

TEST_F(SymlinkTest, KeepsPathsThatDoNotExist) {
    const Url missing = Url::fileUrl(dir.path() + "/no such dir/../plan.orv");
    EXPECT_EQ(missing.resolvingSymlinks(), missing);
    const Url existing = Url::fileUrl(dir.write("plan.orv", "x"));
    EXPECT_EQ(existing.resolvingSymlinks(), existing);
    EXPECT_EQ(parsed("http://h/a").resolvingSymlinks(), parsed("http://h/a"));
}

TEST(UrlTest, AppendingPathComponentAddsOneEscapedComponent) {
    const Url directory = Url::fileUrl("/data/group.today");
    EXPECT_EQ(directory.appendingPathComponent("projects.json").string(), "file:///data/group.today/projects.json");
    EXPECT_EQ(directory.appendingPathComponent("an id #2.prj").path(), "/data/group.today/an id #2.prj");
    EXPECT_EQ(Url::fileUrl("/").appendingPathComponent("x").path(), "/x");
    EXPECT_EQ(parsed("http://h/a?q#f").appendingPathComponent("b").string(), "http://h/a/b?q#f");
    EXPECT_EQ(parsed("OrvaneProject://host").appendingPathComponent("b").string(), "OrvaneProject://host/b");
    expectValid(directory.appendingPathComponent("ü?%#"));
    EXPECT_EQ(directory.appendingPathComponent("ü?%#").path(), "/data/group.today/ü?%#");
}

}  // namespace
}  // namespace today
