// The `today` command end to end: the built binary run in a temporary group container with a fixed time
// zone and fixed dates; each subcommand, help, usage errors and refused files. The snapshot of a plan keeps only the
// tasks that finish after the start of the real current day, so the plans of these tests lie in the future (2090).
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "CommandRunner.hpp"
#include "tools/today/output/Format.hpp"

namespace today::testing {
namespace {

using nlohmann::json;
using ::testing::AnyOf;
using ::testing::Eq;
using ::testing::HasSubstr;
using ::testing::Not;

std::string officeMove(const std::string& name = "Office move", const std::string& packing = "Pack the archive") {
    return R"({
  "name": ")" +
           name + R"(",
  "rootTask": {
    "id": 0, "type": "project", "name": "Office move",
    "start": "2090-06-02T09:00:00+02:00", "finish": "2090-06-27T17:00:00+02:00", "completedPercent": 35,
    "children": [
      {"id": 1, "name": "Plan the layout", "start": "2090-06-05T09:00:00+02:00",
       "finish": "2090-06-10T17:00:00+02:00", "completedPercent": 100, "colorIndex": 0},
      {"id": 10, "type": "project", "name": "Move", "children": [
        {"id": 11, "name": ")" +
           packing + R"(", "start": "2090-06-09T09:00:00+02:00",
         "finish": "2090-06-13T17:00:00+02:00", "completedPercent": 40, "colorIndex": 5},
        {"id": 12, "type": "milestone", "name": "Keys handed over", "finish": "2090-06-11T12:00:00+02:00",
         "completedPercent": 0, "colorIndex": 2}
      ]},
      {"id": 20, "name": "Order the furniture", "start": "2090-06-05T09:00:00+02:00",
       "finish": "2090-06-12T17:00:00+02:00", "colorIndex": 1}
    ]
  }
}
)";
}

// A plan with one task on from 2000 to 2100, so it is on whatever the real day is.
std::string alwaysOn(const std::string& name, const std::string& task) {
    return R"({"name": ")" + name + R"(", "rootTask": {"id": 0, "children": [
      {"id": 1, "name": ")" +
           task + R"(", "start": "2000-01-01T00:00:00Z", "finish": "2100-01-01T00:00:00Z"}]}})";
}

const std::string at = "2090-06-10T14:00";

using TodayCommand = CommandTest;

TEST_F(TodayCommand, ShowsTheTasksOnADateForAPerson) {
    const std::string id = add(write("office.json", officeMove()));
    const std::map<std::string, std::string> wide = {{"COLUMNS", "200"}};
    const CommandResult shown = today({"show", "--at", at, "--by-plan"}, wide);
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.err, "");
    EXPECT_EQ(shown.out,
              "Tasks on Sat 2090-06-10 14:00\n"
              "\n"
              "Office move  2090-06-02 09:00 → 2090-06-27 17:00  id " +
                  id +
                  "\n"
                  "    Order the furniture  2090-06-05 09:00 → 2090-06-12 17:00  ░░░░░░░░░░   0%     ■ 1\n"
                  "    Plan the layout      2090-06-05 09:00 → 2090-06-10 17:00  ██████████ 100%  ✓  ■ 0\n"
                  "    Pack the archive     2090-06-09 09:00 → 2090-06-13 17:00  ████░░░░░░  40%     ■ 5  #10 Move\n"
                  "  ◆ Keys handed over     due tomorrow 12:00                   ░░░░░░░░░░   0%     ■ 2  #10 Move\n");
    const json tasks = json::parse(today({"show", "--at", at, "--json"}).out)["plans"][0]["tasks"];
    std::vector<std::string> states;
    for (const json& task : tasks) states.push_back(task["state"]);
    EXPECT_EQ(states, (std::vector<std::string>{"done", "on", "due", "on"}));
    EXPECT_EQ(tasks[2]["due"], "2090-06-11T12:00:00+02:00");
    EXPECT_EQ(tasks[2]["start"], "2090-06-10T12:00:00+02:00");
    EXPECT_TRUE(tasks[0]["due"].is_null());
    EXPECT_THAT(today({"show", "--at", at, "--hide-done"}, wide).out, Not(HasSubstr("Plan the layout")));
    // The milestone is next at its due time; the done task, first in the plan, does not lead the bar.
    EXPECT_THAT(
        today({"next", "--at", at}, wide).out,
        HasSubstr(
            "Next: Sun 2090-06-11 12:00 (in 22 hours 0 minutes)\n  Office …  ◆ Keys handed over  due today 12:00"));
    EXPECT_EQ(today({"bar", "--max-width", "80"}).out, "Next: Order the furniture 2090-06-05 09:00 · nothing today\n");

    // Without a subcommand it shows; the same instant given in UTC gives the same answer.
    EXPECT_EQ(today({"--at", "2090-06-10T12:00:00Z", "--by-plan"}, wide).out, shown.out);
    // A week later nothing is on.
    EXPECT_THAT(today({"--at", "2090-06-20"}).out, HasSubstr("\n1 plan has nothing on this date\n"));
}

