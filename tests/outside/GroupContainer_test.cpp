// The group container lookup: where each environment puts it, that it is created, and which
// identifiers name none.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/TestHost.hpp"
#include "today/outside/GroupContainer.hpp"

namespace today {
namespace {

class GroupContainerTest : public ::testing::Test {
protected:
    GroupContainerTest() : _scoped(host) {}

    void environment(std::optional<std::string> root, std::optional<std::string> dataHome,
                     std::optional<std::string> home) {
        host.setEnvironmentVariable("TODAY_GROUP_CONTAINERS", std::move(root));
        host.setEnvironmentVariable("XDG_DATA_HOME", std::move(dataHome));
        host.setEnvironmentVariable("HOME", std::move(home));
    }

    unsigned modeOf(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }

    testing::TempDir dir;
    testing::TestHost host;

private:
    ScopedHost _scoped;
};

TEST_F(GroupContainerTest, ExplicitRootComesFirst) {
    environment(dir.path() + "/containers/", dir.path() + "/xdg", dir.path() + "/home");
    const auto container = GroupContainer::lookup("group.com.example.Plans");
    ASSERT_TRUE(container);
    const std::string expected = dir.path() + "/containers/group.com.example.Plans";
    EXPECT_EQ(container->url().path(), expected);
    EXPECT_EQ(modeOf(expected), 0700u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/xdg"));
    // Finding makes nothing.
    EXPECT_EQ(GroupContainer::find("group.b")->url().path(), dir.path() + "/containers/group.b");
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/containers/group.b"));

    // A relative root would be another directory in every working directory: there is no container.
    environment("relative/containers", dir.path() + "/xdg", dir.path() + "/home");
    EXPECT_FALSE(GroupContainer::lookup("group.com.example.Plans"));
    EXPECT_FALSE(GroupContainer::find("group.com.example.Plans"));
}

TEST_F(GroupContainerTest, DataHomeThenHome) {
    environment({}, dir.path() + "/xdg", dir.path() + "/home");
    auto container = GroupContainer::lookup("group.a");
    ASSERT_TRUE(container);
    EXPECT_EQ(container->url().path(), dir.path() + "/xdg/today/group-containers/group.a");

    // A relative XDG_DATA_HOME is not used; HOME is.
    environment({}, "relative/xdg", dir.path() + "/home");
    container = GroupContainer::lookup("group.a");
    ASSERT_TRUE(container);
    EXPECT_EQ(container->url().path(), dir.path() + "/home/.local/share/today/group-containers/group.a");
    EXPECT_TRUE(std::filesystem::is_directory(container->url().path()));

    environment({}, {}, "");
    EXPECT_FALSE(GroupContainer::lookup("group.a"));
}

TEST_F(GroupContainerTest, IdentifiersThatCannotNameADirectoryHaveNoContainer) {
    environment(dir.path() + "/root", {}, {});
    for (const std::string_view identifier : {std::string_view(".."), std::string_view("a/b"),
                                              std::string_view("a\0b", 3), std::string_view("line\nbreak")}) {
        EXPECT_FALSE(GroupContainer::lookup(identifier)) << identifier;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/root"));
}

}  // namespace
}  // namespace today
