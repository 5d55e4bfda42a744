// The `today` command end to end: the built binary run in a temporary group container with a fixed time
// zone and fixed dates. The snapshot of a plan keeps only the tasks that finish after the start of the
// real current day, so the plans of these tests lie in the future (2090).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <simdjson.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "CommandRunner.hpp"

namespace today::testing {
namespace {

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
      {"id": 1, "name": "Plan the layout", "start": "2090-06-02T09:00:00+02:00",
       "finish": "2090-06-06T17:00:00+02:00", "completedPercent": 100, "colorIndex": 0},
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

class TodayCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fileExists(TODAY_COMMAND)) GTEST_SKIP() << "the command is not built: " << TODAY_COMMAND;
    }

    CommandResult today(const std::vector<std::string>& arguments,
                        const std::map<std::string, std::string>& environment = {}) const {
        return _runner.run(arguments, environment);
    }

    std::string write(const std::string& name, const std::string& text, double modified = 2e9) const {
        const std::string path = _runner.dir().write(name, text);
        setModificationTime(path, modified);
        return path;
    }

    // Adds the plan and returns its id, read from what `add` printed.
    std::string add(const std::string& path, const std::vector<std::string>& more = {}) const {
        std::vector<std::string> arguments = {"add", path};
        arguments.insert(arguments.end(), more.begin(), more.end());
        const CommandResult added = today(arguments);
        EXPECT_EQ(added.exitCode, 0) << added.err;
        const auto from = added.out.find(" as ");
        const auto to = added.out.find(" from ");
        EXPECT_NE(to, std::string::npos) << added.out;
        return from < to && to != std::string::npos ? added.out.substr(from + 4, to - from - 4) : "";
    }

    CommandRunner _runner;
};

TEST_F(TodayCommand, ShowsTheTasksOnADateForAPerson) {
    const std::string id = add(write("office.json", officeMove()));
    const std::map<std::string, std::string> wide = {{"COLUMNS", "200"}};
    const CommandResult shown = today({"show", "--at", at}, wide);
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.err, "");
    EXPECT_EQ(shown.out,
              "Tasks on Sat 2090-06-10 14:00\n"
              "\n"
              "Office move  2090-06-02 09:00 → 2090-06-27 17:00  id " +
                  id +
                  "\n"
                  "    Pack the archive     2090-06-09 09:00 → 2090-06-13 17:00  ████░░░░░░  40%  ■ 5  #10 Move\n"
                  "  ◆ Keys handed over     2090-06-10 12:00 → 2090-06-11 12:00  ░░░░░░░░░░   0%  ■ 2  #10 Move\n"
                  "    Order the furniture  2090-06-05 09:00 → 2090-06-12 17:00  ░░░░░░░░░░   0%  ■ 1\n");

    // Without a subcommand it shows; the same instant given in UTC gives the same answer.
    EXPECT_EQ(today({"--at", "2090-06-10T12:00:00Z"}, wide).out, shown.out);
    // A week later nothing is on.
    EXPECT_THAT(today({"--at", "2090-06-20"}).out, HasSubstr("  Nothing on this date.\n"));
}