// Holds the list's lock as another process would, until the descriptor is closed.
int holdListLock(const CommandRunner& runner) {
    std::filesystem::create_directories(runner.groupContainer());
    const int held =
        ::open((runner.groupContainer() + "/projects.json.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    EXPECT_EQ(::flock(held, LOCK_EX), 0);
    return held;
}

std::size_t snapshotCount(const CommandRunner& runner) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(runner.groupContainer())) {
        if (entry.path().extension() == ".prj") ++count;
    }
    return count;
}

// Many shells adding at once, one file among them ten times, and the library's notices kept off standard
// output.
TEST_F(TodayCommand, ConcurrentAddsAllStayListedAndNoticesGoToStandardError) {
    constexpr int plans = 20;
    std::vector<std::vector<std::string>> adds;
    for (int i = 0; i < plans; ++i) {
        adds.push_back(
            {"add", write("plan" + std::to_string(i) + ".json", alwaysOn("Plan " + std::to_string(i), "Work"))});
    }
    const std::string same = write("same.json", alwaysOn("Same", "Work"));
    for (int i = 0; i < 10; ++i) adds.push_back({"add", same});
    // Held for a moment, so that each add of the same file finds it unlisted before it waits to list it.
    const int held = holdListLock(runner);
    std::thread release([held] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        ::close(held);
    });
    int added = 0;
    for (const CommandResult& result : runner.runTogether(adds)) {
        if (result.exitCode == 0) ++added;
        else EXPECT_THAT(result.err, HasSubstr(same + " is already listed as "));
    }
    release.join();
    EXPECT_EQ(added, plans + 1);

    std::set<std::string> names;
    const json listed = json::parse(today({"list", "--json"}).out);
    for (const json& plan : listed["plans"]) {
        names.insert(plan["name"].get<std::string>());
        EXPECT_TRUE(fileExists(runner.groupContainer() + "/" + plan["id"].get<std::string>() + ".prj"));
    }
    EXPECT_EQ(listed["plans"].size(), std::size_t{plans + 1});
    EXPECT_EQ(names.size(), std::size_t{plans + 1});
    EXPECT_EQ(snapshotCount(runner), std::size_t{plans + 1}) << "a refused add leaves no snapshot";

    // A plan moved within its folder: its bookmark is stale, which the library reports. Standard output
    // still holds exactly one JSON document.
    std::filesystem::rename(runner.dir().file("plan0.json"), runner.dir().file("plan0-moved.json"));
    const CommandResult shown = today({"show", "--json"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_THAT(shown.err, HasSubstr("\"Bookmark is stale.\"\n"));
    EXPECT_TRUE(json::accept(shown.out)) << shown.out;
}

// What a person meets when files were damaged or restored: a damaged list is kept aside and said, a plan
// restored from an older backup or a lost snapshot is read again, an update that could not be saved
// fails.
TEST_F(TodayCommand, DamagedListsRestoredPlansAndLostSnapshotsAreHandledAndSaid) {
    const std::string list = runner.groupContainer() + "/projects.json";
    const std::string damaged = R"([{"id": "A", "sourceOrvFilePath": "/plans/a.json"},])";
    // A list that cannot be read (a directory or a loop of links in its place, damaged text) is an error
    // in every output, never an empty list; the bar shows it as an error and still exits 0.
    std::filesystem::create_directories(runner.groupContainer());
    for (const std::string damage : {"directory", "link loop", "damaged text"}) {
        std::filesystem::remove_all(list);
        if (damage == "directory") std::filesystem::create_directories(list + "/inside");
        if (damage == "link loop") std::filesystem::create_symlink("projects.json", list);
        if (damage == "damaged text") std::ofstream(list) << damaged;
        for (const std::vector<std::string>& arguments : {std::vector<std::string>{"list"},
                                                          {"list", "--json"},
                                                          {"list", "--format", "tsv"},
                                                          {"show"},
                                                          {"show", "--json"},
                                                          {"show", "--format", "jsonl"},
                                                          {"agenda", "--json"},
                                                          {"next", "--json"}}) {
            const CommandResult result = today(arguments);
            const std::string what = arguments.front() + " " + arguments.back() + " (" + damage + ")";
            EXPECT_EQ(result.exitCode, 1) << what;
            EXPECT_THAT(result.err, HasSubstr("could not be read")) << what;
            EXPECT_THAT(result.out, Not(HasSubstr("No plans are listed"))) << what;
            if (arguments.back() == "--json") {
                EXPECT_EQ(json::parse(result.out)["errors"][0]["file"], list) << what;
            }
        }
        const CommandResult bar = today({"bar", "--format", "waybar"});
        EXPECT_EQ(bar.exitCode, 0);
        EXPECT_THAT(bar.out, HasSubstr(R"("text":"Cannot read the plans","alt":"error")"));
        EXPECT_THAT(today({"bar", "--format", "polybar"}).out, HasSubstr("#BF616A"));
    }
    const std::string path = write("office.json", officeMove("Office move", "Pack the archive"));
    const CommandResult added = today({"add", path});
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_THAT(added.err, HasSubstr("could not be read"));
    EXPECT_THAT(added.err, HasSubstr(runner.groupContainer() + "/projects.json.damaged-"));
    std::string copy;
    for (const auto& entry : std::filesystem::directory_iterator(runner.groupContainer())) {
        if (entry.path().filename().string().starts_with("projects.json.damaged-")) copy = readText(entry.path());
    }
    EXPECT_EQ(copy, damaged);
    const json listed = json::parse(today({"list", "--json"}).out)["plans"];
    ASSERT_EQ(listed.size(), 1u) << "the damaged list's profile is not read";
    const std::string id = listed[0]["id"];
    const std::string cache = runner.groupContainer() + "/" + id + ".prj";
    ASSERT_TRUE(fileExists(cache)) << id;

    write("office.json", officeMove("Office move", "Pack the old archive"), 2e9 - 86400);  // an older backup
    EXPECT_THAT(today({"show", "--at", at}).out, HasSubstr("Pack the old archive"));
    std::filesystem::remove(cache);
    EXPECT_THAT(today({"show", "--at", at}).out, HasSubstr("Pack the old archive"));
    EXPECT_TRUE(fileExists(cache)) << "the lost snapshot is written again";

    // The snapshot cannot be written (a directory stands in its place).
    std::filesystem::remove(cache);
    std::filesystem::create_directories(cache + "/blocked");
    write("office.json", officeMove("Office move", "Pack the new archive"), 2e9);
    const CommandResult updated = today({"update", path});
    EXPECT_EQ(updated.exitCode, 1);
    EXPECT_THAT(updated.err, HasSubstr("could not be updated"));
    EXPECT_THAT(updated.out, Not(HasSubstr("up to date")));

    // The list cannot be written (a directory stands in the place of its lock).
    std::filesystem::remove_all(cache);
    const std::string lock = runner.groupContainer() + "/projects.json.lock";
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);
    const CommandResult unsaved = today({"update", path});
    EXPECT_EQ(unsaved.exitCode, 1);
    EXPECT_THAT(unsaved.err, HasSubstr("could not be updated: cannot lock " + lock));
    EXPECT_EQ(unsaved.out, "");
}

