// The command on a desktop, end to end: `today open --launch` hands the plan's file to the opener in
// $TODAY_OPEN_COMMAND (a script that records its argument), and `today integrate` registers the link
// handler with a stand-in xdg-mime, again and again, and removes it with `--undo`.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "CommandRunner.hpp"

namespace today::testing {
namespace {

using ::testing::HasSubstr;

// A plan with one task from an hour ago to an hour from now (dates in seconds since 2001).
std::string planOnNow(const std::string& name) {
    const auto unix =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    const auto now = unix - 978307200;
    return R"({"name": ")" + name + R"(", "rootTask": {"id": 1, "name": ")" + name + R"(", "children": [
        {"id": 2, "name": "Now", "start": )" +
           std::to_string(now - 3600) + R"(, "finish": )" + std::to_string(now + 3600) + "}]}}";
}

std::string executable(const TempDir& dir, const std::string& name, const std::string& script) {
    const std::string path = dir.write(name, "#!/bin/sh\n" + script);
    ::chmod(path.c_str(), 0755);
    return path;
}

// The content of a file that a launched program writes, once it is there (the command does not wait
// for the program it launches).
std::string awaitFile(const std::string& path) {
    for (int i = 0; i < 200 && !fileExists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return readText(path);
}

TEST(DesktopCommand, LaunchOpensTheLinkedPlanWithTheOpener) {
    const CommandRunner runner;
    const std::string plan = runner.dir().write("office.json", planOnNow("Office"));
    ASSERT_EQ(runner.run({"add", plan}).exitCode, 0);
    const std::string rows = runner.run({"list", "--format", "tsv"}).out;
    const std::string id = rows.substr(rows.find('\n') + 1, 36);
    const std::string opened = runner.dir().file("opened");
    const std::map<std::string, std::string> environment = {
        {"TODAY_OPEN_COMMAND", executable(runner.dir(), "opener",
                                          "printf '%s|' \"$@\" > " + opened +
                                              ".new\n"
                                              "mv " +
                                              opened + ".new " + opened + "\n")}};

    std::string lowerId = id;
    for (char& c : lowerId) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // The scheme and the id in any letter case, as desktops hand links on; and the plan that is on now.
    for (const std::string& link :
         {"OrvaneProject://" + id, "orvaneproject://" + id, "ORVANEPROJECT://" + lowerId, std::string("current")}) {
        std::remove(opened.c_str());
        const CommandResult result = runner.run({"open", "--launch", link}, environment);
        EXPECT_EQ(result.exitCode, 0) << link << result.err;
        EXPECT_EQ(awaitFile(opened), plan + "|") << link;
    }
    EXPECT_EQ(runner.run({"open", "orvaneproject://" + id}).out, "project " + id + "\n");

    const CommandResult unknown = runner.run({"open", "--launch", "orvaneproject://NO-SUCH-PLAN"}, environment);
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.err, "today: no plan has the id \"NO-SUCH-PLAN\" (see `today list`)\n");
    const CommandResult noOpener = runner.run({"open", "--launch", "current"}, {{"TODAY_OPEN_COMMAND", "/no/opener"}});
    EXPECT_EQ(noOpener.exitCode, 1);
    EXPECT_THAT(noOpener.err, HasSubstr("cannot run /no/opener"));

    std::remove(opened.c_str());
    const CommandResult guide = runner.run({"open", "--launch", "orvaneproject://today-setting-guide"}, environment);
    EXPECT_EQ(guide.exitCode, 0);
    EXPECT_THAT(guide.out, HasSubstr("\"exec\": \"today bar --watch --format waybar\""));
    EXPECT_THAT(guide.out, HasSubstr("click-left = today open --launch current"));
    EXPECT_FALSE(fileExists(opened));
}

TEST(DesktopCommand, IntegrateRegistersTheHandlerOnceAndUndoRemovesIt) {
    const CommandRunner runner;
    const TempDir& dir = runner.dir();
    // The stand-in xdg-mime records its arguments and keeps the default as the real one does.
    executable(dir, "bin/xdg-mime",
               "echo \"$*\" >> " + dir.file("xdg-mime.log") + "\n" + "list=\"$XDG_CONFIG_HOME/mimeapps.list\"\n" +
                   "[ -e \"$list\" ] || echo '[Default Applications]' > \"$list\"\n" +
                   "grep -q \"^$3=\" \"$list\" || echo \"$3=$2\" >> \"$list\"\n");
    // A data directory whose name holds an OSC sequence and a line separator, printed only sanitised.
    const std::string data = "data\x1b]0;owned\x07\xE2\x80\xA8";
    const std::map<std::string, std::string> environment = {{"PATH", dir.file("bin") + ":/usr/bin:/bin"},
                                                            {"XDG_DATA_HOME", dir.file(data)},
                                                            {"XDG_CONFIG_HOME", dir.file("config")}};
    // The user's mimeapps.list is a link into their dotfiles, readable by the group only.
    const std::string mimeapps = dir.write("dotfiles/mimeapps.list", "[Default Applications]\n");
    ::chmod(mimeapps.c_str(), 0640);
    ::mkdir(dir.file("config").c_str(), 0755);
    ::symlink(mimeapps.c_str(), dir.file("config/mimeapps.list").c_str());
    const std::string entry = dir.file(data + "/applications/com.orvane.project.today.desktop");
    const auto sanitised = [](const std::string& out) {
        return out.find('\x1b') == std::string::npos && out.find("\xE2\x80\xA8") == std::string::npos;
    };

    for (int run = 0; run < 2; ++run) {
        const CommandResult integrated = runner.run({"integrate"}, environment);
        EXPECT_EQ(integrated.exitCode, 0) << integrated.err;
        EXPECT_THAT(integrated.out, HasSubstr("/applications/com.orvane.project.today.desktop)\n"));
        EXPECT_TRUE(sanitised(integrated.out)) << integrated.out;
    }
    // The installed entry with the absolute path of this command.
    std::string expected = readText(std::string(TODAY_SHARE_DIR) + "/com.orvane.project.today.desktop");
    expected.replace(expected.find("Exec=today"), 10, std::string("Exec=") + TODAY_COMMAND);
    EXPECT_EQ(readText(entry), expected);
    // Under the scheme in lower case and as the links write it, which xdg-open looks up on some desktops.
    const std::string defaults =
        "default com.orvane.project.today.desktop x-scheme-handler/orvaneproject\n"
        "default com.orvane.project.today.desktop x-scheme-handler/OrvaneProject\n";
    EXPECT_EQ(readText(dir.file("xdg-mime.log")), defaults + defaults);

    // Other handlers, of this type or another, stay.
    dir.write("config/mimeapps.list",
              readText(mimeapps) + "x-scheme-handler/mailto=mail.desktop\n" +
                  "x-scheme-handler/ORVANEPROJECT=com.orvane.project.today.desktop;other.desktop;\n");
    for (const std::string said : {"Removed", "Nothing to undo"}) {
        const CommandResult undone = runner.run({"integrate", "--undo"}, environment);
        EXPECT_EQ(undone.exitCode, 0) << undone.err;
        EXPECT_THAT(undone.out, HasSubstr(said));
        EXPECT_TRUE(sanitised(undone.out)) << undone.out;
        EXPECT_FALSE(fileExists(entry));
        EXPECT_EQ(
            readText(mimeapps),
            "[Default "
            "Applications]\nx-scheme-handler/mailto=mail.desktop\nx-scheme-handler/ORVANEPROJECT=other.desktop;\n");
    }
    struct stat link {};
    struct stat list {};
    EXPECT_TRUE(::lstat(dir.file("config/mimeapps.list").c_str(), &link) == 0 && S_ISLNK(link.st_mode));
    EXPECT_TRUE(::stat(mimeapps.c_str(), &list) == 0 && (list.st_mode & 07777) == 0640) << std::oct << list.st_mode;
}

}  // namespace
}  // namespace today::testing
