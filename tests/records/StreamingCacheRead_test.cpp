// The streaming reading of a cache file (On-Demand, keeping only some task records) accepts exactly the
// texts that the whole-snapshot reading (DOM) accepts, and yields the same records: over the JSON
// parsing test suite, hand-picked edge cases, and many damaged copies of real cache files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/TestHost.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::detail {
namespace {

namespace fs = std::filesystem;

bool sameTask(const JsonTaskToday& a, const JsonTaskToday& b) {
    return a.id == b.id && a.name == b.name && a.start == b.start && a.finish == b.finish &&
           a.completed == b.completed && a.color == b.color && a.isMilestone == b.isMilestone &&
           a.directProjectTaskId == b.directProjectTaskId;
}

bool keepEvenIds(const JsonTaskToday& task) { return !task.id || *task.id % 2 == 0; }

// Compares the two readings of one text; a description of the first difference, or empty.
std::string difference(const std::string& text) {
    auto whole = decodeProjectToday(std::string_view(text));
    Bytes bytes(text.begin(), text.end());
    const auto streamed = decodeProjectToday(bytes, keepEvenIds);
    if (std::string(bytes.begin(), bytes.end()) != text) return "the bytes were changed";
    if (whole.has_value() != streamed.has_value()) {
        return whole ? "only the whole reading accepts it" : "only the streaming reading accepts it";
    }
    if (!whole) return {};
    if (whole->tasks) {
        std::erase_if(*whole->tasks, [](const JsonTaskToday& task) { return !keepEvenIds(task); });
    }
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

TEST(StreamingCacheReadTest, AgreesOnTheJsonParsingTestSuite) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(TODAY_TESTDATA_DIR "/jsontestsuite/test_parsing")) {
        const std::string text = testing::readText(entry.path().string());
        EXPECT_EQ(difference(text), "") << entry.path().filename();
        ++files;
    }
    EXPECT_GT(files, 300);
}

TEST(StreamingCacheReadTest, AgreesOnEdgeCases) {
    // The root is the first level of nesting; the DOM parser takes 1024 levels and refuses the 1025th.
    const auto nested = [](std::size_t levels) { return std::string(levels, '[') + std::string(levels, ']'); };
    for (const std::string& text :
         std::vector<std::string>{R"({})",
                                  R"({"tsks":[]})",
                                  R"({"tsks":null})",
                                  R"({"tsks":[{}]})",
                                  R"({"tsks":[1]})",
                                  R"({"tsks":[{"id":2,"nm":"a"},{"id":3}]} )",
                                  "\t{\"tsks\":[{\"id\":2}]}\n\n",
                                  R"({"tsks":[{"id":2}]}})",
                                  R"({"tsks":[{"id":2}]}{})",
                                  R"({"a":1} {"b":2})",
                                  R"({"a":1}])",
                                  R"({"a":1}]})",
                                  R"({"a":1} 1 })",
                                  R"({"a":1,})",
                                  R"({"a":1 "b":2})",
                                  R"({"a" 1})",
                                  R"({"a":[1 2]})",
                                  R"({"a":[1,]})",
                                  R"({"a":{"b":tru}})",
                                  R"({"a":nul})",
                                  R"({"a":nulll})",
                                  R"({"a":"\x"})",
                                  R"({"a\q":1})",
                                  R"({"n\u006d":"named","tsks":[{"\u0069d":2,"nm":"x\ty"}]})",
                                  R"({"nm":"caf\u00e9 \ud83d\ude00","tsks":[{"id":2,"nm":"\"quoted\" \\ back"}]})",
                                  R"({"tsks":[{"id":2.0}]})",
                                  R"({"tsks":[{"id":1e2}]})",
                                  R"({"tsks":[{"id":9223372036854775807}]})",
                                  R"({"tsks":[{"id":9223372036854775808}]})",
                                  R"({"tsks":[{"id":-9223372036854775808}]})",
                                  R"({"tsks":[{"id":-9223372036854775809}]})",
                                  R"({"tsks":[{"id":-0}]})",
                                  R"({"tsks":[{"id":2,"stt":18446744073709551615,"fns":1e308}]})",
                                  R"({"tsks":[{"id":2,"stt":1e400}]})",
                                  R"({"tsks":[{"id":2,"stt":123456789012345678901}]})",
                                  R"({"tsks":[{"id":2,"stt":"1"}]})",
                                  R"({"tsks":[{"id":2,"mls":1}]})",
                                  R"({"tsks":[{"id":2,"mls":null,"sp":null,"nm":null}]})",
                                  R"({"tsks":[{"id":2,"id":3}]})",
                                  R"({"tsks":[{"id":2}],"tsks":null})",
                                  R"({"tsks":{"id":2}})",
                                  R"({"x":)" + nested(1023) + "}",
                                  R"({"x":)" + nested(1024) + "}",
                                  R"({"tsks":[{"id":2,"x":)" + nested(1021) + "}]}",
                                  R"({"tsks":[{"id":2,"x":)" + nested(1022) + "}]}",
                                  "\xEF\xBB\xBF{}",
                                  "{\"nm\":\"\xFF\"}",
                                  "{\"nm\":\"a\x01\"}",
                                  "{\"nm\":\"a\x7F\"}",
                                  "",
                                  " ",
                                  "[]",
                                  "\"x\"",
                                  "{\"a\":1}\x00",
                                  std::string("{\"a\":1}\0", 8)}) {
        EXPECT_EQ(difference(text), "") << text.substr(0, 120);
    }
}

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
    // Unknown keys with nested values, and a null, as other writers might leave them.
    text.insert(1, R"("extra":{"list":[1,2.5,-3e4,true,false,null,"s\u0041"],"o":{}},"cmp":null,)");
    return text;
}

TEST(StreamingCacheReadTest, AgreesOnDamagedCacheFiles) {
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
        const std::string found = difference(text);
        ASSERT_EQ(found, "") << text;
        if (decodeProjectToday(std::string_view(text))) ++accepted;
    }
    EXPECT_GT(accepted, 1000);  // damage that keeps the text valid is reached too
}

TEST(StreamingCacheReadTest, ReadsOnlyTheKeptRecordsOfAFile) {
    testing::TempDir dir;
    JsonProjectToday project;
    auto& tasks = project.tasks.emplace();
    for (int i = 0; i < 5; ++i) {
        JsonTaskToday& task = tasks.emplace_back();
        task.id = i;
        task.name = "Task " + std::to_string(i);
    }
    const std::string path = dir.path() + "/p.prj";
    ASSERT_TRUE(ProjectTodayCacheFile(project).save(path));
    const auto read = ProjectTodayCacheFile::read(path, keepEvenIds);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->project().tasks->size(), 3u);
    EXPECT_EQ(read->project().tasks->at(2).name, "Task 4");
    EXPECT_FALSE(ProjectTodayCacheFile::read(dir.path() + "/missing.prj", keepEvenIds).has_value());
}

}  // namespace
}  // namespace today::detail