TEST_F(TodayCommand, MalformedPlanFailsWithAClearMessageAndChangesNothing) {
    const std::string path = write("office.json", officeMove());
    const std::string id = add(path);
    const auto before = runner.containerFiles();

    const std::string broken = write("broken.json", "{\n  \"name\": \"Broken\",\n  \"rootTask\": {\"id\": 1,}\n}\n");
    const CommandResult added = today({"add", broken});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_EQ(added.out, "");
    EXPECT_THAT(added.err, HasSubstr("today: " + broken + ":3:24: not valid JSON"));
    EXPECT_THAT(added.err, HasSubstr("cannot add " + broken + ": the plan could not be read"));
    EXPECT_EQ(runner.containerFiles(), before);

    // The listed plan itself goes bad: neither update nor show changes anything, and both say so.
    write("office.json", "{\"name\": \"Office move\", \"rootTask\": {\"type\": \"phase\"}}", 2e9 + 60);
    const CommandResult updated = today({"update", path});
    EXPECT_EQ(updated.exitCode, 1);
    EXPECT_THAT(updated.err, HasSubstr(path + ":1:46: unknown task type \"phase\""));
    EXPECT_THAT(updated.err, HasSubstr("“Office move” was left as it was"));

    const CommandResult shown = today({"show", "--at", at});
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_THAT(shown.out, HasSubstr("Office move  2090-06-02 09:00 → 2090-06-27 17:00\n  id " + id +
                                     "\n  could not be loaded from " + path + "\n"));
    EXPECT_THAT(shown.err, HasSubstr("unknown task type"));
    const CommandResult json = today({"show", "--json", "--at", at});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_THAT(json.out, HasSubstr("\"loaded\":false,\"tasks\":null"));
    EXPECT_THAT(json.out, HasSubstr("\"errors\":[{\"plan\":\"" + id + "\",\"file\":\"" + path + "\",\"message\":\"" +
                                    path + ":1:46: unknown task type"));
    EXPECT_EQ(runner.containerFiles(), before);
}

