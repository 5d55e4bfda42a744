// The JSON plan reader: what a plan holds, what is refused and where the message points, nesting of any
// depth, the bundled examples, and the choice between JSON and Microsoft Project XML by content.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TestHost.hpp"
#include "tools/today/plans/JsonPlanWriter.hpp"
#include "tools/today/plans/PlanLoader.hpp"

namespace today::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

JsonProject plan(const std::string& text) {
    PlanLoadResult result = parseJsonPlan(text, "plan.json");
    EXPECT_TRUE(result.project) << result.error;
    EXPECT_EQ(result.error, "");
    return result.project.value_or(JsonProject{});
}

std::string error(const std::string& text) {
    const PlanLoadResult result = parseJsonPlan(text, "plan.json");
    EXPECT_FALSE(result.project) << text;
    return result.error;
}

TEST(JsonPlan, ReadsEveryFieldOfTheTaskTree) {
    const JsonProject project = plan(R"({
      "name": "Office move",
      "rootTask": {
        "id": 0, "type": "project", "name": "Office move",
        "start": "2025-06-02T09:00:00+02:00", "finish": 771000000.25, "completedPercent": 35,
        "children": [
          {"id": 1, "type": "normal", "name": "Pack", "start": "2025-06-09T09:00:00Z",
           "finish": "2025-06-13T17:00:00.5-01:30", "completedPercent": 40, "colorIndex": -3},
          {"id": 2, "type": "milestone", "name": null, "start": null, "finish": 0, "children": []},
          {"children": [{"id": 9223372036854775807}, {"id": -9223372036854775808}]}
        ]
      }
    })");
    EXPECT_EQ(project.name, "Office move");
    ASSERT_TRUE(project.rootTask);
    const JsonTask& root = *project.rootTask;
    EXPECT_EQ(root.id, 0);
    EXPECT_EQ(root.type, JsonTaskType::project);
    EXPECT_EQ(root.start, Date(770540400));
    EXPECT_EQ(root.finish, Date(771000000.25));
    EXPECT_EQ(root.completedPercent, 35);
    EXPECT_FALSE(root.newColorIndex);
    ASSERT_TRUE(root.childs);
    ASSERT_EQ(root.childs->size(), 3u);

    const JsonTask& pack = (*root.childs)[0];
    EXPECT_EQ(pack.type, JsonTaskType::normal);
    EXPECT_EQ(pack.name, "Pack");
    EXPECT_EQ(pack.start, Date(771152400));
    EXPECT_EQ(pack.finish, Date(771532200.5));
    EXPECT_EQ(pack.newColorIndex, -3);
    EXPECT_FALSE(pack.childs);

    const JsonTask& milestone = (*root.childs)[1];
    EXPECT_EQ(milestone.type, JsonTaskType::milestone);
    EXPECT_FALSE(milestone.name);
    EXPECT_FALSE(milestone.start);
    EXPECT_EQ(milestone.finish, Date(0));
    ASSERT_TRUE(milestone.childs);
    EXPECT_TRUE(milestone.childs->empty());

    const JsonTask& summary = (*root.childs)[2];
    EXPECT_FALSE(summary.id);
    EXPECT_FALSE(summary.type);
    ASSERT_TRUE(summary.childs);
    EXPECT_EQ((*summary.childs)[0].id, INT64_MAX);
    EXPECT_EQ((*summary.childs)[1].id, INT64_MIN);
}

// A plan whose task tree is `depth` tasks deep, each the only child of the one above.
std::string nestedPlan(std::size_t depth) {
    std::string text = "{\"rootTask\": ";
    for (std::size_t i = 0; i < depth; ++i) text += "{\"id\": " + std::to_string(i) + ", \"children\": [";
    text += "{\"id\": -1, \"finish\": 0}";
    for (std::size_t i = 0; i < depth; ++i) text += "]}";
    return text + "}";
}

TEST(JsonPlan, MessagesNameTheFileLineAndColumn) {
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"{\n  \"name\": \"x\",\n  \"rootTask\": {\"id\": \"7\"}\n}", "plan.json:3:22: \"id\" must be a whole number"},
        {"{\"rootTask\": {\"id\": 1.5}}", "plan.json:1:21: \"id\" must be a whole number"},
        {"{\"rootTask\": {\"id\": 9223372036854775808}}", "plan.json:1:21: \"id\" is too large"},
        {"{\"rootTask\": {\"completedPercent\": 101}}",
         "plan.json:1:35: \"completedPercent\" must be a whole number from 0 to 100"},
        {"{\"rootTask\": {\"start\": \"2025-06-02T09:00:00\"}}",
         "plan.json:1:24: \"start\" must be a date and time with an offset"},
        {"{\"rootTask\": {\"finish\": true}}", "\"finish\" must be a date"},
        {"{\"rootTask\": {\"type\": \"summary\"}}", "plan.json:1:23: unknown task type \"summary\""},
        {"{\"rootTask\": {\"name\": 5}}", "plan.json:1:23: \"name\" must be a string"},
        {"{\"rootTask\": {\"childs\": []}}", "plan.json:1:15: unknown key \"childs\" in a task"},
        {"{\"rootTask\": {\"id\": 1, \"id\": 2}}", "plan.json:1:24: \"id\" is given twice"},
        {"{\"name\": \"a\", \"name\": \"b\"}", "plan.json:1:15: \"name\" is given twice"},
        {"{\"title\": \"a\"}", "plan.json:1:2: unknown key \"title\""},
        {"{\"rootTask\": {\"children\": {}}}", "plan.json:1:27: \"children\" must be an array of tasks"},
        {"{\"rootTask\": {\"children\": [{}, 3]}}", "plan.json:1:32: an element of \"children\" must be a task object"},
        {"{\"rootTask\": []}", "plan.json:1:14: rootTask must be a task object"},
        {"[]", "plan.json:1:1: a plan is a JSON object"},
        {"\n\n  \"plan\"", "plan.json:3:3: a plan is a JSON object"},
        {"{\"name\": \"x\",}", "plan.json:1:14: not valid JSON"},
        {"{\"rootTask\": {\"children\": [{\"id\": 1} {\"id\": 2}]}}", "plan.json:1:38: not valid JSON"},
        {"{\"name\": \"x\"} {}", "plan.json:1:15: unexpected text after the plan"},
        {"{\"name\": \"\xC3\xA9t\xC3\xA9\", \"rootTask\": 1}", "plan.json:1:29: rootTask must be a task object"},
        {"{\"name\": \"open\n", "plan.json:1:15: control character inside a string"},
        {"{\"name\": \"open", "plan.json:1:10: string is not closed"},
        {"{\"name\": \"a\xFF\"}", "plan.json:1:12: text that is not UTF-8"},
        {"", "plan.json: the file holds no JSON"},
        {nestedPlan(6000), "nested deeper than 10000 levels"},
    };
    for (const Case& c : cases) {
        EXPECT_THAT(error(c.text), HasSubstr(c.message)) << c.text;
        EXPECT_THAT(error(c.text), StartsWith("plan.json")) << c.text;
    }
}

