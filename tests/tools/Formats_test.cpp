// The forms of the command's output end to end: JSON, JSON Lines and TSV read back by other parsers
// (nlohmann-json, Python's csv), and text fitted to 40, 80 and 200 columns, in ASCII under LANG=C.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "CommandRunner.hpp"
#include "tools/today/output/Format.hpp"

namespace today::testing {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

// A task id beyond 2^53, which a reader that holds numbers as doubles would round; a name with a tab, a
// newline and wide characters; a task within one day; a milestone under a project task.
const std::string plan = R"({"name": "Office move", "rootTask": {"id": 0, "children": [
  {"id": 10, "type": "project", "name": "Move", "children": [
    {"id": 9007199254740993, "name": "Pack\tthe\narchive", "start": "2090-06-09T09:00:00+02:00",
     "finish": "2090-06-13T17:00:00+02:00", "completedPercent": 40, "colorIndex": 5},
    {"id": 12, "type": "milestone", "name": "Keys handed over", "finish": "2090-06-11T12:00:00+02:00"}]},
  {"id": 20, "name": "家具を注文する、そして組み立てる長い名前の作業", "start": "2090-06-10T08:00:00+02:00",
   "finish": "2090-06-10T17:00:00+02:00", "colorIndex": 1}]}})";

const std::string at = "2090-06-10T14:00";

class Formats : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        if (!IsSkipped()) add(write("office.json", plan));
    }
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST_F(Formats, JsonIsOneVersionedDocumentWithIdsAsStrings) {
    const CommandResult compact = today({"show", "--format", "json", "--at", at});
    ASSERT_EQ(compact.exitCode, 0) << compact.err;
    EXPECT_EQ(lines(compact.out).size(), 1u) << "compact unless --pretty";
    const json document = json::parse(compact.out);
    EXPECT_EQ(json::parse(today({"show", "--json", "--pretty", "--at", at}).out), document);

    EXPECT_EQ(document["version"], 1);
    EXPECT_EQ(document["from"], "2090-06-10T14:00:00+02:00");
    const json& office = document["plans"][0];
    EXPECT_EQ(office["link"], "OrvaneProject://" + office["id"].get<std::string>());
    EXPECT_EQ(office["document"], "present");
    EXPECT_EQ(document["errors"], json::array());
    const json& tasks = office["tasks"];
    ASSERT_EQ(tasks.size(), 3u);
    EXPECT_EQ(tasks[0]["id"], "9007199254740993");
    EXPECT_EQ(tasks[0]["name"], "Pack\tthe\narchive");
    EXPECT_EQ(tasks[0]["completedPercent"], 40);
    EXPECT_EQ(tasks[0]["colorIndex"], 5);
    EXPECT_EQ(tasks[0]["projectTaskId"], "10");
    EXPECT_EQ(tasks[0]["projectTaskName"], "Move");
    EXPECT_EQ(tasks[1]["isMilestone"], true);
    EXPECT_TRUE(tasks[2]["projectTaskId"].is_null());

    const json listed = json::parse(today({"list", "--format", "json"}).out);
    EXPECT_EQ(listed["version"], 1);
    EXPECT_EQ(listed["plans"][0]["id"], office["id"]);
}

TEST_F(Formats, JsonLinesAndTsvCarryThePlanAndDayOnEveryRow) {
    const std::vector<std::string> jsonLines = lines(today({"show", "--format", "jsonl", "--at", at}).out);
    ASSERT_EQ(jsonLines.size(), 3u);
    for (const std::string& line : jsonLines) {
        const json task = json::parse(line);
        EXPECT_EQ(task["version"], 1);
        EXPECT_EQ(task["planName"], "Office move");
        EXPECT_EQ(task["day"], "2090-06-10");
        EXPECT_TRUE(task["plan"].is_string() && task["id"].is_string());
    }

    // Python's csv module reads the rows back; escapes are undone by hand, as a script would.
    const std::string tsv = runner.dir().write("tasks.tsv", today({"show", "--format", "tsv", "--at", at}).out);
    const std::string script = runner.dir().write("read.py", R"(import csv, sys
rows = list(csv.DictReader(open(sys.argv[1], newline=''), delimiter='\t', quoting=csv.QUOTE_NONE))
for row in rows:
    name = row['name'].replace('\\t', '\t').replace('\\n', '\n')
    print(len(row), row['day'], row['id'], repr(name), row['projectTaskName'] or '-', row['planName'], row['state'],
          row['due'] or '-')
)");
    FILE* pipe = popen(("python3 " + script + " " + tsv + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    for (int c; (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
    if (pclose(pipe) != 0 && out.find("No such file") != std::string::npos) GTEST_SKIP() << "no python3";
    EXPECT_EQ(out,
              "15 2090-06-10 9007199254740993 'Pack\\tthe\\narchive' Move Office move on -\n"
              "15 2090-06-10 12 'Keys handed over' Move Office move due 2090-06-11T12:00:00+02:00\n"
              "15 2090-06-10 20 '家具を注文する、そして組み立てる長い名前の作業' - Office move on -\n");
}

// Every line fits the width (but a plan's id, which is copied whole), names are cut by display width,
// and LANG=C gives plain ASCII.
TEST_F(Formats, TextFitsTheTerminalWidthAndTheLocale) {
    for (const std::size_t width : {40, 80, 200}) {
        const CommandResult shown = today({"--at", at}, {{"COLUMNS", std::to_string(width)}});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        for (const std::string& line : lines(shown.out)) {
            if (line.starts_with("  id ")) continue;
            EXPECT_LE(cli::displayWidth(line), width) << line;
        }
        EXPECT_THAT(shown.out, HasSubstr("2090-06-10 08:00–17:00"));
        EXPECT_EQ(shown.out.find("████") != std::string::npos, width == 200) << shown.out;
        EXPECT_EQ(shown.out.find("家具を注文する、そして組み立てる長い名前の作業") != std::string::npos, width == 200);
        if (width == 80) {
            EXPECT_THAT(shown.out, HasSubstr("家具を注文する、そして… "));  // 22 columns and the ellipsis
        }
    }

    for (const std::map<std::string, std::string>& locale :
         {std::map<std::string, std::string>{{"LANG", "C"}}, {{"LANG", "en_US.UTF-8"}, {"LC_ALL", "POSIX"}}}) {
        const CommandResult shown = today({"--at", at}, locale);
        for (const char c : shown.out) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << shown.out;
        EXPECT_THAT(shown.out, HasSubstr("2090-06-09 09:00 -> 2090-06-13 17:00"));
        EXPECT_THAT(shown.out, HasSubstr("  * Keys handed over"));
    }
    EXPECT_THAT(today({"--at", at}, {{"LC_CTYPE", "de_DE.utf8"}}).out, HasSubstr("◆ Keys"));

    // Colours only when asked for or on a terminal, and never with NO_COLOR unless asked for.
    EXPECT_THAT(today({"--at", at, "--color", "always"}).out, HasSubstr("\x1b["));
    EXPECT_THAT(today({"--at", at, "--color=always"}, {{"NO_COLOR", "1"}}).out, HasSubstr("\x1b["));
    EXPECT_EQ(today({"--at", at, "--color", "auto"}).out.find("\x1b["), std::string::npos);
}

}  // namespace
}  // namespace today::testing