TEST_F(TodayCommand, ProjectsAndGroupsAreChosenByOption) {
    add(write("office.json", officeMove()));
    const std::string second = add(write("always.json", alwaysOn("Always", "Forever")));

    const CommandResult one = today({"show", "--project", second, "--at", at});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_THAT(one.out, HasSubstr("Forever"));
    EXPECT_THAT(one.out, Not(HasSubstr("Office move")));
    const CommandResult unknown = today({"--project", "NOPE", "--at", at});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_THAT(unknown.err, HasSubstr("no plan has the id \"NOPE\""));

    EXPECT_THAT(today({"list", "--group", "group.example.other"}).out, HasSubstr("No plans are listed yet"));
    // Queries of a group never used make no container.
    for (const std::vector<std::string>& query : std::vector<std::vector<std::string>>{
             {"show"}, {"agenda"}, {"next"}, {"bar"}, {"open", "--launch", "current"}, {"remove", "A"}}) {
        std::vector<std::string> arguments = query;
        arguments.insert(arguments.end(), {"--group", "group.example.other"});
        EXPECT_NE(today(arguments).exitCode, 2) << query.front();
    }
    EXPECT_FALSE(fileExists(runner.containers() + "/group.example.other"));
    add(write("other.json", alwaysOn("Other", "Elsewhere")), {"--group", "group.example.other"});
    EXPECT_THAT(today({"--group", "group.example.other", "--at", at}).out, HasSubstr("Elsewhere"));
    EXPECT_THAT(today({"--at", at}).out, Not(HasSubstr("Elsewhere")));
}

// C0 and C1 controls (U+009B is a one-character CSI), DEL, the controls that reverse text and the line
// and paragraph separators, from a name, an id or a message quoting a plan, reach no output as they are.
bool holdsTerminalControl(const std::string& text) {
    for (const char* control : {"\x1b", "\x07", "\r", "\x7f", "\xC2\x9B", "\xC2\x85", "\xE2\x80\xAE", "\xE2\x81\xA6",
                                "\xE2\x80\x8F", "\xD8\x9C", "\xE2\x80\xA8", "\xE2\x80\xA9"}) {
        if (text.find(control) != std::string::npos) return true;
    }
    return false;
}

TEST_F(TodayCommand, ControlCharactersFromPlansNeverReachTheTerminal) {
    const std::string id =
        add(write("escape.json", alwaysOn("\\u001b]0;owned\\u0007Title\\u009b2J\\u0085",
                                          "Red \\u001b[31mtask\\r \\u202eevil\\u2066\\u200f\\u061c\\u007f"
                                          "\\u2028line\\u2029")));
    const CommandResult shown = today({"--at", at, "--by-plan"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_FALSE(holdsTerminalControl(shown.out)) << shown.out;
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--at", at, "--format", "tsv"}, {"bar", "--format", "waybar"}}) {
        EXPECT_FALSE(holdsTerminalControl(today(arguments).out)) << arguments.front();
    }
    EXPECT_THAT(shown.out, HasSubstr("\xEF\xBF\xBD]0;owned\xEF\xBF\xBDTitle\xEF\xBF\xBD"
                                     "2J\xEF\xBF\xBD"));
    EXPECT_THAT(shown.out, HasSubstr("Red \xEF\xBF\xBD[31mtask\xEF\xBF\xBD \xEF\xBF\xBD"
                                     "evil"));
    EXPECT_FALSE(holdsTerminalControl(today({"list"}).out));
    EXPECT_FALSE(holdsTerminalControl(today({"remove", "\x1b[2J" + id}).err));
    // JSON keeps the text exactly, with the controls as escapes.
    const std::string json = today({"--json", "--at", at}).out;
    EXPECT_FALSE(holdsTerminalControl(json)) << json;
    EXPECT_THAT(json,
                HasSubstr("\"Red \\u001b[31mtask\\r \\u202eevil\\u2066\\u200f\\u061c\\u007f\\u2028line\\u2029\""));

    // A plan's key or type quoted in a message is sanitised too.
    const std::string bad = write("bad.json", R"({"name": "x", "rootTask": {"type": "\u001b]0;owned\u0007\u009b"}})");
    const CommandResult refused = today({"add", bad});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("unknown task type \"\xEF\xBF\xBD]0;owned"));
    EXPECT_FALSE(holdsTerminalControl(refused.err)) << refused.err;
}