TEST(JsonPlan, WrittenPlansReadBackUnchanged) {
    testing::ScopedTimeZone zone("America/St_Johns");  // an offset of hours and a half
    JsonTask leaf;
    leaf.id = 5;
    leaf.type = JsonTaskType::milestone;
    leaf.name = "Quote \" backslash \\ tab \t and \xE2\x86\x92";
    leaf.start = Date(-123456789.0);
    leaf.finish = Date(771000000.123);  // a fraction: written as a number
    leaf.completedPercent = 100;
    leaf.newColorIndex = 7;
    JsonTask root;
    root.id = 0;
    root.childs = std::vector<JsonTask>{leaf, JsonTask{}};
    JsonProject project;
    project.name = "Round trip";
    project.rootTask = root;

    const std::string written = writeJsonPlan(project, Host::current());
    const JsonProject read = plan(written);
    EXPECT_EQ(writeJsonPlan(read, Host::current()), written);
    const JsonTask& back = (*read.rootTask->childs)[0];
    EXPECT_EQ(back.name, leaf.name);
    EXPECT_EQ(back.start, leaf.start);
    EXPECT_EQ(back.finish, leaf.finish);
    EXPECT_THAT(written, HasSubstr("-03:30\""));
}

TEST(JsonPlan, BundledExamplesAreValidPlans) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TODAY_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".json") continue;
        const PlanLoadResult result = loadPlanDocument(entry.path().string());
        EXPECT_TRUE(result.project) << result.error;
        EXPECT_TRUE(result.project && result.project->name && result.project->rootTask) << entry.path();
        ++count;
    }
    EXPECT_GE(count, 2u);
}

// Every file of the JSON test suite that is not JSON is refused; every one that is JSON passes the JSON
// reader (and may then be refused as a plan).
TEST(JsonPlan, AgreesWithTheJsonTestSuite) {
    const std::filesystem::path suite = TODAY_TESTDATA_DIR "/jsontestsuite/test_parsing";
    ASSERT_TRUE(std::filesystem::is_directory(suite)) << suite;
    std::size_t checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(suite)) {
        const std::string name = entry.path().filename().string();
        if (name[0] != 'n' && name[0] != 'y') continue;
        const std::string text = testing::readText(entry.path().string());
        const PlanLoadResult result = parseJsonPlan(text, name);
        if (name[0] == 'n') {
            EXPECT_FALSE(result.project) << name;
        } else if (!result.project) {
            for (const char* syntax : {"not valid JSON", "not UTF-8", "not closed", "control character", "no JSON"}) {
                EXPECT_THAT(result.error, ::testing::Not(HasSubstr(syntax))) << name;
            }
        }
        EXPECT_THAT(result.error, ::testing::AnyOf("", StartsWith(name))) << name;
        ++checked;
    }
    EXPECT_GT(checked, 200u);
}

TEST(PlanLoader, ChoosesTheReaderByContent) {
    testing::TempDir dir;
    const std::string xml = dir.write("plan.json", "\xEF\xBB\xBF\n  <?xml version=\"1.0\"?><NotAProject/>");
    const PlanLoadResult fromXml = loadPlanDocument(xml);
    EXPECT_FALSE(fromXml.project);
    EXPECT_THAT(fromXml.error, StartsWith(xml));
    EXPECT_THAT(fromXml.error, ::testing::Not(HasSubstr("JSON")));

    const std::string json = dir.write("plan.xml", "\xEF\xBB\xBF {\"name\": \"JSON after all\"}");
    EXPECT_EQ(loadPlanDocument(json).project.value_or(JsonProject{}).name, "JSON after all");

    const PlanLoadResult missing = loadPlanDocument(dir.file("missing.json"));
    EXPECT_FALSE(missing.project);
    EXPECT_EQ(missing.error, dir.file("missing.json") + ": no such file");
}

}  // namespace
}  // namespace today::cli
