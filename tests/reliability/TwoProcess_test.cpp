// The application and its widget on one container, as separate processes: the application adds, updates
// and deletes; the widget creates managers and asks for today's tasks (rebuilding snapshots, so it writes
// too); a plain reader only reads. None may crash, and no process may ever read a partly written file.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "FaultEnumeration.hpp"
#include "SharedMemory.hpp"

namespace today::reliability {
namespace {

constexpr int documentCount = 5;

// What each process counts of its own work and of what it found.
struct ProcessFigures {
    std::atomic<long> operations{0};
    std::atomic<long> failedOperations{0};
    std::atomic<long> managersCreated{0};
    std::atomic<long> absentAnswers{0};
    std::atomic<long> tornReads{0};
};

struct TwoProcessState {
    ProcessFigures application, widget, reader;
    std::atomic<bool> applicationDone{false};
};

// The work of each process is counted, not timed: the application makes a number of changes, the
// widget and the reader go on until it is done and have made a number of passes.
constexpr long applicationOperations = 60;
constexpr long minimumPasses = 15;

std::optional<std::string> readIfPresent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Reads "projects.json" and the cache file of each profile it lists, as another process sees them.
void readFilesDirectly(const World& world, ProcessFigures& figures) {
    const auto list = readIfPresent(world.listPath());
    if (!list) return;
    const auto records = detail::decodeProfileList(*list);
    if (!records) {
        ++figures.tornReads;
        return;
    }
    for (const auto& record : *records) {
        const auto cache = readIfPresent(world.cachePath(*record.id));
        if (!cache) continue;
        if (!detail::decodeProjectToday(*cache)) ++figures.tornReads;
    }
}

[[noreturn]] void runApplication(const World& world, ProcessFigures& figures, std::atomic<bool>& done) {
    std::mt19937 random(11);
    auto manager = world.makeManager();
    if (!manager) ::_exit(3);
    double documentTime = 1.7e9;
    for (long operation = 0; operation < applicationOperations; ++operation) {
        const auto profiles = manager->projectProfiles();
        const int choice = static_cast<int>(random() % 10);
        bool ok;
        if (profiles.size() < 3 || choice < 4) {
            ok = manager->add(
                Url::fileUrl(world.documents + "/doc" + std::to_string(random() % documentCount) + ".plan"));
        } else if (choice < 7) {
            // The document is saved again, then its profile refreshed.
            const std::string path = profiles[random() % profiles.size()].sourceOrvFilePath;
            documentTime += 1;
            writeFileInPlace(path, "saved again", documentTime);
            ok = manager->update(path);
        } else {
            ok = manager->deleteProject(profiles[random() % profiles.size()].id());
        }
        ++figures.operations;
        if (!ok) ++figures.failedOperations;
        readFilesDirectly(world, figures);
    }
    done = true;
    ::_exit(0);
}

// Asks for today's tasks of every profile through a fresh manager each pass: the widget's manager
// (which rebuilds when a document is newer, so it writes too), or the base manager of a plain reader
// (cached tasks only, never a write).
template <class MakeManager>
[[noreturn]] void runAsker(const World& world, ProcessFigures& figures, const std::atomic<bool>& done,
                           MakeManager makeManager) {
    for (long pass = 0; pass < minimumPasses || !done; ++pass) {
        auto manager = makeManager();
        if (!manager) ::_exit(3);
        ++figures.managersCreated;
        for (const auto& profile : manager->projectProfiles()) {
            if (!manager->tasks(profile, Date::now())) ++figures.absentAnswers;
        }
        readFilesDirectly(world, figures);
    }
    ::_exit(0);
}

World& worldWithDocuments(std::unique_ptr<World>& holder) {
    holder = std::make_unique<World>(std::make_shared<PlanLibrary>());
    const Date now = Date::now();
    for (int i = 0; i < documentCount; ++i) {
        auto plan = wideProject(200 + 100 * static_cast<std::size_t>(i), now - Days{1},
                                Date(now.timeIntervalSinceReferenceDate() + 1e7), 20);
        holder->addDocument("doc" + std::to_string(i) + ".plan", std::move(plan), 1.6e9);
    }
    return *holder;
}

TEST(TwoProcessTest, applicationAndWidgetShareTheContainerWithoutCrashOrTornRead) {
    testing::TestHost host;  // UTC, whatever the machine's zone
    ScopedHost scoped(host);
    std::unique_ptr<World> holder;
    const World& world = worldWithDocuments(holder);
    SharedMemory<TwoProcessState> state;

    std::vector<pid_t> children;
    for (int role = 0; role < 3; ++role) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (role == 0) runApplication(world, state->application, state->applicationDone);
            if (role == 1) runAsker(world, state->widget, state->applicationDone, [&] { return world.makeManager(); });
            runAsker(world, state->reader, state->applicationDone, [&world] { return world.makeWidgetManager(); });
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a process ended with status " << status;
    }

    for (const ProcessFigures* figures : {&state->application, &state->widget, &state->reader}) {
        EXPECT_EQ(figures->tornReads.load(), 0);
        EXPECT_EQ(figures->absentAnswers.load(), 0) << "every document loads, so tasks always answer";
    }
    EXPECT_EQ(state->application.operations.load(), applicationOperations);
    EXPECT_EQ(state->application.failedOperations.load(), 0);
    EXPECT_GE(state->widget.managersCreated.load(), minimumPasses);
    EXPECT_GE(state->reader.managersCreated.load(), minimumPasses);

    // What is left decodes, and a new manager reads it whole.
    const auto list = readIfPresent(world.listPath());
    const auto manager = world.makeManager();
    ASSERT_TRUE(manager);
    if (list) {
        ASSERT_TRUE(detail::decodeProfileList(*list));
        EXPECT_EQ(encodeProfiles(manager->projectProfiles()), *list);
    }
    // Every snapshot left belongs to a listed profile: none of a profile removed while the widget rebuilt it.
    std::set<std::string> snapshots, listed;
    for (const auto& entry : std::filesystem::directory_iterator(world.container)) {
        if (entry.path().extension() == ".prj") snapshots.insert(entry.path().filename().string());
    }
    for (const auto& profile : manager->projectProfiles()) listed.insert(profile.id() + ".prj");
    EXPECT_EQ(snapshots, listed);
}

}  // namespace
}  // namespace today::reliability
