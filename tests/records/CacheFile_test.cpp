// The project today cache file: its short keys, strict reading, and the streaming reading (keeping only
// some task records), which must accept exactly the texts the whole-snapshot reading accepts and yield
// the same records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>

#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::detail {
namespace {

JsonProjectToday fullProject(std::size_t taskCount) {
    JsonProjectToday project;
    project.name = "Plan \"A\" \\ ✓";
    project.start = Date(-1.75);
    project.finish = Date(0);
    project.completed = 100;
    project.tasks.emplace();
    for (std::int64_t id = 1; id <= static_cast<std::int64_t>(taskCount); ++id) {
        JsonTaskToday& task = project.tasks->emplace_back();
        task.id = id;
        task.name = "Task " + std::to_string(id);
        task.start = Date(700000000.5 + static_cast<double>(id));
        task.finish = Date(700086400.125 + static_cast<double>(id));
        task.completed = 40;
        task.color = -3;
        task.isMilestone = id % 2 == 0;
        task.directProjectTaskId = id / 10;
    }
    return project;
}

bool sameTask(const JsonTaskToday& a, const JsonTaskToday& b) {
    return a.id == b.id && a.name == b.name && a.start == b.start && a.finish == b.finish &&
           a.completed == b.completed && a.color == b.color && a.isMilestone == b.isMilestone &&
           a.directProjectTaskId == b.directProjectTaskId;
}

bool keepEvenIds(const JsonTaskToday& task) { return !task.id || *task.id % 2 == 0; }

// Compares the whole and the streaming reading of one text; a description of the first difference, or empty.
std::string difference(const std::string& text) {
    auto whole = decodeProjectToday(std::string_view(text));
    Bytes bytes(text.begin(), text.end());
    const auto streamed = decodeProjectToday(bytes, keepEvenIds);
    if (std::string(bytes.begin(), bytes.end()) != text) return "the bytes were changed";
    if (whole.has_value() != streamed.has_value()) {
        return whole ? "only the whole reading accepts it" : "only the streaming reading accepts it";
    }
    if (!whole) return {};
    if (whole->tasks) std::erase_if(*whole->tasks, [](const JsonTaskToday& task) { return !keepEvenIds(task); });
    if (whole->name != streamed->name || whole->start != streamed->start || whole->finish != streamed->finish ||
        whole->completed != streamed->completed || whole->tasks.has_value() != streamed->tasks.has_value()) {
        return "the project fields differ";
    }
    if (whole->tasks && !std::equal(whole->tasks->begin(), whole->tasks->end(), streamed->tasks->begin(),
                                    streamed->tasks->end(), sameTask)) {
        return "the task records differ";
    }
    return {};
}

TEST(CacheFile, WritesTheShortKeysInOrderAndReadsEveryFieldBack) {
    JsonProjectToday project = fullProject(2);
    project.tasks->erase(project.tasks->begin());
    (*project.tasks)[0].start = Date(10.5);
    (*project.tasks)[0].finish = Date(20);
    EXPECT_EQ(encodeProjectToday(project),
              R"({"nm":"Plan \"A\" \\ ✓","stt":-1.75,"fns":0,"cmp":100,"tsks":[)"
              R"({"id":2,"nm":"Task 2","stt":10.5,"fns":20,"cmp":40,"clr":-3,"mls":true,"sp":0}]})");
    JsonProjectToday absent;
    absent.tasks.emplace(2);
    (*absent.tasks)[1].isMilestone = false;
    EXPECT_EQ(encodeProjectToday(absent), R"({"tsks":[{},{"mls":false}]})");

    // Numbers are written as the shortest text that reads back the same: equal texts, equal snapshots.
    JsonProjectToday written = fullProject(50);
    (*written.tasks)[0].id = std::numeric_limits<std::int64_t>::max();
    (*written.tasks)[0].directProjectTaskId = std::numeric_limits<std::int64_t>::min();
    const auto text = encodeProjectToday(written);
    ASSERT_TRUE(text);
    EXPECT_EQ(encodeProjectToday(decodeProjectToday(*text).value()), text);
}

// Null reads as absent, unknown keys are skipped, the last of two equal keys counts, and a value of the
// wrong type anywhere refuses the whole file; both readings agree on each text ("": either way).
TEST(CacheFile, ReadingIsStrictAndTheStreamingReadingAgrees) {
    const std::string nested = std::string(1022, '[') + std::string(1022, ']');  // about the parser's limit
    const std::pair<std::string, const char*> cases[] = {
        {R"({"nm":null,"tsks":[{"id":null,"nm":null,"stt":null,"fns":null,"cmp":null,"clr":null,"mls":null,"sp":null}]})",
         R"({"tsks":[{}]})"},
        {R"({"tsks":null})", "{}"},
        {R"({"v":2,"cmp":1,"cmp":2,"tsks":[{"x":[{}],"id":3,"id":null}],"nm":"a"})",
         R"({"nm":"a","cmp":2,"tsks":[{}]})"},
        {R"({"n\u006d":"named","tsks":[{"\u0069d":2,"nm":"x\ty"}]})", ""},
        {R"({"tsks":[{"id":2,"x":)" + nested + "}]}", ""},
        {R"({"tsks":[{"id":6,"stt":1.2345678901234567890,"fns":700086406.1700086425}]})", ""},  // 20 digits
        {"\t{\"tsks\":[{\"id\":2.0}]}\n", nullptr},  // integers carry no fraction
        {R"([])", nullptr},
        {R"({"nm":1})", nullptr},
        {R"({"stt":"1"})", nullptr},
        {R"({"cmp":1.5})", nullptr},
        {R"({"tsks":{}})", nullptr},
        {R"({"tsks":[{"id":1},null]})", nullptr},
        {R"({"tsks":[{"id":1},{"id":2,"clr":9223372036854775808}]})", nullptr},
        {R"({"tsks":[{"mls":0}]})", nullptr},
        {R"({"tsks":[{"stt":1e999}]})", nullptr},
        {R"({"tsks":[]} {})", nullptr},
        {R"({"a":1,})", nullptr},
        {R"({"x":)" + std::string(1024, '[') + std::string(1024, ']') + "}", ""},
        {"{\"nm\":\"\xc3\x28\"}", nullptr},
        {"\xEF\xBB\xBF{}", ""},
        {std::string("{\"a\":1}\0", 8), ""},
        {"", nullptr},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text.substr(0, 100));
        const auto read = decodeProjectToday(text);
        if (!expected) {
            EXPECT_FALSE(read);
        }
        if (expected && *expected) {
            EXPECT_EQ(read ? encodeProjectToday(*read) : std::nullopt, expected);
        }
        EXPECT_EQ(difference(text), "");
    }
}

