// The group container lookup: where each environment puts it, that it is created, and which
// identifiers name none.
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "support/TestHost.hpp"
#include "today/outside/GroupContainer.hpp"

namespace today {
namespace {

// A host with its own environment, so that tests never change the process's.
class EnvironmentHost : public testing::TestHost {
public:
    std::map<std::string, std::string> environment;

    std::optional<std::string> environmentVariable(const std::string& name) override {
        const auto found = environment.find(name);
        if (found == environment.end()) return std::nullopt;
        return found->second;
    }
};

class GroupContainerTest : public ::testing::Test {
protected:
    GroupContainerTest() : _scoped(host) {}

    unsigned modeOf(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }

    testing::TempDir dir;
    EnvironmentHost host;

private:
    ScopedHost _scoped;
};

TEST_F(GroupContainerTest, ExplicitRootComesFirst) {
    host.environment = {{"TODAY_GROUP_CONTAINERS", dir.path() + "/containers/"},
                        {"XDG_DATA_HOME", dir.path() + "/xdg"},
                        {"HOME", dir.path() + "/home"}};
    const auto container = GroupContainer::lookup("group.com.example.Plans");
    ASSERT_TRUE(container);
    const std::string expected = dir.path() + "/containers/group.com.example.Plans";
    EXPECT_EQ(container->url().path(), expected);
    EXPECT_EQ(modeOf(expected), 0700u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/xdg"));
}

TEST_F(GroupContainerTest, DataHomeThenHome) {
    host.environment = {{"XDG_DATA_HOME", dir.path() + "/xdg"}, {"HOME", dir.path() + "/home"}};
    auto container = GroupContainer::lookup("group.a");
    ASSERT_TRUE(container);
    EXPECT_EQ(container->url().path(), dir.path() + "/xdg/today/group-containers/group.a");

    // A relative XDG_DATA_HOME is not used; HOME is.
    host.environment = {{"XDG_DATA_HOME", "relative/xdg"}, {"HOME", dir.path() + "/home"}};
    container = GroupContainer::lookup("group.a");
    ASSERT_TRUE(container);
    EXPECT_EQ(container->url().path(), dir.path() + "/home/.local/share/today/group-containers/group.a");
    EXPECT_TRUE(std::filesystem::is_directory(container->url().path()));

    host.environment = {{"HOME", ""}};
    EXPECT_FALSE(GroupContainer::lookup("group.a"));
}

TEST_F(GroupContainerTest, IdentifiersThatCannotNameADirectoryHaveNoContainer) {
    host.environment = {{"TODAY_GROUP_CONTAINERS", dir.path() + "/root"}};
    for (const std::string_view identifier : {std::string_view(".."), std::string_view("a/b"),
                                              std::string_view("a\0b", 3), std::string_view("line\nbreak")}) {
        EXPECT_FALSE(GroupContainer::lookup(identifier)) << identifier;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/root"));
}

TEST_F(GroupContainerTest, NoContainerWhenItCannotBeMade) {
    host.environment = {{"TODAY_GROUP_CONTAINERS", dir.path()}};
    dir.write("taken", "a file, not a directory");
    EXPECT_FALSE(GroupContainer::lookup("taken"));

    host.failAll(testing::HostOp::makeDirectory);
    EXPECT_FALSE(GroupContainer::lookup("group.new"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/group.new"));
    host.clearFaults();
    EXPECT_TRUE(GroupContainer::lookup("group.new"));
}

}  // namespace
}  // namespace today
