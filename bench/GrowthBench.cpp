// How the cost of a whole `today show` grows with the number of plans: for 1,000, 10,000 and 40,000
// plans (a few in a smoke run), the time of
//   - showing every plan from its snapshot: today's tasks of all plans in one call, then the stored
//     profiles once (what `today show` does), beside the way it was done before, one call and one
//     lookup by id per plan (a walk of the list each), measured up to 10,000 plans;
//   - the first show after every plan was saved again: all snapshots rebuilt, the list written once,
//     beside one write of the whole list per plan, measured at 1,000 plans;
//   - one plan whose document was deleted from a folder of 100,000 files: its bookmark is resolved
//     (the folder is read once, and only entries under the recorded inode number are looked at).
// Each figure is also given per plan, so that a cost that grows faster than the work shows as a
// growing figure. Prints a Markdown table.
#include <fmt/format.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "BenchDocuments.hpp"
#include "BenchFixtures.hpp"
#include "today/manager/TodaySnapshot.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::bench {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The widget's manager, whose loading hook hands out one small plan for any document.
class PlanManager : public TodayConfigable {
public:
    using TodayConfigable::TodayConfigable;
    std::optional<BookmarkResolutionOptions> bookmarkResolutionOptions() const override {
        return BookmarkResolutionOptions::withSecurityScope;
    }
    std::optional<JsonProject> loadJsonProjectFromOrvFile(const std::string&) override { return _plan; }
    void setPlan(JsonProject plan) { _plan = std::move(plan); }

private:
    std::optional<JsonProject> _plan;
};

JsonProject smallPlan() {
    const Date now = Date::now();
    JsonTask root;
    root.id = 0;
    root.name = "Plan";
    auto& children = root.childs.emplace();
    for (std::int64_t i = 1; i <= 5; ++i) {
        JsonTask task;
        task.id = i;
        task.name = "Task " + std::to_string(i);
        task.start = now - Days{1};
        task.finish = Date(now.timeIntervalSinceReferenceDate() + 86400.0 * static_cast<double>(i));
        children.push_back(std::move(task));
    }
    return JsonProject{"Plan", std::move(root)};
}

struct Group {
    std::string name;
    std::vector<std::string> documents;
};

// A container listing `count` plans, each with its document and its snapshot.
Group makeGroup(std::size_t count) {
    Group group{"group.bench.growth." + std::to_string(count), {}};
    const std::string container = containerPath(group.name);
    const auto snapshot = detail::ProjectTodayCacheFile(detail::makeJsonProjectToday(smallPlan())).project();
    std::vector<detail::JsonTodayProjectProfile> records;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string id = fmt::format("{:08}-0000-4000-8000-000000000000", i);
        group.documents.push_back(makeDocumentFile(group.name + "-plan-" + std::to_string(i) + ".json"));
        records.push_back(documentRecord(id, group.documents.back()));
        if (!detail::ProjectTodayCacheFile(snapshot).save(container + "/" + id + ".prj")) std::abort();
    }
    writeProfileList(group.name, records);
    return group;
}

struct Row {
    std::size_t plans;
    double show = 0, showBefore = -1, rebuild = 0, rebuildBefore = -1;
};

Row measure(std::size_t count, bool smoke) {
    Row row{count};
    Group group = makeGroup(count);
    auto manager = TodayManager::make<PlanManager>(group.name);
    manager->setPlan(smallPlan());
    const Date at = Date::now();

    auto start = Clock::now();
    const auto profiles = manager->projectProfiles();
    const auto answers = manager->tasks(profiles, at);
    std::size_t found = 0;
    {
        std::unordered_map<std::string, TodayProjectProfile> stored;
        for (auto& profile : manager->projectProfiles()) stored.try_emplace(profile.id(), std::move(profile));
        for (const auto& profile : profiles) found += stored.count(profile.id());
    }
    row.show = secondsSince(start);
    if (answers.size() != count || found != count) std::abort();

    if (count <= (smoke ? 100 : 10000)) {
        start = Clock::now();
        for (const auto& profile : profiles) {
            if (!manager->tasks(profile, at) || !manager->projectProfileById(profile.id())) std::abort();
        }
        row.showBefore = secondsSince(start);
    }

    // Every plan saved again: the first show rebuilds them all.
    const auto touchAll = [&](double offset) {
        const auto when =
            std::filesystem::file_time_type::clock::now() + std::chrono::seconds(static_cast<long>(offset));
        for (const auto& document : group.documents) std::filesystem::last_write_time(document, when);
    };
    touchAll(10);
    auto listed = manager->projectProfiles();
    start = Clock::now();
    if (manager->tasks(listed, at).size() != count) std::abort();
    row.rebuild = secondsSince(start);

    if (count <= (smoke ? 100 : 1000)) {
        touchAll(20);
        listed = manager->projectProfiles();
        start = Clock::now();
        for (const auto& profile : listed) {
            if (!manager->tasks(profile, at)) std::abort();
        }
        row.rebuildBefore = secondsSince(start);
    }
    return row;
}

double deletedInLargeFolder(std::size_t files) {
    const std::string folder = groupsRoot() + "/large-folder";
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < files; ++i) writeTextFile(folder + "/file-" + std::to_string(i), "");
    const std::string document = folder + "/plan.json";
    writeTextFile(document, "{}");
    const std::string group = "group.bench.growth.deleted";
    writeProfileList(group, {documentRecord("deleted", document)});
    std::filesystem::remove(document);
    auto manager = TodayManager::make<PlanManager>(group);
    const auto profile = manager->projectProfiles().at(0);
    const auto start = Clock::now();
    constexpr int calls = 10;
    for (int i = 0; i < calls; ++i) {
        if (!manager->tasks(profile, Date::now())) std::abort();
    }
    return secondsSince(start) / calls;
}

std::string cell(double seconds, std::size_t plans) {
    if (seconds < 0) return "| – | –";
    return fmt::format("| {:.3f} s | {:.1f} µs", seconds, seconds / static_cast<double>(plans) * 1e6);
}

}  // namespace
}  // namespace today::bench

int main() {
    using namespace today::bench;
    const bool smoke = std::getenv("TODAY_BENCH_SMOKE") != nullptr;
    const std::vector<std::size_t> sizes =
        smoke ? std::vector<std::size_t>{10, 100} : std::vector<std::size_t>{1000, 10000, 40000};
    fmt::print(
        "| plans | show, all plans | per plan | before: one call and one lookup per plan | per plan "
        "| first show after every plan was saved | per plan | before: one list write per plan | per plan |\n");
    fmt::print("|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const std::size_t size : sizes) {
        const Row row = measure(size, smoke);
        fmt::print("| {} {} {} {} {} |\n", row.plans, cell(row.show, size), cell(row.showBefore, size),
                   cell(row.rebuild, size), cell(row.rebuildBefore, size));
    }
    const std::size_t files = smoke ? 1000 : 100000;
    fmt::print("\nA plan whose document was deleted from a folder of {} files: {:.2f} ms per `tasks` call.\n", files,
               deletedInLargeFolder(files) * 1e3);
    return 0;
}
