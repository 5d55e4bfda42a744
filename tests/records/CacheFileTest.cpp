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

void expectSameTask(const JsonTaskToday& read, const JsonTaskToday& written) {
    EXPECT_EQ(read.id, written.id);
    EXPECT_EQ(read.name, written.name);
    EXPECT_EQ(read.start, written.start);
    EXPECT_EQ(read.finish, written.finish);
    EXPECT_EQ(read.completed, written.completed);
    EXPECT_EQ(read.color, written.color);
    EXPECT_EQ(read.isMilestone, written.isMilestone);
    EXPECT_EQ(read.directProjectTaskId, written.directProjectTaskId);
}

void expectSameProject(const JsonProjectToday& read, const JsonProjectToday& written) {
    EXPECT_EQ(read.name, written.name);
    EXPECT_EQ(read.start, written.start);
    EXPECT_EQ(read.finish, written.finish);
    EXPECT_EQ(read.completed, written.completed);
    ASSERT_EQ(read.tasks.has_value(), written.tasks.has_value());
    if (read.tasks) {
        ASSERT_EQ(read.tasks->size(), written.tasks->size());
        for (std::size_t i = 0; i < read.tasks->size(); ++i) {
            expectSameTask((*read.tasks)[i], (*written.tasks)[i]);
        }
    }
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
    const JsonProjectToday written = fullProject(50);
    const auto read = roundTrip(written);
    ASSERT_TRUE(read.has_value());
    expectSameProject(*read, written);
}

TEST(CacheFile, AbsentFieldsAreLeftOutAndReadBackAbsent) {
    JsonProjectToday project;
    project.tasks.emplace(2);  // two records with every field absent
    (*project.tasks)[1].isMilestone = false;
    const auto text = encodeProjectToday(project);
    EXPECT_EQ(text, R"({"tsks":[{},{"mls":false}]})");
    const auto read = decodeProjectToday(*text);
    ASSERT_TRUE(read.has_value());
    expectSameProject(*read, project);

    EXPECT_EQ(encodeProjectToday(JsonProjectToday{}), "{}");
    const auto empty = decodeProjectToday("{}");
    ASSERT_TRUE(empty.has_value());
    expectSameProject(*empty, JsonProjectToday{});
}

TEST(CacheFile, EmptyTaskListDiffersFromAbsentTasks) {
    JsonProjectToday project;
    project.tasks.emplace();
    EXPECT_EQ(encodeProjectToday(project), R"({"tsks":[]})");
    const auto read = decodeProjectToday(R"({"tsks":[]})");
    ASSERT_TRUE(read.has_value());
    ASSERT_TRUE(read->tasks.has_value());
    EXPECT_TRUE(read->tasks->empty());

    const auto nullTasks = decodeProjectToday(R"({"tsks":null})");
    ASSERT_TRUE(nullTasks.has_value());
    EXPECT_FALSE(nullTasks->tasks.has_value());
}

TEST(CacheFile, FieldNamesAreNotKeys) {
    const auto read = decodeProjectToday(
        R"({"name":"n","start":1,"finish":2,"completed":3,"tasks":[],"tsks":[)"
        R"({"id":1,"name":"t","start":1,"finish":2,"completed":3,"color":4,"isMilestone":true,)"
        R"("directProjectTaskId":5}]})");
    ASSERT_TRUE(read.has_value());
    EXPECT_FALSE(read->name || read->start || read->finish || read->completed);
    ASSERT_EQ(read->tasks->size(), 1u);
    const JsonTaskToday& task = read->tasks->front();
    EXPECT_EQ(task.id, 1);
    EXPECT_FALSE(task.name || task.start || task.finish || task.completed || task.color || task.isMilestone ||
                 task.directProjectTaskId);
}

TEST(CacheFile, NullValuesReadAsAbsent) {
    const auto read = decodeProjectToday(
        R"({"nm":null,"stt":null,"fns":null,"cmp":null,"tsks":[)"
        R"({"id":null,"nm":null,"stt":null,"fns":null,"cmp":null,"clr":null,"mls":null,"sp":null}]})");
    ASSERT_TRUE(read.has_value());
    JsonProjectToday expected;
    expected.tasks.emplace(1);
    expectSameProject(*read, expected);
}

TEST(CacheFile, IntegersUseTheWholeSigned64BitRange) {
    JsonProjectToday project;
    JsonTaskToday task;
    task.id = std::numeric_limits<std::int64_t>::max();
    task.directProjectTaskId = std::numeric_limits<std::int64_t>::min();
    task.completed = 0;
    task.color = -1;
    project.tasks = {task};
    const auto read = roundTrip(project);
    ASSERT_TRUE(read.has_value());
    expectSameProject(*read, project);
}

TEST(CacheFile, WrongTypesRejectTheWholeFile) {
    const char* const texts[] = {
        R"([])",                                                        // root is not an object
        R"("nm")",
        R"({"nm":1})",
        R"({"stt":"1"})",
        R"({"fns":false})",
        R"({"cmp":1.5})",                                               // fractional integer
        R"({"cmp":50.0})",                                              // integers carry no fraction
        R"({"cmp":1e2})",
        R"({"tsks":{}})",                                               // tasks not an array
        R"({"tsks":"[]"})",
        R"({"tsks":[{"id":1},2]})",                                     // non-object task
        R"({"tsks":[{"id":1},null]})",
        R"({"tsks":[{"id":1},{"id":"2"}]})",                            // one malformed task
        R"({"tsks":[{"id":1},{"id":2,"clr":9223372036854775808}]})",    // beyond 64 bits
        R"({"tsks":[{"id":1},{"id":2,"sp":-9223372036854775809}]})",
        R"({"tsks":[{"id":18446744073709551615}]})",
        R"({"tsks":[{"mls":0}]})",
        R"({"tsks":[{"nm":["a"]}]})",
        R"({"tsks":[{"stt":1e999}]})",
        R"({"tsks":[{"fns":"2021-01-01"}]})",
        R"({"tsks":[{"sp":1.25}]})",
        R"({"tsks":[]} {})",
        "{\"nm\":\"\xc3\x28\"}",
    };
    for (const char* text : texts) {
        EXPECT_FALSE(decodeProjectToday(text).has_value()) << text;
    }
}

TEST(CacheFile, UnknownKeysAreIgnoredAndLastDuplicateWins) {
    const auto read =
        decodeProjectToday(R"({"v":2,"cmp":1,"cmp":2,"tsks":[{"x":[{}],"id":3,"id":null}],"nm":"a"})");
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
    project.start = Date(std::numeric_limits<double>::quiet_NaN());
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

TEST(CacheFile, LargeSnapshotRoundTrips) {
    TempDir dir;
    const std::string path = dir.file("big.prj");
    const JsonProjectToday written = fullProject(100000);
    ASSERT_TRUE(ProjectTodayCacheFile(written).save(path));
    const auto read = ProjectTodayCacheFile::read(path);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->project().tasks->size(), written.tasks->size());
    expectSameTask(read->project().tasks->back(), written.tasks->back());
    // The thread's parser stays usable after a large document.
    EXPECT_TRUE(decodeProjectToday(R"({"tsks":[{"id":1}]})").has_value());
}

}  // namespace
}  // namespace today::detail
