// The project today cache file: its short keys, strict reading, and saving through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "support/TestHost.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::detail {
namespace {

using testing::TempDir;

JsonTaskToday fullTask(std::int64_t id) {
    JsonTaskToday task;
    task.id = id;
    task.name = "Task " + std::to_string(id);
    task.start = Date(700000000.5 + static_cast<double>(id));
    task.finish = Date(700086400.125 + static_cast<double>(id));
    task.completed = 40;
    task.color = -3;
    task.isMilestone = id % 2 == 0;
    task.directProjectTaskId = id / 10;
    return task;
}

JsonProjectToday fullProject(std::size_t taskCount) {
    JsonProjectToday project;
    project.name = "Plan \"A\" \\ ✓";
    project.start = Date(-1.75);
    project.finish = Date(0);
    project.completed = 100;
    project.tasks.emplace();
    for (std::size_t i = 0; i < taskCount; ++i) {
        project.tasks->push_back(fullTask(static_cast<std::int64_t>(i) + 1));
    }
    return project;
}

// Every field is written, absent ones left out and numbers as the shortest text that reads back the same:
// equal texts mean equal snapshots.
void expectSameProject(const JsonProjectToday& read, const JsonProjectToday& written) {
    const auto text = encodeProjectToday(written);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(encodeProjectToday(read), text);
}

std::optional<JsonProjectToday> roundTrip(const JsonProjectToday& project) {
    const auto text = encodeProjectToday(project);
    EXPECT_TRUE(text.has_value());
    return text ? decodeProjectToday(*text) : std::nullopt;
}

TEST(CacheFile, WritesTheShortKeysInOrder) {
    JsonProjectToday project = fullProject(0);
    JsonTaskToday task = fullTask(2);
    task.start = Date(10.5);
    task.finish = Date(20);
    project.tasks->push_back(task);
    EXPECT_EQ(encodeProjectToday(project),
              R"({"nm":"Plan \"A\" \\ ✓","stt":-1.75,"fns":0,"cmp":100,"tsks":[)"
              R"({"id":2,"nm":"Task 2","stt":10.5,"fns":20,"cmp":40,"clr":-3,"mls":true,"sp":0}]})");
}

TEST(CacheFile, RoundTripKeepsEveryFieldAndTheTaskOrder) {
    JsonProjectToday written = fullProject(50);
    (*written.tasks)[0].id = std::numeric_limits<std::int64_t>::max();
    (*written.tasks)[0].directProjectTaskId = std::numeric_limits<std::int64_t>::min();
    const auto read = roundTrip(written);
    ASSERT_TRUE(read.has_value());
    expectSameProject(*read, written);
}

TEST(CacheFile, AbsentFieldsAreLeftOutAndNullReadsAsAbsent) {
    JsonProjectToday project;
    project.tasks.emplace(2);  // two records with every field absent
    (*project.tasks)[1].isMilestone = false;
    EXPECT_EQ(encodeProjectToday(project), R"({"tsks":[{},{"mls":false}]})");
    EXPECT_EQ(encodeProjectToday(JsonProjectToday{}), "{}");
    project.tasks->clear();
    EXPECT_EQ(encodeProjectToday(project), R"({"tsks":[]})");

    const auto nulls = decodeProjectToday(
        R"({"nm":null,"stt":null,"fns":null,"cmp":null,"tsks":[)"
        R"({"id":null,"nm":null,"stt":null,"fns":null,"cmp":null,"clr":null,"mls":null,"sp":null}]})");
    ASSERT_TRUE(nulls.has_value());
    JsonProjectToday expected;
    expected.tasks.emplace(1);
    expectSameProject(*nulls, expected);
    EXPECT_FALSE(decodeProjectToday(R"({"tsks":null})")->tasks.has_value());
    EXPECT_TRUE(decodeProjectToday(R"({"tsks":[]})")->tasks->empty());
}

TEST(CacheFile, WrongTypesRejectTheWholeFile) {
    const char* const texts[] = {
        R"([])",  // root is not an object
        R"({"nm":1})",
        R"({"stt":"1"})",
        R"({"cmp":1.5})",                                             // fractional integer
        R"({"cmp":50.0})",                                            // integers carry no fraction
        R"({"tsks":{}})",                                             // tasks not an array
        R"({"tsks":[{"id":1},null]})",                                // non-object task
        R"({"tsks":[{"id":1},{"id":"2"}]})",                          // one malformed task
        R"({"tsks":[{"id":1},{"id":2,"clr":9223372036854775808}]})",  // beyond 64 bits
        R"({"tsks":[{"mls":0}]})",
        R"({"tsks":[{"stt":1e999}]})",
        R"({"tsks":[]} {})",
        "{\"nm\":\"\xc3\x28\"}",
    };
    for (const char* text : texts) {
        EXPECT_FALSE(decodeProjectToday(text).has_value()) << text;
    }
}

TEST(CacheFile, UnknownKeysAreIgnoredAndLastDuplicateWins) {
    const auto read = decodeProjectToday(R"({"v":2,"cmp":1,"cmp":2,"tsks":[{"x":[{}],"id":3,"id":null}],"nm":"a"})");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->completed, 2);
    EXPECT_EQ(read->name, "a");
    ASSERT_EQ(read->tasks->size(), 1u);
    EXPECT_FALSE(read->tasks->front().id);
}