TEST_F(TodayCommand, ListsThePlans) {
    const std::string path = write("office.json", officeMove());
    const std::string id = add(path);
    EXPECT_EQ(today({"list"}).out, "Office move\n  id:       " + id + "\n  file:     " + path +
                                       "\n  dates:    2090-06-02 09:00 → 2090-06-27 17:00\n"
                                       "  modified: 2033-05-18 05:33\n");
    const json listed = json::parse(today({"list", "--json"}).out)["plans"][0];
    EXPECT_EQ(listed["lastUpdate"], "2033-05-18T05:33:20+02:00");
    EXPECT_EQ(listed["hasBookmark"], true);
}

TEST_F(TodayCommand, UpdateRebuildsAfterThePlanChanges) {
    const std::string path = write("office.json", officeMove());
    const std::string id = add(path);
    EXPECT_EQ(today({"update", path}).out, "“Office move” (" + id + ") is up to date\n");

    write("office.json", officeMove("Office move, revised", "Pack the last boxes"), 2e9 + 60);
    // While another process holds the list, readers show the new plan at once and leave storing it.
    const int held = holdListLock(runner);
    const CommandResult shown = today({"show", "--at", at});
    EXPECT_THAT(shown.out, HasSubstr("Pack the last boxes"));
    const CommandResult bar = today({"bar"});
    for (const CommandResult& read : {shown, bar}) EXPECT_TRUE(read.exitCode == 0 && read.err.empty()) << read.err;
    ::close(held);
    EXPECT_EQ(json::parse(today({"list", "--json"}).out)["plans"][0]["lastUpdate"], "2033-05-18T05:33:20+02:00");
    const CommandResult updated = today({"update", path});
    EXPECT_EQ(updated.exitCode, 0) << updated.err;
    EXPECT_EQ(updated.out, "Updated “Office move, revised” (" + id + "): 2090-06-02 09:00 → 2090-06-27 17:00\n");
    EXPECT_THAT(today({"show", "--at", at}).out, HasSubstr("Pack the last boxes"));
    EXPECT_THAT(today({"update", path}).out, HasSubstr("is up to date"));
}

TEST_F(TodayCommand, RemoveDeletesThePlan) {
    const std::string id = add(write("office.json", officeMove()));
    // Snapshots that no listed plan names go at `today list` and at the next change, once old enough
    // not to belong to an add in progress; a listed plan's snapshot and other files stay.
    const std::string container = runner.groupContainer() + "/";
    for (const char* name : {"orphan.prj", "young.prj", "notes.txt"}) std::ofstream(container + name) << "{}";
    for (const std::string& name : std::vector<std::string>{"orphan.prj", "notes.txt", id + ".prj"}) {
        setModificationTime(container + name, 1e9);
    }
    today({"list"});
    EXPECT_FALSE(fileExists(container + "orphan.prj"));
    for (const std::string& name : std::vector<std::string>{"young.prj", "notes.txt", id + ".prj"}) {
        EXPECT_TRUE(fileExists(container + name)) << name;
    }
    setModificationTime(container + "young.prj", 1e9);
    std::filesystem::remove(container + "notes.txt");
    const CommandResult removed = today({"remove", id});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(removed.out, "Removed “Office move” (" + id + ")\n");
    // The list's lock file stays, empty.
    const std::map<std::string, std::string> emptyContainer = {{runner.groupContainer(), "<directory>"},
                                                               {runner.groupContainer() + "/projects.json.lock", ""}};
    EXPECT_EQ(runner.containerFiles(), emptyContainer);
    EXPECT_EQ(today({}).out, "No plans are listed yet. Add one with: today add FILE\n");
    const CommandResult again = today({"remove", id});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_THAT(again.err, HasSubstr("no plan has the id \"" + id + "\""));
}

TEST_F(TodayCommand, DuplicateAddsAreRefusedAndPlansAreNamedByIdPrefixOrFile) {
    const std::string path = write("office.json", officeMove());
    const std::string first = add(path);
    const CommandResult again = today({"add", path});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_THAT(again.err, HasSubstr("is already listed as " + first));
    const std::string second = add(path, {"--again"});
    ASSERT_NE(second, first);

    // Two ids that start alike make a prefix ambiguous; the file names the first plan listed with it.
    std::size_t common = 0;
    while (first[common] == second[common]) ++common;
    if (common > 0) {
        EXPECT_EQ(today({"remove", first.substr(0, common)}).exitCode, 2);
    }
    EXPECT_THAT(today({"remove", second.substr(0, common + 1)}).out, HasSubstr(second));
    EXPECT_THAT(today({"remove", path}).out, HasSubstr(first));
    EXPECT_EQ(today({"remove", first}).exitCode, 1);
}

