// Every host operation of every public operation fails once: add, update, delete (of one of two
// profiles and of the last one), today's tasks with a rebuild, today's tasks with a stale bookmark, and
// creation. Each run is checked against the failure tables: the result, the printed lines, the
// in-memory list, and each file holding its old or its new content.
#include <gtest/gtest.h>

#include <algorithm>

#include "FaultEnumeration.hpp"

namespace today::reliability {
namespace {

constexpr double midnight = 1699920000.0;  // 2023-11-14T00:00:00Z
constexpr double oldDocumentTime = midnight - 3600;
constexpr double newDocumentTime = midnight + 3600;
const std::string cachedAnswer = "[11:a1, 12:a2, 14:m1]";  // the first version, from its cache file
const std::string rebuiltAnswer = "[21:b1, 22:b2]";        // the second version, freshly built

Date day(double days) { return Date::fromUnixTime(midnight + days * 86400); }

JsonProject firstVersion() {
    std::vector<JsonTask> tasks;
    tasks.push_back(leafTask(11, "a1", day(-1), day(2)));
    tasks.push_back(leafTask(12, "a2", day(-2), day(1)));
    tasks.push_back(leafTask(13, "a3", day(-5), day(-4)));  // finished before the snapshot day
    tasks.push_back(leafTask(14, "m1", std::nullopt, day(0.5), JsonTaskType::milestone));
    return projectOf("Alpha", std::move(tasks));
}

JsonProject secondVersion() {
    std::vector<JsonTask> tasks;
    tasks.push_back(leafTask(21, "b1", day(-1), day(3)));
    tasks.push_back(leafTask(22, "b2", day(0), day(1)));
    return projectOf("Alpha revised", std::move(tasks));
}

const TodayProjectProfile* findProfile(const std::vector<TodayProjectProfile>& profiles, const std::string& id) {
    const auto found = std::find_if(profiles.begin(), profiles.end(), [&](const auto& p) { return p.id() == id; });
    return found == profiles.end() ? nullptr : &*found;
}

bool isRefreshed(const TodayProjectProfile* profile) {
    return profile && profile->name == "Alpha revised" && profile->lastUpdate == Date::fromUnixTime(newDocumentTime);
}

std::vector<TodayProjectProfile> without(std::vector<TodayProjectProfile> profiles, const std::string& id) {
    const auto found = std::find_if(profiles.begin(), profiles.end(), [&](const auto& p) { return p.id() == id; });
    if (found != profiles.end()) profiles.erase(found);
    return profiles;
}

Outcome deleteTarget(World& world) { return Outcome{world.manager->deleteProject(world.targetId), {}, {}}; }
Outcome tasksOfTarget(World& world) { return Outcome{false, world.manager->tasks(*world.targetProfile, day(0)), {}}; }

class FaultEnumerationTest : public ::testing::Test {
protected:
    FaultEnumerationTest() { host.setNow(Date::fromUnixTime(midnight + 13 * 3600)); }

    // A world whose manager lists the given documents, each added with its first version.
    std::unique_ptr<World> worldListing(const std::vector<std::string>& names) {
        auto world = std::make_unique<World>(std::make_shared<PlanLibrary>());
        world->manager = world->makeManager();
        if (!world->manager) return nullptr;
        for (const auto& name : names) {
            const std::string path = world->addDocument(name, firstVersion(), oldDocumentTime);
            if (!world->manager->add(Url::fileUrl(path))) return nullptr;
        }
        const auto profiles = world->manager->projectProfiles();
        if (!profiles.empty()) {
            world->targetId = profiles.front().id();
            world->targetPath = profiles.front().sourceOrvFilePath;
            world->targetProfile = profiles.front();
        }
        host.takeLines();
        return world;
    }

    // The first listed document saved again as its second version: in place, or through a new file.
    std::unique_ptr<World> worldWithNewerDocument(bool replaced) {
        auto world = worldListing({"target.plan", "other.plan"});
        if (!world) return nullptr;
        const std::string content = "plan target.plan, second version";
        if (replaced) replaceFile(world->targetPath, content, newDocumentTime);
        else writeFileInPlace(world->targetPath, content, newDocumentTime);
        world->plans->put(world->targetPath, secondVersion());
        return world;
    }