// Many shells adding at once, and the library's notices kept off standard output.
TEST_F(TodayCommand, ConcurrentAddsAllStayListedAndNoticesGoToStandardError) {
    constexpr int plans = 20;
    std::vector<std::vector<std::string>> adds;
    for (int i = 0; i < plans; ++i) {
        adds.push_back(
            {"add", write("plan" + std::to_string(i) + ".json", alwaysOn("Plan " + std::to_string(i), "Work"))});
    }
    for (const CommandResult& added : _runner.runTogether(adds)) EXPECT_EQ(added.exitCode, 0) << added.err;

    simdjson::dom::parser parser;
    const CommandResult listed = today({"list", "--json"});
    const simdjson::dom::array profiles = parser.parse(simdjson::padded_string(listed.out))["plans"];
    std::set<std::string> names;
    for (const simdjson::dom::element profile : profiles) {
        names.insert(std::string(std::string_view(profile["name"])));
        EXPECT_TRUE(fileExists(_runner.groupContainer() + "/" + std::string(std::string_view(profile["id"])) + ".prj"));
    }
    EXPECT_EQ(names.size(), std::size_t{plans});

    // A plan moved within its folder: its bookmark is stale, which the library reports. Standard output
    // still holds exactly one JSON document.
    std::filesystem::rename(_runner.dir().file("plan0.json"), _runner.dir().file("plan0-moved.json"));
    const CommandResult shown = today({"show", "--json"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_THAT(shown.err, HasSubstr("\"Bookmark is stale.\"\n"));
    simdjson::dom::parser showParser;
    simdjson::dom::element document;
    EXPECT_EQ(showParser.parse(simdjson::padded_string(shown.out)).get(document), simdjson::SUCCESS) << shown.out;
}

// What a person meets when files were damaged or restored: a damaged list is kept aside and said, a plan
// restored from an older backup or a lost snapshot is read again, an update that could not be saved
// fails.
TEST_F(TodayCommand, DamagedListsRestoredPlansAndLostSnapshotsAreHandledAndSaid) {
    std::filesystem::create_directories(_runner.groupContainer());
    const std::string damaged = R"([{"id": "A", "sourceOrvFilePath": "/plans/a.json"},])";
    std::ofstream(_runner.groupContainer() + "/projects.json") << damaged;
    const std::string path = write("office.json", officeMove("Office move", "Pack the archive"));
    const CommandResult added = today({"add", path});
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_THAT(added.err, HasSubstr("could not be read"));
    EXPECT_THAT(added.err, HasSubstr(_runner.groupContainer() + "/projects.json.damaged-"));
    std::string copy;
    for (const auto& entry : std::filesystem::directory_iterator(_runner.groupContainer())) {
        if (entry.path().filename().string().starts_with("projects.json.damaged-")) copy = readText(entry.path());
    }
    EXPECT_EQ(copy, damaged);
    simdjson::dom::parser parser;
    const simdjson::dom::array listed = parser.parse(simdjson::padded_string(today({"list", "--json"}).out))["plans"];
    ASSERT_EQ(listed.size(), 1u) << "the damaged list's profile is not read";
    const std::string id(std::string_view(listed.at(0)["id"]));
    const std::string cache = _runner.groupContainer() + "/" + id + ".prj";
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
}

TEST_F(TodayCommand, ListsThePlans) {
    const std::string path = write("office.json", officeMove());
    const std::string id = add(path);
    const CommandResult listed = today({"list"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out,
              "Office move\n"
              "  id:       " +
                  id +
                  "\n"
                  "  file:     " +
                  path +
                  "\n"
                  "  dates:    2090-06-02 09:00 → 2090-06-27 17:00\n"
                  "  modified: 2033-05-18 05:33\n");

    const CommandResult json = today({"list", "--json"});
    simdjson::dom::parser parser;
    const simdjson::dom::array profiles = parser.parse(simdjson::padded_string(json.out))["plans"];
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(std::string_view(profiles.at(0)["id"]), id);
    EXPECT_EQ(std::string_view(profiles.at(0)["lastUpdate"]), "2033-05-18T05:33:20+02:00");
    EXPECT_EQ(bool(profiles.at(0)["hasBookmark"]), true);
}

TEST_F(TodayCommand, UpdateRebuildsAfterThePlanChanges) {
    const std::string path = write("office.json", officeMove());
    const std::string id = add(path);
    EXPECT_EQ(today({"update", path}).out, "“Office move” (" + id + ") is up to date\n");

    write("office.json", officeMove("Office move, revised", "Pack the last boxes"), 2e9 + 60);
    const CommandResult updated = today({"update", path});
    EXPECT_EQ(updated.exitCode, 0) << updated.err;
    EXPECT_EQ(updated.out, "Updated “Office move, revised” (" + id + "): 2090-06-02 09:00 → 2090-06-27 17:00\n");

    const CommandResult shown = today({"show", "--at", at});
    EXPECT_THAT(shown.out, HasSubstr("Office move, revised  2090-06-02"));
    EXPECT_THAT(shown.out, HasSubstr("Pack the last boxes"));
    EXPECT_THAT(today({"update", path}).out, HasSubstr("is up to date"));
}

TEST_F(TodayCommand, RemoveDeletesThePlan) {
    const std::string id = add(write("office.json", officeMove()));

    const CommandResult removed = today({"remove", id});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(removed.out, "Removed “Office move” (" + id + ")\n");
    // The list's lock file stays, empty.
    const std::map<std::string, std::string> emptyContainer = {{_runner.groupContainer(), "<directory>"},
                                                               {_runner.groupContainer() + "/projects.json.lock", ""}};
    EXPECT_EQ(_runner.containerFiles(), emptyContainer);
    EXPECT_EQ(today({}).out, "No plans are listed yet. Add one with: today add FILE\n");

    const CommandResult again = today({"remove", id});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_THAT(again.err, HasSubstr("no plan has the id \"" + id + "\""));
}

TEST_F(TodayCommand, PrintsAndReadsWidgetLinks) {
    EXPECT_EQ(today({"link", "project", "ABC-1"}).out, "OrvaneProject://ABC-1\n");
    EXPECT_EQ(today({"link", "guide"}).out, "OrvaneProject://today-setting-guide\n");

    // Ids whose link would not open that project again are usage errors, with what the link would do.
    const std::vector<std::pair<std::string, std::string>> refusedIds = {
        {"a b", "\"a b\" cannot be the host"},
        {"", "OrvaneProject:// opens nothing"},
        {"today-setting", "OrvaneProject://today-setting opens the legacy Today setting"},
        {"today-setting-guide", "opens the widget setting guide"}};
    for (const auto& [id, reason] : refusedIds) {
        const CommandResult refused = today({"link", "project", id});
        EXPECT_EQ(refused.exitCode, 2) << id;
        EXPECT_THAT(refused.err, HasSubstr(reason));
        EXPECT_EQ(refused.out, "") << id;
    }

    EXPECT_EQ(today({"open", "OrvaneProject://ABC-1"}).out, "project ABC-1\n");
    EXPECT_EQ(today({"open", "OrvaneProject://today-setting"}).out, "legacy Today setting\n");
    for (const std::string text : {"OrvaneProject:ABC-1", "no link"}) {
        const CommandResult none = today({"open", text});
        EXPECT_EQ(none.exitCode, 1) << text;
        EXPECT_EQ(none.err, "today: " + text + " is not a widget link\n");
    }
}

TEST_F(TodayCommand, BadArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {{"bogus"},
                                                         {"--frobnicate"},
                                                         {"add", "a", "b"},
                                                         {"remove"},
                                                         {"link", "elsewhere"},
                                                         {"list", "--at", "now"},
                                                         {"show", "--at", "someday"},
                                                         {"show", "--json=maybe"}};
    for (const auto& arguments : cases) {
        const CommandResult result = today(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.front() << " " << result.out << result.err;
        EXPECT_NE(result.err, "") << arguments.front();
        EXPECT_EQ(result.out, "") << arguments.front();
    }
    EXPECT_TRUE(_runner.containerFiles().empty());
}

TEST_F(TodayCommand, MissingFileFailsAndChangesNothing) {
    add(write("office.json", officeMove()));
    const auto before = _runner.containerFiles();

    const CommandResult added = today({"add", _runner.dir().file("missing.json")});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_EQ(added.err, "today: cannot add " + _runner.dir().file("missing.json") + ": no such file\n");
    const CommandResult updated = today({"update", _runner.dir().file("missing.json")});
    EXPECT_EQ(updated.exitCode, 1);
    EXPECT_THAT(updated.err, HasSubstr("is not in the list"));
    EXPECT_EQ(_runner.containerFiles(), before);
}

// A failure says its cause, as the system tells it.
TEST_F(TodayCommand, AFailedAddNamesItsCause) {
    const std::string directory = write("plan.json/inside", "");
    const CommandResult added = today({"add", directory.substr(0, directory.size() - 7)});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_THAT(added.err, HasSubstr(": Not a regular file\n"));
}

TEST_F(TodayCommand, MalformedPlanFailsWithAClearMessageAndChangesNothing) {
    const std::string path = write("office.json", officeMove());
    const std::string id = add(path);
    const auto before = _runner.containerFiles();

    const std::string broken = write("broken.json", "{\n  \"name\": \"Broken\",\n  \"rootTask\": {\"id\": 1,}\n}\n");
    const CommandResult added = today({"add", broken});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_EQ(added.out, "");
    EXPECT_THAT(added.err, HasSubstr("today: " + broken + ":3:24: not valid JSON"));
    EXPECT_THAT(added.err, HasSubstr("cannot add " + broken + ": the plan could not be read"));
    EXPECT_EQ(_runner.containerFiles(), before);

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
    EXPECT_EQ(_runner.containerFiles(), before);
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
    add(write("other.json", alwaysOn("Other", "Elsewhere")), {"--group", "group.example.other"});
    EXPECT_THAT(today({"--group", "group.example.other", "--at", at}).out, HasSubstr("Elsewhere"));
    EXPECT_THAT(today({"--at", at}).out, Not(HasSubstr("Elsewhere")));
    for (const std::string group : {"", ".", "..", "a/b"}) EXPECT_EQ(today({"list", "--group", group}).exitCode, 2);
}

// C0 and C1 controls (U+009B is a one-character CSI), DEL and the controls that reverse text, from a
// name, an id or a message quoting a plan, reach neither output stream as they are.
bool holdsTerminalControl(const std::string& text) {
    for (const char* control : {"\x1b", "\x07", "\r", "\x7f", "\xC2\x9B", "\xC2\x85", "\xE2\x80\xAE", "\xE2\x81\xA6",
                                "\xE2\x80\x8F", "\xD8\x9C"}) {
        if (text.find(control) != std::string::npos) return true;
    }
    return false;
}

TEST_F(TodayCommand, ControlCharactersFromPlansNeverReachTheTerminal) {
    const std::string id =
        add(write("escape.json", alwaysOn("\\u001b]0;owned\\u0007Title\\u009b2J\\u0085",
                                          "Red \\u001b[31mtask\\r \\u202eevil\\u2066\\u200f\\u061c\\u007f")));
    const CommandResult shown = today({"--at", at});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_FALSE(holdsTerminalControl(shown.out)) << shown.out;
    EXPECT_THAT(shown.out, HasSubstr("\xEF\xBF\xBD]0;owned\xEF\xBF\xBDTitle\xEF\xBF\xBD"
                                     "2J\xEF\xBF\xBD"));
    EXPECT_THAT(shown.out, HasSubstr("Red \xEF\xBF\xBD[31mtask\xEF\xBF\xBD \xEF\xBF\xBD"
                                     "evil"));
    EXPECT_FALSE(holdsTerminalControl(today({"list"}).out));
    EXPECT_FALSE(holdsTerminalControl(today({"remove", "\x1b[2J" + id}).err));
    // JSON keeps the text exactly, with the controls as escapes.
    const std::string json = today({"--json", "--at", at}).out;
    EXPECT_FALSE(holdsTerminalControl(json)) << json;
    EXPECT_THAT(json, HasSubstr("\"Red \\u001b[31mtask\\r \\u202eevil\\u2066\\u200f\\u061c\\u007f\""));

    // A plan's key or type quoted in a message is sanitised too.
    const std::string bad = write("bad.json", R"({"name": "x", "rootTask": {"type": "\u001b]0;owned\u0007\u009b"}})");
    const CommandResult refused = today({"add", bad});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("unknown task type \"\xEF\xBF\xBD]0;owned"));
    EXPECT_FALSE(holdsTerminalControl(refused.err)) << refused.err;
}

// Named pipes and devices are refused, not waited for; files larger than their kind may be are refused,
// not read into memory: as a plan to add, as a listed plan, as a snapshot and as the list.
TEST_F(TodayCommand, FilesThatAreNotPlainOrTooLargeAreRefusedWithAReason) {
    const std::string fifo = _runner.dir().file("pipe.json");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = write("huge.json", "");
    ASSERT_EQ(truncate(huge.c_str(), off_t{1} << 40), 0);  // sparse: 1 TB that takes no room
    const std::vector<std::pair<std::string, std::string>> refused = {
        {fifo, fifo + ": is a named pipe (FIFO), not a file"},
        {"/dev/zero", "/dev/zero: is a device or socket, not a file"},
        {huge, huge + ": is larger than 1 GiB, the most such a file may have"}};
    for (const auto& [file, reason] : refused) {
        const CommandResult added = today({"add", file});
        EXPECT_EQ(added.exitCode, 1) << file;
        EXPECT_THAT(added.err, HasSubstr(reason));
    }
    const std::map<std::string, std::string> emptyContainer = {{_runner.groupContainer(), "<directory>"}};
    EXPECT_EQ(_runner.containerFiles(), emptyContainer);

    // A listed plan replaced by a named pipe.
    const std::string path = write("office.json", officeMove());
    const std::string id = add(path);
    std::filesystem::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    setModificationTime(path, 2e9 + 60);
    const CommandResult shown = today({"show", "--at", at});
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_THAT(shown.out, HasSubstr("could not be loaded from " + path));
    EXPECT_THAT(shown.err, HasSubstr(path + ": is a named pipe (FIFO), not a file"));
    EXPECT_EQ(today({"update", path}).exitCode, 1);

    // A sparse snapshot and a sparse list: every command still ends with an answer.
    std::filesystem::remove(path);
    write("office.json", officeMove());
    setModificationTime(path, 2e9 + 60);
    ASSERT_EQ(truncate((_runner.groupContainer() + "/" + id + ".prj").c_str(), off_t{1} << 40), 0);
    EXPECT_EQ(today({"show", "--at", at}).exitCode, 0);
    ASSERT_EQ(truncate((_runner.groupContainer() + "/projects.json").c_str(), off_t{1} << 40), 0);
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"list"}, {"show"}, {"remove", id}}) {
        EXPECT_THAT(today(arguments).exitCode, AnyOf(Eq(0), Eq(1))) << arguments.front();
    }
}