TEST_F(TodayCommand, PrintsAndReadsWidgetLinks) {
    EXPECT_EQ(today({"link", "project", "ABC-1"}).out, "OrvaneProject://ABC-1\n");
    EXPECT_EQ(today({"link", "guide"}).out, "OrvaneProject://today-setting-guide\n");
    EXPECT_EQ(today({"open", "OrvaneProject://ABC-1"}).out, "project ABC-1\n");
    EXPECT_EQ(today({"open", "OrvaneProject://today-setting"}).out, "legacy Today setting\n");
    for (const std::string text : {"OrvaneProject:ABC-1", "no link"}) {
        const CommandResult none = today({"open", text});
        EXPECT_EQ(none.exitCode, 1) << text;
        EXPECT_EQ(none.err, "today: " + text + " is not a widget link\n");
    }
    // A user, a port, a path, a query or a fragment: the host alone would open a plan it only mentions.
    for (const std::string text :
         {"OrvaneProject://user@ABC-1", "OrvaneProject://ABC-1:99", "orvaneproject://ABC-1/p",
          "OrvaneProject://ABC-1?q", "OrvaneProject://ABC-1#f", "OrvaneProject://today-setting-guide/p?q"}) {
        const CommandResult extra = today({"open", "--launch", text});
        EXPECT_EQ(extra.exitCode, 2) << text;
        EXPECT_THAT(extra.err, HasSubstr(text + " is not a widget link: it holds more than")) << text;
    }
}

TEST_F(TodayCommand, HelpFitsEightyColumnsAndNamesFilesEnvironmentAndExitStatus) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--help"},
                                                      {"show", "--help"},
                                                      {"list", "--help"},
                                                      {"add", "--help"},
                                                      {"update", "--help"},
                                                      {"remove", "--help"},
                                                      {"demo", "--help"},
                                                      {"agenda", "--help"},
                                                      {"next", "--help"},
                                                      {"bar", "--help"},
                                                      {"link", "--help"},
                                                      {"link", "project", "--help"},
                                                      {"open", "--help"},
                                                      {"integrate", "--help"},
                                                      {"help", "add"}}) {
        const CommandResult help = today(arguments);
        EXPECT_EQ(help.exitCode, 0) << arguments.front() << help.err;
        EXPECT_THAT(help.out, HasSubstr("Usage:")) << arguments.front();
        EXPECT_THAT(help.out, HasSubstr("Exit status: 0")) << arguments.front();
        std::istringstream lines(help.out);
        for (std::string line; std::getline(lines, line);) EXPECT_LE(cli::displayWidth(line), 80u) << line;
        if (arguments.front() != "link" && arguments.front() != "open" && arguments.front() != "integrate") {
            EXPECT_THAT(help.out, HasSubstr("projects.json")) << arguments.front();
            EXPECT_THAT(help.out, HasSubstr("TODAY_GROUP_CONTAINERS")) << arguments.front();
        }
    }
    EXPECT_EQ(today({"help", "add"}).out, today({"add", "--help"}).out);
    EXPECT_EQ(today({"help", "link", "project"}).out, today({"link", "project", "--help"}).out);
    EXPECT_THAT(today({"-V"}).out, ::testing::MatchesRegex("[0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

// Usage errors exit 2, say why on standard error and touch no file.
TEST_F(TodayCommand, RefusedArgumentsAreUsageErrors) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"bogus"}, ""},
        {{"--frobnicate"}, ""},
        {{"\x1b]0;owned\x07\xE2\x80\xA8"}, "\xEF\xBF\xBD]0;owned\xEF\xBF\xBD\xEF\xBF\xBD"},
        {{"add", "a", "b"}, ""},
        {{"remove"}, ""},
        {{"help", "nothing"}, ""},
        {{"show", "--at", "someday"}, "\"someday\" is not a day or time; use today, tomorrow, yesterday, a weekday"},
        {{"tomorrow", "--at", "now"}, "give either a DAY or --at"},
        {{"fri", "list"}, "DAY does nothing for `today list`"},
        {{"show", "--json=maybe"}, ""},
        {{"--at", "x", "list"}, "--at does nothing for `today list`"},
        {{"--project", "A", "add", "f"}, "--project does nothing for `today add`"},
        {{"list", "--pretty"}, "--pretty does nothing without --format json"},
        {{"show", "--json", "--format", "tsv"}, "two different formats"},
        {{"show", "--color", "sometimes"}, "--color"},
        {{"show", "--no-color", "--color", "always"}, "contradict"},
        {{"list", "--group", ".."}, "\"..\" is not an application group id"},
        {{"list", "--group", "a/b"}, "\"a/b\" is not an application group id"},
        {{"list", "--group", ""}, "\"\" is not an application group id"},
        {{"agenda", "--days", "0"}, ""},
        {{"bar", "--max-width", "99999999999999999999"}, "--max-width"},
        {{"bar", "--interval", "nan"}, "--interval"},
        {{"bar", "--interval", "-NaN"}, "--interval"},
        {{"agenda", "--from", "2090-06-12"}, ""},
        {{"agenda", "--days", "3", "--from", "2090-06-12", "--to", "2090-06-13"}, ""},
        {{"agenda", "2090-06-12", "--from", "2090-06-12", "--to", "2090-06-13"}, ""},
        {{"agenda", "--from", "2090-06-13", "--to", "2090-06-12"}, ""},
        {{"agenda", "someday"}, ""},
        {{"--at", "now", "agenda"}, ""},
        {{"link", "elsewhere"}, ""},
        {{"link", "project", "a b"}, "\"a b\" cannot be the host"},
        {{"link", "project", ""}, "OrvaneProject:// opens nothing"},
        {{"link", "project", "today-setting"}, "OrvaneProject://today-setting opens the legacy Today setting"},
        {{"link", "project", "today-setting-guide"}, "opens the widget setting guide"},
    };
    for (const auto& [arguments, message] : refused) {
        const CommandResult result = today(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.front() << " " << message;
        EXPECT_THAT(result.err, HasSubstr(message));
        EXPECT_NE(result.err, "") << arguments.front();
        EXPECT_EQ(result.out, "") << arguments.front();
    }
    EXPECT_TRUE(runner.containerFiles().empty());

    // A root that cannot hold containers is named in the message.
    const std::string blocked = write("blocked", "a file, not a directory");
    const CommandResult nowhere = today({"list"}, {{"TODAY_GROUP_CONTAINERS", blocked}});
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_THAT(nowhere.err, HasSubstr("has no shared container: " + blocked + " is not a directory"));
    // A relative root would be another directory in every working directory.
    const CommandResult relative = today({"list"}, {{"TODAY_GROUP_CONTAINERS", "relative-containers"}});
    EXPECT_EQ(relative.exitCode, 1);
    EXPECT_EQ(relative.err, "today: TODAY_GROUP_CONTAINERS must be an absolute path, not \"relative-containers\"\n");
    EXPECT_FALSE(fileExists("relative-containers"));
}

