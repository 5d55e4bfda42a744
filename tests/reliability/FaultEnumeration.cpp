// The fault enumeration harness: a world per run, a fault at the n-th host operation, the common checks.
#include "FaultEnumeration.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

namespace today::reliability {

namespace {

std::string containerName(const std::string& relative) {
    const std::string prefix = std::string("groups/") + groupIdentifier + "/";
    return relative.starts_with(prefix) ? relative.substr(prefix.size()) : std::string();
}

bool isContainerFile(const std::string& relative) { return !containerName(relative).empty(); }

std::string describeFault(const std::optional<RecordingHost::Fault>& fault, const World& world) {
    if (!fault) return "no fault";
    std::string path = fault->path;
    if (path.starts_with(world.root)) path = path.substr(world.root.size() + 1);
    return std::string(testing::toString(fault->op)) + " " + path;
}

std::string faultKey(const RecordingHost::Fault& fault) {
    std::string what = "other";
    if (fault.path.find("projects.json") != std::string::npos) what = "projects.json";
    else if (fault.path.find(".prj") != std::string::npos) what = "cache file";
    else if (fault.path.find("/documents") != std::string::npos) what = "document";
    else if (fault.path.find("/groups") != std::string::npos) what = "container";
    return std::string(testing::toString(fault.op)) + " " + what;
}

// The checks that hold after every run, whatever failed.
void checkCommon(RecordingHost& host, const FaultRun& run) {
    const World& world = run.world;
    // Nothing outside the container changes: documents and neighbours are never written.
    for (const auto& [name, content] : run.treeAfter) {
        if (isContainerFile(name)) continue;
        const auto before = run.treeBefore.find(name);
        EXPECT_TRUE(before != run.treeBefore.end() && before->second == content) << "changed outside: " << name;
    }
    for (const auto& [name, content] : run.treeBefore) {
        if (!isContainerFile(name)) {
            EXPECT_TRUE(run.treeAfter.count(name)) << "removed outside: " << name;
        }
    }

    for (const auto& [relative, content] : run.treeAfter) {
        const std::string name = containerName(relative);
        if (name.empty()) continue;
        // The lock file of the list, which writers of every process lock, holds nothing.
        if (name == "projects.json.lock") {
            EXPECT_EQ(content, "");
            continue;
        }
        // No temporary file stays behind, whatever step failed.
        EXPECT_TRUE(name == "projects.json" || (name.ends_with(".prj") && !name.starts_with(".")))
            << "left behind: " << name;
        // Each file holds its old content or a content the library committed whole.
        const auto before = run.before(name);
        const auto committed = host.committedTo(world.container + "/" + name);
        const bool old = before && *before == content;
        const bool written = std::find(committed.begin(), committed.end(), content) != committed.end();
        EXPECT_TRUE(old || written) << name << " holds content that was never committed";
        if (name == "projects.json") {
            EXPECT_TRUE(detail::decodeProfileList(content).has_value()) << "projects.json does not decode";
        } else if (name.ends_with(".prj")) {
            EXPECT_TRUE(detail::decodeProjectToday(content).has_value()) << name << " does not decode";
        }
    }

    // A manager created now reads exactly what the file holds.
    const auto fresh = world.makeManager();
    ASSERT_TRUE(fresh);
    const auto listed = run.after("projects.json");
    if (listed) {
        const auto records = detail::decodeProfileList(*listed);
        ASSERT_TRUE(records);
        EXPECT_EQ(fresh->projectProfiles().size(), records->size());
        EXPECT_EQ(encodeProfiles(fresh->projectProfiles()), *listed);
    } else {
        EXPECT_TRUE(fresh->projectProfiles().empty());
    }
}

}  // namespace

World::World(std::shared_ptr<PlanLibrary> plans_) : root(directory.path()), plans(std::move(plans_)) {
    std::filesystem::create_directories(root + "/documents");
    documents = root + "/documents";
    container = root + "/groups/" + groupIdentifier;
    std::filesystem::create_directories(container);
    // A neighbour of the container that no operation may touch.
    directory.write("groups/neighbour.prj", "{\"nm\":\"neighbour\"}");
}

std::unique_ptr<PlanManager> World::makeManager() const {
    return std::make_unique<PlanManager>(GroupContainer::atDirectory(Url::fileUrl(container)), plans);
}

std::unique_ptr<TodayManager> World::makeWidgetManager() const {
    return std::make_unique<TodayManager>(GroupContainer::atDirectory(Url::fileUrl(container)));
}

std::string World::addDocument(const std::string& name, JsonProject plan, double unixModificationTime) {
    const std::string path = documents + "/" + name;
    writeFileInPlace(path, "plan " + name, unixModificationTime);
    plans->put(path, std::move(plan));
    return path;
}

std::optional<std::string> FaultRun::before(const std::string& name) const {
    const auto found = treeBefore.find(std::string("groups/") + groupIdentifier + "/" + name);
    if (found == treeBefore.end()) return std::nullopt;
    return found->second;
}

std::optional<std::string> FaultRun::after(const std::string& name) const {
    const auto found = treeAfter.find(std::string("groups/") + groupIdentifier + "/" + name);
    if (found == treeAfter.end()) return std::nullopt;
    return found->second;
}

bool FaultRun::faultOn(HostOp op, const std::string& pathPart) const {
    return fault && fault->op == op && fault->path.find(pathPart) != std::string::npos;
}

bool FaultRun::faultOnListFile() const { return fault && fault->path.find("projects.json") != std::string::npos; }

bool FaultRun::faultOnCacheFile() const { return fault && fault->path.find(".prj") != std::string::npos; }

EnumerationResult enumerateFaults(RecordingHost& host, const Scenario& scenario) {
    EnumerationResult result;
    // Far more than any operation makes; reaching it means the runs never end.
    constexpr long limit = 2000;
    for (long n = 1; n <= limit; ++n) {
        auto world = scenario.prepare();
        if (!world) {
            ADD_FAILURE() << scenario.name << ": preparation failed";
            return result;
        }
        const auto treeBefore = snapshotTree(world->root);
        const auto profilesBefore =
            world->manager ? world->manager->projectProfiles() : std::vector<TodayProjectProfile>{};
        const auto changedBefore = world->manager ? world->manager->changed().size() : 0;
        host.takeLines();
        host.resetCommits();

        host.armFault(n);
        Outcome outcome = scenario.act(*world);
        host.disarm();

        const auto fault = host.firedFault();
        std::vector<std::string> changed;
        if (world->manager) {
            const auto all = world->manager->changed();
            changed.assign(all.begin() + static_cast<long>(changedBefore), all.end());
        }
        FaultRun run{*world,
                     treeBefore,
                     snapshotTree(world->root),
                     profilesBefore,
                     world->manager ? world->manager->projectProfiles() : std::vector<TodayProjectProfile>{},
                     outcome,
                     fault,
                     host.takeLines(),
                     std::move(changed)};
        SCOPED_TRACE(scenario.name + ", fault " + std::to_string(n) + ": " + describeFault(fault, *world));
        checkCommon(host, run);
        scenario.check(run);
        host.takeLines();
        if (!fault) return result;
        ++result.faultPoints;
        ++result.byOperation[faultKey(*fault)];
        if (::testing::Test::HasFatalFailure()) return result;
    }
    ADD_FAILURE() << scenario.name << ": still hitting faults after " << limit << " runs";
    return result;
}

std::set<std::string> newContentsOfFaultFreeRun(RecordingHost& host, const Scenario& scenario) {
    auto world = scenario.prepare();
    const auto before = snapshotTree(world->root);
    host.takeLines();
    scenario.act(*world);
    host.takeLines();
    std::set<std::string> contents;
    for (const auto& [name, content] : snapshotTree(world->root)) {
        const auto old = before.find(name);
        if (isContainerFile(name) && (old == before.end() || old->second != content)) contents.insert(content);
    }
    return contents;
}

}  // namespace today::reliability