TEST_F(TodayCommand, OutputThatCannotBeWrittenIsAFailure) {
    add(write("office.json", officeMove()));
    const std::vector<std::vector<std::string>> commands = {
        {"show", "--at", at}, {"show", "--json", "--at", at}, {"list"}, {"list", "--json"}, {"link", "guide"}};
    for (const auto& arguments : commands) {
        for (const std::string output : {"/dev/full", ""}) {  // a full disk; a closed standard output
            const CommandResult result = _runner.runWithOutput(arguments, output);
            EXPECT_EQ(result.exitCode, 1) << arguments.front() << " > " << output;
            EXPECT_THAT(result.err, HasSubstr("today: cannot write the output")) << arguments.front();
        }
    }
}

// A file URL names a file of this machine only without a host or with "localhost", and an escaped "/"
// is not a separator: such URLs are refused even where a file lies at the path they would decode to.
TEST_F(TodayCommand, FileUrlsNameLocalFilesOnly) {
    const std::string path = write("plans/office.json", officeMove());
    const std::string directory = _runner.dir().path();
    for (const std::string& url : {"file://otherhost" + path, "file://" + directory + "/plans%2Foffice.json",
                                   "file://" + directory + "/plans%2foffice.json"}) {
        const CommandResult added = today({"add", url});
        EXPECT_EQ(added.exitCode, 1) << url;
        EXPECT_THAT(added.err, AnyOf(HasSubstr("not on this machine"), HasSubstr("names no file"))) << url;
    }
    EXPECT_EQ(today({"list", "--json"}).out, "{\"version\":1,\"command\":\"list\",\"plans\":[]}\n");
    EXPECT_EQ(today({"add", "file://LocalHost" + path}).exitCode, 0);
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
    EXPECT_TRUE(_runner.containerFiles().empty());  // the demo has a container of its own
}

}  // namespace
}  // namespace today::testing
