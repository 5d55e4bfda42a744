// Child processes save a large profile list and large cache files in a loop and are killed with SIGKILL
// at random instants. After every kill each file decodes and holds either the content it had before
// the interrupted save or the content that save meant to write; every listed profile still has its
// cache file (the cache file is written before the list names it, and deleted only after the list
// stopped naming it).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "FaultEnumeration.hpp"
#include "SharedMemory.hpp"

namespace today::reliability {
namespace {

constexpr std::size_t listCapacity = 4 << 20;
constexpr int documentCount = 6;
const std::string versionedName = "versioned.prj";

// What a child tells the parent; the list it last knew to be on disk is double-buffered, so that a
// kill in the middle of copying it leaves the previous copy intact.
struct CrashState {
    std::atomic<long> savesCompleted{0};
    std::atomic<long> readyNanoseconds{0};  // when the child's manager had read the list
    std::atomic<long> lastSaveNanoseconds{0};
    std::atomic<long> versionCommitted{0};
    std::atomic<long> versionPending{0};
    std::atomic<int> listOperation{0};  // 0 none, 1 add, 2 delete
    char deletingId[128]{};
    std::atomic<int> listSlot{0};
    std::atomic<std::size_t> listSize[2]{};
    char list[2][listCapacity]{};

    std::string committedList() const {
        const int slot = listSlot.load();
        return std::string(list[slot], listSize[slot].load());
    }
    void commitList(const std::string& bytes) {
        if (bytes.size() > listCapacity) std::abort();
        const int next = 1 - listSlot.load();
        std::memcpy(list[next], bytes.data(), bytes.size());
        listSize[next] = bytes.size();
        listSlot = next;
    }
};

enum { noOperation = 0, adding = 1, deleting = 2 };

long monotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The snapshot of version k of the versioned cache file: its content tells its version.
detail::JsonProjectToday versionedSnapshot(long version, std::size_t taskCount) {
    detail::JsonProjectToday snapshot;
    snapshot.name = "v" + std::to_string(version);
    snapshot.start = Date(version);
    snapshot.tasks.emplace();
    for (std::size_t i = 0; i < taskCount; ++i) {
        detail::JsonTaskToday task;
        task.id = static_cast<std::int64_t>(i);
        task.name = "task " + std::to_string(i) + " of version " + std::to_string(version);
        task.start = Date(static_cast<double>(version) + 0.25);
        task.finish = Date(static_cast<double>(version) * 2 + 0.5);
        task.completed = version % 100;
        task.isMilestone = (i + static_cast<std::size_t>(version)) % 2 == 0;
        snapshot.tasks->push_back(std::move(task));
    }
    return snapshot;
}

std::vector<detail::JsonTodayProjectProfile> seedProfiles(std::size_t count, const std::string& documents) {
    std::mt19937 random(7);
    std::vector<detail::JsonTodayProjectProfile> records;
    for (std::size_t i = 0; i < count; ++i) {
        detail::JsonTodayProjectProfile record;
        record.id = "seed-" + std::to_string(i);
        record.name = "Seed project number " + std::to_string(i);
        record.start = Date(7e8 + static_cast<double>(i));
        record.finish = Date(7.1e8 + static_cast<double>(i) * 0.5);
        record.sourceOrvFilePath = documents + "/seed-" + std::to_string(i) + ".plan";
        Bytes bookmark(400);
        for (auto& byte : bookmark) byte = static_cast<std::uint8_t>(random());
        record.securityScopedBookmark = std::move(bookmark);
        record.lastUpdate = Date(7.2e8 + static_cast<double>(i) / 3);
        record.todayWidget = i % 2 == 0;
        records.push_back(std::move(record));
    }
    return records;
}

// The child: adds, deletes and rewrites the versioned cache file until it is killed.
[[noreturn]] void runWriter(const World& world, CrashState& state, std::size_t taskCount, unsigned seed) {
    std::mt19937 random(seed);
    const long firstStep = static_cast<long>(random() % 3);  // so that kills early in a life hit every kind of save
    auto manager = world.makeManager();
    if (!manager) ::_exit(3);
    const std::string versionedPath = world.container + "/" + versionedName;
    state.readyNanoseconds = monotonicNanoseconds();
    for (long step = firstStep;; ++step) {
        if (step > firstStep) state.lastSaveNanoseconds = monotonicNanoseconds();
        switch (step % 3) {
            case 0: {
                const std::string document =
                    world.documents + "/doc" + std::to_string(random() % documentCount) + ".plan";
                state.listOperation = adding;
                if (!manager->add(Url::fileUrl(document))) ::_exit(4);
                state.commitList(encodeProfiles(manager->projectProfiles()));
                state.listOperation = noOperation;
                state.savesCompleted += 2;
                break;
            }
            case 1: {
                // Mostly one of the recent additions, so the list keeps its size.
                const auto profiles = manager->projectProfiles();
                const std::size_t recent = std::min<std::size_t>(profiles.size(), 12);
                const std::string id = profiles[profiles.size() - 1 - random() % recent].id();
                std::snprintf(state.deletingId, sizeof state.deletingId, "%s", id.c_str());
                state.listOperation = deleting;
                if (!manager->deleteProject(id)) ::_exit(5);
                state.commitList(encodeProfiles(manager->projectProfiles()));
                state.listOperation = noOperation;
                state.savesCompleted += 1;
                break;
            }
            default: {
                const long version = state.versionCommitted + 1;
                state.versionPending = version;
                if (!detail::ProjectTodayCacheFile(versionedSnapshot(version, taskCount)).save(versionedPath))
                    ::_exit(6);
                state.versionCommitted = version;
                state.savesCompleted += 1;
                break;
            }
        }
    }
}

// Cache files of listed profiles are checked once: only an add writes them.
using DecodedCaches = std::set<std::string>;

// Checks the container after a kill and makes what is on disk the starting point of the next child.
void verifyAfterKill(const World& world, CrashState& state, std::size_t taskCount, DecodedCaches& decodedCaches) {
    const std::string listText = testing::readText(world.listPath());
    const auto listed = detail::decodeProfileList(listText);
    ASSERT_TRUE(listed) << "projects.json does not decode after a kill";
    const std::string committed = state.committedList();
    if (listText != committed) {
        auto before = *detail::decodeProfileList(committed);
        auto after = *listed;
        if (state.listOperation == adding) {
            ASSERT_EQ(after.size(), before.size() + 1)
                << "an interrupted add leaves the old list or the old list plus one";
            after.pop_back();
        } else if (state.listOperation == deleting) {
            const auto found = std::find_if(before.begin(), before.end(),
                                            [&](const auto& record) { return *record.id == state.deletingId; });
            ASSERT_NE(found, before.end());
            before.erase(found);
        } else {
            FAIL() << "projects.json changed while no save of it was under way";
        }
        ASSERT_EQ(detail::encodeProfileList(after), detail::encodeProfileList(before))
            << "projects.json holds neither the old nor the new list";
        state.commitList(listText);
    }
    state.listOperation = noOperation;

    // Every listed profile keeps its cache file; the ones the children wrote decode.
    for (const auto& record : *listed) {
        const std::string path = world.cachePath(*record.id);
        ASSERT_TRUE(testing::fileExists(path)) << "the cache file of a listed profile is gone: " << *record.id;
        if (record.id->starts_with("seed-") || !decodedCaches.insert(*record.id).second) continue;
        ASSERT_TRUE(detail::decodeProjectToday(testing::readText(path))) << "cache file does not decode";
    }

    // The versioned cache file holds exactly the last version saved or the one being saved.
    const std::string versioned = testing::readText(world.container + "/" + versionedName);
    const auto snapshot = detail::decodeProjectToday(versioned);
    ASSERT_TRUE(snapshot && snapshot->name) << "the versioned cache file does not decode after a kill";
    const long version = std::stol(snapshot->name->substr(1));
    ASSERT_TRUE(version == state.versionCommitted || version == state.versionPending)
        << "version " << version << " on disk, " << state.versionCommitted << " saved, " << state.versionPending
        << " under way";
    ASSERT_EQ(versioned, detail::encodeProjectToday(versionedSnapshot(version, taskCount)));
    state.versionCommitted = version;
    state.versionPending = version;

    // A killed save leaves its temporary file; clear them so each kill is judged alone.
    for (const auto& entry : std::filesystem::directory_iterator(world.container)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".") && name.find(".tmp-") != std::string::npos) {
            std::filesystem::remove(entry.path());
        }
    }
}

