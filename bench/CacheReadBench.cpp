// The cached answer: `tasks(profile, at)` served from a cache file of 50 and of 100,000 tasks by the widget's
// manager (bookmark resolved, document found unchanged, cache file read and filtered), beside the floor
// (reading the file's bytes and parsing them with simdjson's DOM parser) and the nlohmann-json peer.
#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <map>
#include <memory>

#include "BenchDocuments.hpp"
#include "BenchFixtures.hpp"
#include "Peer.hpp"

namespace today::bench {
namespace {

struct CachedProject {
    std::unique_ptr<WidgetManager> manager;
    std::optional<TodayProjectProfile> profile;
    std::string cachePath;
    std::size_t fileSize = 0;
    Date at{0};
};

// Made on first use and kept for the process, one per task count.
const CachedProject& cachedProject(std::size_t taskCount) {
    static std::map<std::size_t, CachedProject> projects;
    CachedProject& project = projects[taskCount];
    if (project.manager) return project;

    const std::string group = "group.bench.cache" + std::to_string(taskCount);
    const std::string id = "CACHE-" + std::to_string(taskCount);
    const std::string container = containerPath(group);
    writeProfileList(group, {documentRecord(id, makeDocumentFile("Plan n°" + std::to_string(taskCount) + ".orv"))});
    project.cachePath = container + "/" + id + ".prj";
    if (!detail::ProjectTodayCacheFile(makeSnapshot(taskCount)).save(project.cachePath)) std::abort();
    project.fileSize = readTextFile(project.cachePath).size();
    project.manager = TodayManager::make<WidgetManager>(group);
    project.profile = project.manager->projectProfileById(id);
    project.at = askedDate(taskCount);
    if (!project.profile) std::abort();
    return project;
}

void setCounters(benchmark::State& state, std::size_t taskCount, std::size_t fileSize, std::size_t shown) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * taskCount));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize));
    state.counters["shown"] = static_cast<double>(shown);
    state.counters["file_bytes"] = static_cast<double>(fileSize);
}

void BM_CachedTasks_Ours(benchmark::State& state) {
    const auto taskCount = documentSize(static_cast<std::size_t>(state.range(0)));
    const CachedProject& project = cachedProject(taskCount);
    std::size_t shown = 0;
    for (auto _ : state) {
        auto tasks = project.manager->tasks(*project.profile, project.at);
        if (!tasks) std::abort();
        shown = tasks->size();
        benchmark::DoNotOptimize(tasks);
    }
    setCounters(state, taskCount, project.fileSize, shown);
}

void BM_CachedTasks_Floor(benchmark::State& state) {
    const auto taskCount = documentSize(static_cast<std::size_t>(state.range(0)));
    const CachedProject& project = cachedProject(taskCount);
    simdjson::dom::parser parser;
    for (auto _ : state) {
        simdjson::padded_string bytes;
        if (simdjson::padded_string::load(project.cachePath).get(bytes) != simdjson::SUCCESS) std::abort();
        simdjson::dom::element root;
        if (parser.parse(bytes).get(root) != simdjson::SUCCESS) std::abort();
        benchmark::DoNotOptimize(root);
    }
    setCounters(state, taskCount, project.fileSize, 0);
}

void BM_CachedTasks_Peer(benchmark::State& state) {
    const auto taskCount = documentSize(static_cast<std::size_t>(state.range(0)));
    const CachedProject& project = cachedProject(taskCount);
    std::size_t shown = 0;
    for (auto _ : state) {
        auto tasks = peer::tasksAt(project.cachePath, project.at.timeIntervalSinceReferenceDate());
        if (!tasks) std::abort();
        shown = tasks->size();
        benchmark::DoNotOptimize(tasks);
    }
    setCounters(state, taskCount, project.fileSize, shown);
}

BENCHMARK(BM_CachedTasks_Ours)->Arg(50)->Arg(100000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_CachedTasks_Floor)->Arg(50)->Arg(100000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_CachedTasks_Peer)->Arg(50)->Arg(100000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace today::bench