// What cannot be added is refused with its real cause and adds nothing: missing files, directories,
// named pipes and devices (refused, not waited for), files larger than a plan may be (not read into
// memory), file URLs of other machines or with an escaped "/", and content that is no plan.
TEST_F(TodayCommand, FilesThatCannotBeAddedAreRefusedWithTheirCause) {
    const std::string fifo = runner.dir().file("pipe.json");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(runner.dir().file("folder.json").c_str(), 0700), 0);
    const std::string huge = write("huge.json", "");
    ASSERT_EQ(truncate(huge.c_str(), off_t{1} << 40), 0);  // sparse: 1 TB that takes no room
    const std::string path = write("plans/office.json", officeMove());
    const std::string directory = runner.dir().path();
    const std::vector<std::pair<std::string, std::string>> refused = {
        {directory + "/missing.json", "today: cannot add " + directory + "/missing.json: no such file\n"},
        {directory + "/folder.json", "is a directory, not a file"},
        {directory + "/plans/", ": Not a regular file\n"},
        {fifo, fifo + ": is a named pipe (FIFO), not a file"},
        {"/dev/zero", "/dev/zero: is a device or socket, not a file"},
        {huge, huge + ": is larger than 1 GiB, the most such a file may have"},
        {"file://otherhost" + path, "not on this machine"},
        {"file://" + directory + "/plans%2Foffice.json", "names no file"},
        {"file://" + directory + "/plans%2foffice.json", "names no file"},
        {write(std::string("bad\xFF") + "dir/p.json", officeMove()), "dir/p.json: its path is not valid UTF-8"},
    };
    for (const auto& [file, reason] : refused) {
        const CommandResult added = today({"add", file});
        EXPECT_EQ(added.exitCode, 1) << file;
        EXPECT_THAT(added.err, HasSubstr(reason));
    }
    const std::vector<std::pair<std::string, std::string>> contents = {
        {"", "is empty; a plan is a JSON plan (starting with \"{\") or Microsoft Project XML"},
        {" \n", "is empty (white space only)"},
        {"{} x", "bad.json:1:4: unexpected text after the plan"},
        {std::string("\xFF\xFE{\0}\0", 6), "is UTF-16 text; a JSON plan must be UTF-8"},
        {"Name,Start\n", "starts with neither \"{\" nor \"<\""},
    };
    for (const auto& [text, reason] : contents) {
        const CommandResult added = today({"add", write("bad.json", text)});
        EXPECT_EQ(added.exitCode, 1) << reason;
        EXPECT_THAT(added.err, HasSubstr(reason));
    }
    EXPECT_EQ(runner.containerFiles().size(), 1u) << "the empty group container only";
    EXPECT_THAT(today({"update", directory + "/missing.json"}).err, HasSubstr("is not in the list"));
    EXPECT_EQ(today({"add", "file://LocalHost" + path}).exitCode, 0);
}