TEST(CrashTest, filesHoldOldOrNewContentAfterSigkillAtRandomInstants) {
    testing::ScopedTimeZone zone("UTC");
    const std::size_t seedCount = underSanitizer() ? 300 : 600;
    const std::size_t taskCount = underSanitizer() ? 1000 : 1500;
    const long killTarget = 200;

    World world(std::make_shared<PlanLibrary>());
    const Date soon = Date::now();
    for (int i = 0; i < documentCount; ++i) {
        auto plan = wideProject(taskCount, soon - Days{1}, Date(soon.timeIntervalSinceReferenceDate() + 1e8), 24);
        world.addDocument("doc" + std::to_string(i) + ".plan", std::move(plan), 1.7e9);
    }
    std::filesystem::create_directories(world.container);
    const auto seeds = seedProfiles(seedCount, world.documents);
    const std::string seedList = *detail::encodeProfileList(seeds);
    {
        std::ofstream(world.listPath(), std::ios::binary) << seedList;
        for (const auto& seed : seeds) std::ofstream(world.cachePath(*seed.id)) << "{\"nm\":\"seed\"}";
        std::ofstream(world.container + "/" + versionedName, std::ios::binary)
            << *detail::encodeProjectToday(versionedSnapshot(0, taskCount));
    }

    SharedMemory<CrashState> state;
    state->commitList(seedList);
    DecodedCaches checked;
    long kills = 0;
    std::mt19937 random(2024);
    // The first writer runs until it has made a few saves; its pace sets the range of the kill instants,
    // from before its manager has read the list to several saves later.
    long startup = 0, perSave = 0;
    while (kills < killTarget) {
        const long forkedAt = monotonicNanoseconds();
        state->readyNanoseconds = 0;
        const long savesBefore = state->savesCompleted;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) runWriter(world, *state, taskCount, static_cast<unsigned>(random()));
        if (kills == 0) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (state->savesCompleted - savesBefore < 12 && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ASSERT_GE(state->savesCompleted - savesBefore, 12) << "the writer makes no progress";
            startup = state->readyNanoseconds - forkedAt;
            perSave = (state->lastSaveNanoseconds - state->readyNanoseconds) / (state->savesCompleted - savesBefore);
        } else {
            const long span = startup + (underSanitizer() ? 3 : 5) * perSave;
            std::this_thread::sleep_for(std::chrono::nanoseconds(startup / 2 + static_cast<long>(random() % span)));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer stopped by itself with status " << status;
        ++kills;
        ASSERT_NO_FATAL_FAILURE(verifyAfterKill(world, *state, taskCount, checked)) << "after kill " << kills;
    }

    // A manager created at the end reads the whole list.
    const auto manager = world.makeManager();
    ASSERT_TRUE(manager);
    EXPECT_EQ(encodeProfiles(manager->projectProfiles()), testing::readText(world.listPath()));
}

