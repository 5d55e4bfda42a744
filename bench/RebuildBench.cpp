// The rebuild: `tasks(profile, at)` for a profile whose document is newer, with a loading hook that hands out
// a prebuilt plan of 100,000 leaf tasks (ten children per task, five levels below the root). The whole
// call, then each of its steps alone: the snapshot walk, writing the cache file (encoding, then the
// crash-safe write), writing the profile list, and tearing the loaded document down. The peer encodes
// and writes the same snapshot with nlohmann-json.
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchDocuments.hpp"
#include "BenchFixtures.hpp"
#include "Peer.hpp"
#include "today/manager/ManagerAccess.hpp"
#include "today/manager/TodaySnapshot.hpp"

namespace today::bench {
namespace {

std::size_t fanOut() { return smokeRun() ? 2 : 10; }
constexpr std::size_t depth = 5;
std::size_t leafCount() { return planLeafCount(fanOut(), depth); }

struct RebuildSetup {
    std::unique_ptr<WidgetManager> manager;
    JsonProject plan;
    std::optional<TodayProjectProfile> stale;  // the stored profile with a last update long before the file's
    detail::JsonProjectToday snapshot;
    std::string cachePath;
};

const RebuildSetup& rebuildSetup() {
    static RebuildSetup setup = [] {
        RebuildSetup made;
        const std::string group = "group.bench.rebuild";
        const std::string container = containerPath(group);
        writeProfileList(group, {documentRecord("REBUILD", makeDocumentFile("Grand plan.orv"))});
        made.manager = TodayManager::make<WidgetManager>(group);
        made.plan = makePlan(fanOut(), depth, Date::now().toDayOnly());
        made.stale = made.manager->projectProfileById("REBUILD");
        made.stale->lastUpdate = Date(0);
        made.snapshot = detail::makeJsonProjectToday(made.plan);
        made.cachePath = container + "/REBUILD.prj";
        return made;
    }();
    return setup;
}

void countTasks(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * leafCount()));
}

void BM_Rebuild_Whole(benchmark::State& state) {
    const RebuildSetup& setup = rebuildSetup();
    std::size_t shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        setup.manager->prepare(setup.plan);
        state.ResumeTiming();
        auto tasks = setup.manager->tasks(*setup.stale, Date::now());
        if (!tasks) std::abort();
        shown = tasks->size();
        benchmark::DoNotOptimize(tasks);
    }
    countTasks(state);
    state.counters["shown"] = static_cast<double>(shown);
    state.counters["snapshot_tasks"] = static_cast<double>(setup.snapshot.tasks->size());
}

void BM_Rebuild_SnapshotWalk(benchmark::State& state) {
    const RebuildSetup& setup = rebuildSetup();
    for (auto _ : state) {
        auto snapshot = detail::makeJsonProjectToday(setup.plan);
        benchmark::DoNotOptimize(snapshot);
        state.PauseTiming();
        snapshot = {};
        state.ResumeTiming();
    }
    countTasks(state);
}

void BM_Rebuild_CacheEncode(benchmark::State& state) {
    const RebuildSetup& setup = rebuildSetup();
    std::size_t size = 0;
    for (auto _ : state) {
        auto text = detail::encodeProjectToday(setup.snapshot);
        size = text->size();
        benchmark::DoNotOptimize(text);
    }
    countTasks(state);
    state.counters["file_bytes"] = static_cast<double>(size);
}

void BM_Rebuild_CacheWrite(benchmark::State& state) {
    const RebuildSetup& setup = rebuildSetup();
    const detail::ProjectTodayCacheFile cacheFile(setup.snapshot);
    for (auto _ : state) {
        if (!cacheFile.save(setup.cachePath)) std::abort();
    }
    countTasks(state);
}

void BM_Rebuild_ListWrite(benchmark::State& state) {
    const RebuildSetup& setup = rebuildSetup();
    TodayProjectProfile refreshed = *setup.stale;
    for (auto _ : state) {
        refreshed.lastUpdate = Date(refreshed.lastUpdate.timeIntervalSinceReferenceDate() + 1);
        if (!detail::ManagerAccess::updateProjectProfile(*setup.manager, refreshed)) std::abort();
    }
}

void BM_Rebuild_DocumentTeardown(benchmark::State& state) {
    const RebuildSetup& setup = rebuildSetup();
    for (auto _ : state) {
        state.PauseTiming();
        std::optional<JsonProject> document = setup.plan;
        state.ResumeTiming();
        document.reset();
        benchmark::DoNotOptimize(document);
    }
    countTasks(state);
}

void BM_Rebuild_CacheEncode_Peer(benchmark::State& state) {
    const peer::Project project = peer::fromSnapshot(rebuildSetup().snapshot);
    for (auto _ : state) {
        auto text = peer::encodeProject(project);
        benchmark::DoNotOptimize(text);
    }
    countTasks(state);
}

void BM_Rebuild_CacheWrite_Peer(benchmark::State& state) {
    const RebuildSetup& setup = rebuildSetup();
    const peer::Project project = peer::fromSnapshot(setup.snapshot);
    const std::string path = setup.cachePath + ".peer";
    for (auto _ : state) {
        if (!peer::writeFile(path, peer::encodeProject(project))) std::abort();
    }
    countTasks(state);
}

BENCHMARK(BM_Rebuild_Whole)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rebuild_SnapshotWalk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rebuild_CacheEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rebuild_CacheWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rebuild_ListWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rebuild_DocumentTeardown)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rebuild_CacheEncode_Peer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rebuild_CacheWrite_Peer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace today::bench