// Output that cannot be written fails the command, but for the bar, which always exits 0 (a bar hides a
// failing module) and, watching, ends at once.
TEST_F(TodayCommand, OutputThatCannotBeWrittenIsAFailureButForTheBar) {
    add(write("office.json", officeMove()));
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"show", "--at", at},
                                                      {"show", "--json", "--at", at},
                                                      {"list"},
                                                      {"list", "--json"},
                                                      {"link", "guide"}}) {
        for (const std::string output : {"/dev/full", ""}) {  // a full disk; a closed standard output
            const CommandResult result = runner.runWithOutput(arguments, output);
            EXPECT_EQ(result.exitCode, 1) << arguments.front() << " > " << output;
            EXPECT_THAT(result.err, HasSubstr("today: cannot write the output")) << arguments.front();
        }
    }
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"bar"}, {"bar", "--watch"}}) {
        for (const std::string output : {"/dev/full", ""}) {
            EXPECT_EQ(runner.runWithOutput(arguments, output).exitCode, 0) << arguments.back() << " > " << output;
        }
    }
}

// Years outside 0000...9999 carry a sign, dates before the zone's standard time show its local mean
// time, and a date too far away to print is refused where a plan gives it.
TEST_F(TodayCommand, DatesFarFromTodayAreShownAsIso8601) {
    const std::string path = write("ancient.json", R"({"name": "Ancient", "rootTask": {"id": 0,
        "start": -63177062400, "finish": -4765132800, "children": [
        {"id": 1, "name": "Long", "start": "0100-03-01T12:00:00Z", "finish": 3.2e13}]}})");
    add(path);
    EXPECT_THAT(today({"list"}).out, HasSubstr("  dates:    -0001-01-01 00:53 → 1850-01-01 00:53\n"));
    const std::string listed = today({"list", "--json"}).out;
    EXPECT_THAT(listed, HasSubstr("\"start\":\"-0001-01-01T00:53:28+00:53:28\""));
    EXPECT_THAT(listed, HasSubstr("\"finish\":\"1850-01-01T00:53:28+00:53:28\""));
    const std::string shown = today({"show", "--json", "--at", at}).out;
    EXPECT_THAT(shown, HasSubstr("\"start\":\"0100-03-01T12:53:28+00:53:28\""));
    EXPECT_THAT(shown, HasSubstr("\"finish\":\"+1016040-08-19T10:53:20+02:00\""));

    const CommandResult far = today({"add", write("far.json", R"({"rootTask": {"id": 0, "finish": -1e19}})")});
    EXPECT_EQ(far.exitCode, 1);
    EXPECT_THAT(far.err, HasSubstr("far.json:1:34: \"finish\" lies too far from 2001"));
}

TEST_F(TodayCommand, DemoShowsTodaysSampleTasks) {
    const CommandResult demo = today({"demo"});
    EXPECT_EQ(demo.exitCode, 0) << demo.err;
    EXPECT_THAT(demo.out, HasSubstr("◆ Slab inspected"));
    EXPECT_THAT(demo.out, Not(HasSubstr("Move in")));
    EXPECT_THAT(demo.out, HasSubstr("#10 Build"));
    EXPECT_THAT(demo.out, Not(HasSubstr("\x1b[")));
    EXPECT_TRUE(runner.containerFiles().empty());  // the demo has a container of its own
    EXPECT_THAT(today({"demo", "--group", "group.example.demo"}).out, HasSubstr(" list --group group.example.demo\n"));
    // Under a relative TMPDIR the demo's containers still have an absolute root.
    const std::string relative = std::filesystem::relative(runner.dir().path()).string();
    EXPECT_EQ(today({"demo"}, {{"TMPDIR", relative}}).exitCode, 0);
}

}  // namespace
}  // namespace today::testing