// The ids one writer's adds returned with, recorded only once an add has returned.
struct AddedIds {
    static constexpr int capacity = 512;
    std::atomic<int> count{0};
    char ids[capacity][48]{};

    void record(const std::string& id) {
        const int next = count.load();
        if (next >= capacity || id.size() >= sizeof ids[0]) std::abort();
        std::snprintf(ids[next], sizeof ids[next], "%s", id.c_str());
        count = next + 1;
    }
};

struct TwoWriterState {
    AddedIds steady, killed;
    std::atomic<bool> steadyDone{false};
};

// Adds documents until killed (or, for the steady writer, a number of them), each through a fresh
// manager, recording every add that returned.
[[noreturn]] void runAdder(const World& world, AddedIds& added, int adds, unsigned seed) {
    std::mt19937 random(seed);
    for (int i = 0; adds < 0 || i < adds; ++i) {
        auto manager = world.makeManager();
        if (!manager) ::_exit(3);
        const std::string document = world.documents + "/doc" + std::to_string(random() % documentCount) + ".plan";
        if (!manager->add(Url::fileUrl(document))) ::_exit(4);
        added.record(manager->changed().back());
    }
    ::_exit(0);
}

// Two processes add to one list while one of them is killed again and again: every add that returned,
// in either process, keeps its profile and its cache file.
TEST(CrashTest, TwoWritersLoseNothingWhenOneIsKilled) {
    testing::ScopedTimeZone zone("UTC");
    World world(std::make_shared<PlanLibrary>());
    const Date soon = Date::now();
    for (int i = 0; i < documentCount; ++i) {
        world.addDocument("doc" + std::to_string(i) + ".plan",
                          wideProject(200, soon - Days{1}, Date(soon.timeIntervalSinceReferenceDate() + 1e8)), 1.7e9);
    }
    std::filesystem::create_directories(world.container);
    SharedMemory<TwoWriterState> state;
    const int steadyAdds = underSanitizer() ? 40 : 120;

    const pid_t steady = ::fork();
    ASSERT_GE(steady, 0);
    if (steady == 0) runAdder(world, state->steady, steadyAdds, 1);
    std::mt19937 random(99);
    long kills = 0;
    for (bool steadyRunning = true; steadyRunning; ++kills) {
        const pid_t victim = ::fork();
        ASSERT_GE(victim, 0);
        if (victim == 0) runAdder(world, state->killed, -1, static_cast<unsigned>(random()));
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + random() % 150));
        ::kill(victim, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(victim, &status, 0), victim);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the killed writer stopped by itself with status " << status;
        steadyRunning = ::waitpid(steady, &status, WNOHANG) == 0;
        if (!steadyRunning) {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        }
    }

    const auto listed = detail::decodeProfileList(testing::readText(world.listPath()));
    ASSERT_TRUE(listed) << "projects.json does not decode";
    std::set<std::string> ids;
    for (const auto& record : *listed) ids.insert(*record.id);
    EXPECT_EQ(state->steady.count.load(), steadyAdds);
    for (const AddedIds* added : {&state->steady, &state->killed}) {
        for (int i = 0; i < added->count.load(); ++i) {
            const std::string id = added->ids[i];
            EXPECT_TRUE(ids.count(id)) << "an add that returned is gone from the list: " << id;
            EXPECT_TRUE(testing::fileExists(world.cachePath(id))) << id;
        }
    }
}

}  // namespace
}  // namespace today::reliability