TEST(CacheFile, ValuesJsonCannotCarryFailTheEncoding) {
    JsonProjectToday project = fullProject(3);
    (*project.tasks)[2].finish = Date(std::numeric_limits<double>::infinity());
    EXPECT_FALSE(encodeProjectToday(project).has_value());
    project = fullProject(3);
    (*project.tasks)[1].name = "\xe2\x82";  // cut-off UTF-8 sequence
    EXPECT_FALSE(encodeProjectToday(project).has_value());
}

TEST(CacheFile, SaveAndReadThroughTheFileSystem) {
    TempDir dir;
    const std::string path = dir.file("P1.prj");
    EXPECT_FALSE(ProjectTodayCacheFile::read(path).has_value());

    const JsonProjectToday written = fullProject(3);
    ASSERT_TRUE(ProjectTodayCacheFile(written).save(path));
    EXPECT_EQ(testing::readText(path), encodeProjectToday(written));
    const auto read = ProjectTodayCacheFile::read(path);
    ASSERT_TRUE(read.has_value());
    expectSameProject(read->project(), written);

    // A save replaces the whole content, even with a shorter text.
    JsonProjectToday shorter;
    shorter.name = "s";
    ASSERT_TRUE(ProjectTodayCacheFile(shorter).save(path));
    EXPECT_EQ(testing::readText(path), R"({"nm":"s"})");
}

TEST(CacheFile, SaveFailuresTouchNoFile) {
    TempDir dir;
    EXPECT_FALSE(ProjectTodayCacheFile(fullProject(1)).save(dir.file("missing/P.prj")));
    EXPECT_FALSE(testing::fileExists(dir.file("missing")));

    const std::string path = dir.write("P.prj", R"({"nm":"old"})");
    JsonProjectToday unencodable;
    unencodable.finish = Date(-std::numeric_limits<double>::infinity());
    EXPECT_FALSE(ProjectTodayCacheFile(unencodable).save(path));
    EXPECT_EQ(testing::readText(path), R"({"nm":"old"})");
    EXPECT_FALSE(ProjectTodayCacheFile(unencodable).save(dir.file("new.prj")));
    EXPECT_FALSE(testing::fileExists(dir.file("new.prj")));

    testing::TestHost host;
    ScopedHost scoped(host);
    host.failAll(testing::HostOp::rename);
    EXPECT_FALSE(ProjectTodayCacheFile(fullProject(1)).save(path));
    EXPECT_EQ(testing::readText(path), R"({"nm":"old"})");
}

TEST(CacheFile, UnreadableOrMalformedFilesReadAsNothing) {
    TempDir dir;
    const std::string good = dir.write("good.prj", R"({"nm":"ok"})");
    EXPECT_FALSE(ProjectTodayCacheFile::read(dir.write("bad.prj", R"({"nm":"ok")")).has_value());
    EXPECT_FALSE(ProjectTodayCacheFile::read(dir.write("empty.prj", "")).has_value());
    EXPECT_FALSE(ProjectTodayCacheFile::read(dir.path()).has_value());  // a directory

    testing::TestHost host;
    ScopedHost scoped(host);
    host.failAll(testing::HostOp::readFile);
    EXPECT_FALSE(ProjectTodayCacheFile::read(good).has_value());
    host.clearFaults();
    EXPECT_TRUE(ProjectTodayCacheFile::read(good).has_value());
}

}  // namespace
}  // namespace today::detail