    // Fails each host operation of `act` in turn, on a fresh world from `prepare`; `check` sees every run
    // and the contents a fault-free run writes anew.
    void enumerate(const char* name, std::function<std::unique_ptr<World>()> prepare,
                   std::function<Outcome(World&)> act,
                   const std::function<void(const FaultRun&, const std::set<std::string>&)>& check) {
        Scenario scenario{name, std::move(prepare), std::move(act), {}};
        const auto newContents = newContentsOfFaultFreeRun(host, scenario);
        scenario.check = [&](const FaultRun& run) { check(run, newContents); };
        EXPECT_GT(enumerateFaults(host, scenario).faultPoints, 0);
    }

    RecordingHost host;
    ScopedHost scoped{host};
};

// Checks a run of today's tasks after the document was saved again, with or without a new inode.
void checkTasksAfterNewerDocument(const FaultRun& run, const std::set<std::string>& newContents) {
    const std::string source = run.world.targetPath;
    std::vector<std::string> lines = run.lines;
    const bool stale = !lines.empty() && lines.front() == staleLine;
    if (stale) lines.erase(lines.begin());
    const auto* target = findProfile(run.profilesAfter, run.world.targetId);
    const auto* targetBefore = findProfile(run.profilesBefore, run.world.targetId);
    ASSERT_TRUE(target && targetBefore);
    const bool bookmarkRenewed = target->securityScopedBookmark != targetBefore->securityScopedBookmark;
    const std::string cacheName = run.world.targetId + ".prj";
    const auto listAfter = run.after("projects.json");
    const std::string answer = describeTasks(run.outcome.tasks);

    ASSERT_TRUE(run.outcome.tasks.has_value()) << "the loading hook always yields the document";
    EXPECT_TRUE(run.changed.empty());
    if (bookmarkRenewed) {
        EXPECT_TRUE(stale) << "only a stale bookmark is re-created";
    }

    if (answer == cachedAnswer || answer == "[]") {
        // Served from the cache file: the document was not reached, or its refresh failed.
        EXPECT_TRUE(run.unchanged(cacheName));
        EXPECT_FALSE(isRefreshed(target));
        if (answer == "[]") {
            EXPECT_TRUE(run.faultOn(HostOp::readFile, ".prj")) << "the cache file was readable";
        }
        if (lines.empty() && bookmarkRenewed) {
            EXPECT_EQ(listAfter, encodeProfiles(run.profilesAfter)) << "the renewed bookmark is saved";
        } else if (lines == std::vector<std::string>{saveFailedLine}) {
            EXPECT_TRUE(stale && bookmarkRenewed) << "the renewed bookmark stays in memory";
            EXPECT_TRUE(run.unchanged("projects.json"));
        } else {
            EXPECT_TRUE(lines.empty()) << "unexpected line " << lines.front();
            EXPECT_TRUE(run.unchanged("projects.json"));
        }
    } else if (answer == rebuiltAnswer) {
        const bool cacheWritten = run.after(cacheName) && newContents.count(*run.after(cacheName));
        if (lines.empty()) {
            EXPECT_TRUE(isRefreshed(target));
            EXPECT_TRUE(cacheWritten);
            EXPECT_EQ(listAfter, encodeProfiles(run.profilesAfter));
        } else if (lines == std::vector<std::string>{cacheFailedLine(source)}) {
            // The cache file could not be written: the profile keeps its old date, so the next call rebuilds.
            EXPECT_FALSE(isRefreshed(target));
            EXPECT_TRUE(run.unchanged(cacheName));
            EXPECT_TRUE(run.faultOnCacheFile());
        } else if (lines == std::vector<std::string>{saveFailedLine, cacheFailedLine(source)}) {
            // The list could not be written: the refreshed profile is in memory only.
            EXPECT_TRUE(isRefreshed(target));
            EXPECT_TRUE(cacheWritten);
            EXPECT_NE(listAfter, encodeProfiles(run.profilesAfter));
            EXPECT_TRUE(run.faultOnListFile());
        } else {
            ADD_FAILURE() << "unexpected lines after a rebuild: " << ::testing::PrintToString(run.lines);
        }
    } else {
        ADD_FAILURE() << "unexpected answer " << answer;
    }

    // The step that failed decides the story.
    if (run.faultOn(HostOp::writeNewFile, ".prj") || run.faultOn(HostOp::rename, ".prj")) {
        EXPECT_EQ(answer, rebuiltAnswer);
        EXPECT_EQ(lines, std::vector<std::string>{cacheFailedLine(source)});
    }
    if (!run.fault) {
        EXPECT_EQ(answer, rebuiltAnswer);
        EXPECT_TRUE(lines.empty());
    }
}

TEST_F(FaultEnumerationTest, addingADocument) {
    const auto prepare = [&] {
        auto world = worldListing({"existing.plan"});
        if (world) world->targetPath = world->addDocument("new.plan", firstVersion(), oldDocumentTime);
        return world;
    };
    const auto act = [](World& world) { return Outcome{world.manager->add(Url::fileUrl(world.targetPath)), {}, {}}; };
    enumerate("add", prepare, act, [](const FaultRun& run, const std::set<std::string>& newContents) {
        std::vector<std::string> newCaches;
        for (const auto& [name, content] : run.treeAfter) {
            if (name.ends_with(".prj") && !run.treeBefore.count(name)) newCaches.push_back(content);
        }
        for (const auto& content : newCaches) EXPECT_TRUE(newContents.count(content)) << "a new cache file is whole";
        const bool stored = run.profilesAfter.size() == run.profilesBefore.size() + 1;
        if (stored) {
            const auto& added = run.profilesAfter.back();
            EXPECT_EQ(added.sourceOrvFilePath, run.world.targetPath);
            EXPECT_EQ(added.name, "Alpha");
            EXPECT_TRUE(added.todayWidget);
            EXPECT_EQ(newCaches.size(), 1u) << "the cache file is written before the list";
        } else {
            EXPECT_EQ(encodeProfiles(run.profilesAfter), encodeProfiles(run.profilesBefore));
        }

        if (run.outcome.result) {
            EXPECT_TRUE(run.lines.empty());
            ASSERT_TRUE(stored);
            EXPECT_EQ(run.changed, std::vector<std::string>{run.profilesAfter.back().id()});
            EXPECT_EQ(run.after("projects.json"), encodeProfiles(run.profilesAfter));
        } else {
            EXPECT_TRUE(run.changed.empty());
            EXPECT_TRUE(run.unchanged("projects.json"));
            if (run.lines.empty()) {
                EXPECT_FALSE(stored);
            } else {
                EXPECT_EQ(run.lines, std::vector<std::string>{saveFailedLine});
                EXPECT_TRUE(stored) << "the new profile stays in the in-memory list";
            }
        }
        // A fault on the list file before it was written fails the add; a look at it after the write
        // changes nothing.
        if (run.faultOnListFile() && run.unchanged("projects.json")) {
            EXPECT_EQ(run.lines, std::vector<std::string>{saveFailedLine});
        }
        if (run.faultOnCacheFile()) {
            EXPECT_FALSE(run.outcome.result);
            EXPECT_TRUE(newCaches.empty());
            EXPECT_TRUE(run.lines.empty());
        }
        if (run.faultOn(HostOp::exists, "/documents/")) {
            EXPECT_FALSE(run.outcome.result);
            EXPECT_TRUE(newCaches.empty());
        }
        if (!run.fault) {
            EXPECT_TRUE(run.outcome.result);
        }
    });
}

TEST_F(FaultEnumerationTest, updatingADocument) {
    const auto act = [](World& world) { return Outcome{world.manager->update(world.targetPath), {}, {}}; };
    const auto prepare = [&] { return worldWithNewerDocument(false); };
    enumerate("update", prepare, act, [](const FaultRun& run, const std::set<std::string>& newContents) {
        const auto* target = findProfile(run.profilesAfter, run.world.targetId);
        ASSERT_TRUE(target);
        const std::string cacheName = run.world.targetId + ".prj";
        const bool cacheWritten = run.after(cacheName) && newContents.count(*run.after(cacheName));
        EXPECT_TRUE(run.unchanged(cacheName) || cacheWritten);

        if (!run.outcome.result) {
            EXPECT_TRUE(run.faultOn(HostOp::exists, "/documents/")) << "only a missing document fails an update";
            EXPECT_TRUE(run.changed.empty());
            EXPECT_TRUE(run.lines.empty());
            EXPECT_TRUE(run.treeAfter == run.treeBefore);
            return;
        }
        EXPECT_EQ(run.changed, std::vector<std::string>{run.world.targetId});
        if (run.lines.empty()) {
            if (isRefreshed(target)) {
                EXPECT_TRUE(cacheWritten);
                EXPECT_EQ(run.after("projects.json"), encodeProfiles(run.profilesAfter));
            } else {
                EXPECT_TRUE(run.treeAfter == run.treeBefore) << "an update that changes nothing writes nothing";
                EXPECT_EQ(encodeProfiles(run.profilesAfter), encodeProfiles(run.profilesBefore));
            }
        } else if (run.lines == std::vector<std::string>{recreateFailedLine}) {
            EXPECT_TRUE(cacheWritten);
            EXPECT_FALSE(isRefreshed(target));
            EXPECT_TRUE(run.unchanged("projects.json"));
        } else if (run.lines == std::vector<std::string>{saveFailedLine, updateFailedLine}) {
            EXPECT_TRUE(cacheWritten);
            EXPECT_TRUE(isRefreshed(target)) << "the updated profile stays in the in-memory list";
            EXPECT_TRUE(run.unchanged("projects.json"));
        } else {
            ADD_FAILURE() << "unexpected lines " << ::testing::PrintToString(run.lines);
        }
        if (run.faultOn(HostOp::writeNewFile, ".prj") || run.faultOn(HostOp::rename, ".prj")) {
            EXPECT_TRUE(run.lines.empty());
            EXPECT_TRUE(run.treeAfter == run.treeBefore);
        }
        if (run.faultOnListFile() && run.unchanged("projects.json") && isRefreshed(target)) {
            EXPECT_EQ(run.lines, (std::vector<std::string>{saveFailedLine, updateFailedLine}));
        }
        if (!run.fault) {
            EXPECT_TRUE(isRefreshed(target));
        }
    });
}

TEST_F(FaultEnumerationTest, deletingOneOfTwoProfiles) {
    const auto prepare = [&] { return worldListing({"first.plan", "second.plan"}); };
    enumerate("delete", prepare, deleteTarget, [](const FaultRun& run, const std::set<std::string>&) {
        const std::string cacheName = run.world.targetId + ".prj";
        const std::string otherCache = run.profilesBefore.back().id() + ".prj";
        EXPECT_EQ(encodeProfiles(run.profilesAfter), encodeProfiles(without(run.profilesBefore, run.world.targetId)))
            << "the profile leaves the in-memory list whatever happens";
        EXPECT_TRUE(run.unchanged(otherCache));
        if (run.outcome.result) {
            EXPECT_TRUE(run.lines.empty());
            EXPECT_EQ(run.changed, std::vector<std::string>{run.world.targetId});
            EXPECT_EQ(run.after("projects.json"), encodeProfiles(run.profilesAfter));
            // The cache file goes, unless deleting it is what failed (that does not change the result).
            if (run.faultOnCacheFile()) {
                EXPECT_TRUE(run.unchanged(cacheName));
            } else {
                EXPECT_FALSE(run.after(cacheName));
            }
        } else {
            EXPECT_TRUE(run.faultOnListFile());
            EXPECT_EQ(run.lines, std::vector<std::string>{saveFailedLine});
            EXPECT_TRUE(run.changed.empty());
            EXPECT_TRUE(run.unchanged("projects.json"));
            EXPECT_TRUE(run.unchanged(cacheName)) << "the cache file is kept while the list still names it";
        }
        if (run.faultOn(HostOp::writeNewFile, "projects.json") || run.faultOn(HostOp::rename, "projects.json")) {
            EXPECT_FALSE(run.outcome.result);
        }
    });
}

TEST_F(FaultEnumerationTest, deletingTheLastProfile) {
    const auto prepare = [&] { return worldListing({"only.plan"}); };
    enumerate("delete last", prepare, deleteTarget, [](const FaultRun& run, const std::set<std::string>&) {
        const std::string cacheName = run.world.targetId + ".prj";
        EXPECT_TRUE(run.profilesAfter.empty()) << "the profile leaves the in-memory list whatever happens";
        if (run.outcome.result) {
            EXPECT_TRUE(run.lines.empty());
            EXPECT_EQ(run.changed, std::vector<std::string>{run.world.targetId});
            EXPECT_FALSE(run.after("projects.json")) << "an empty list removes the file";
            if (run.faultOnCacheFile()) {
                EXPECT_TRUE(run.unchanged(cacheName));
            } else {
                EXPECT_FALSE(run.after(cacheName));
            }
        } else {
            // The list file stays, and with it the profile for every later manager: a failure.
            EXPECT_TRUE(run.faultOnListFile());
            EXPECT_TRUE(run.changed.empty());
            EXPECT_TRUE(run.unchanged("projects.json"));
            EXPECT_TRUE(run.unchanged(cacheName)) << "the cache file is kept while the list still names it";
            if (run.faultOn(HostOp::remove, "projects.json")) {
                EXPECT_EQ(run.lines, (std::vector<std::string>{removeFailedLine, saveFailedLine}));
            } else {
                EXPECT_EQ(run.lines, std::vector<std::string>{saveFailedLine});
            }
        }
    });
}

TEST_F(FaultEnumerationTest, todaysTasksWithARebuild) {
    enumerate(
        "tasks with rebuild", [&] { return worldWithNewerDocument(false); }, tasksOfTarget,
        checkTasksAfterNewerDocument);
}

TEST_F(FaultEnumerationTest, todaysTasksWithAStaleBookmark) {
    const auto prepare = [&] { return worldWithNewerDocument(true); };
    enumerate("tasks with stale bookmark", prepare, tasksOfTarget,
              [](const FaultRun& run, const std::set<std::string>& newContents) {
                  checkTasksAfterNewerDocument(run, newContents);
                  if (!run.fault) {
                      EXPECT_EQ(run.lines.front(), staleLine);
                  }
              });
}

TEST_F(FaultEnumerationTest, creatingAManager) {
    const auto prepare = [&] {
        auto world = worldListing({"first.plan", "second.plan"});
        if (world) world->manager.reset();
        return world;
    };
    const auto act = [](World& world) { return Outcome{false, {}, world.makeManager()}; };
    enumerate("creation", prepare, act, [](const FaultRun& run, const std::set<std::string>&) {
        EXPECT_TRUE(run.treeAfter == run.treeBefore) << "creation writes nothing";
        EXPECT_TRUE(run.lines.empty());
        if (!run.outcome.created) {
            EXPECT_TRUE(run.faultOn(HostOp::status, "/groups") || run.faultOn(HostOp::makeDirectory, "/groups"))
                << "only a container that cannot be looked up gives no manager";
            return;
        }
        const auto listed = run.outcome.created->projectProfiles();
        if (listed.empty()) {
            EXPECT_TRUE(run.faultOnListFile()) << "the list is read whole or, when reading fails, not at all";
        } else {
            EXPECT_EQ(encodeProfiles(listed), run.after("projects.json"));
        }
    });
}

}  // namespace
}  // namespace today::reliability