// A cache file with a random task list, and unknown keys with nested values as other writers might
// leave them.
std::string sampleText(std::mt19937& random) {
    JsonProjectToday project;
    project.name = "Bâtiment \"Est\"";
    project.start = Date(1000.5);
    project.completed = 12;
    auto& tasks = project.tasks.emplace();
    for (int i = 0; i < 6; ++i) {
        JsonTaskToday& task = tasks.emplace_back();
        task.id = static_cast<std::int64_t>(random() % 100) - 50;
        if (i % 3) task.name = i % 2 ? "Réunion\\chantier" : "Task\n" + std::to_string(i);
        task.start = Date(static_cast<double>(random() % 100000) / 8);
        task.finish = Date(static_cast<double>(random() % 100000));
        if (i % 2) task.completed = 40;
        task.color = 3;
        task.isMilestone = i == 4;
        if (i % 4) task.directProjectTaskId = 9;
    }
    std::string text = *encodeProjectToday(project);
    text.insert(1, R"("extra":{"list":[1,2.5,-3e4,true,false,null,"s\u0041"],"o":{}},"cmp":null,)");
    return text;
}

// Damaged copies of a cache file (bytes cut, inserted, replaced or repeated) are read alike by both.
TEST(CacheFile, TheStreamingReadingAgreesOnDamagedFiles) {
    std::mt19937 random(20250611);
    constexpr std::string_view inserted = "{}[],:\"\\ 0123456789.-+eEtrufalsn\x01\xC3\xA9";
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text = sampleText(random);
        const int edits = static_cast<int>(random() % 3) + 1;
        for (int edit = 0; edit < edits; ++edit) {
            const std::size_t at = random() % (text.size() + 1);
            switch (random() % 4) {
                case 0:
                    if (at < text.size()) text.erase(at, 1 + random() % 3);
                    break;
                case 1: text.insert(at, 1, inserted[random() % inserted.size()]); break;
                case 2:
                    if (at < text.size()) text[at] = inserted[random() % inserted.size()];
                    break;
                default: {
                    const std::size_t from = random() % text.size();
                    text.insert(at, text.substr(from, random() % 12));
                }
            }
        }
        ASSERT_EQ(difference(text), "") << text;
        if (decodeProjectToday(std::string_view(text))) ++accepted;
    }
    EXPECT_GT(accepted, 1000);  // damage that keeps the text valid is reached too
}

}  // namespace
}  // namespace today::detail
