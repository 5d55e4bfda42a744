// The list: creating a manager over a "projects.json" of 10,000 profiles (beside the floor, reading the
// file's bytes and parsing them with simdjson's DOM parser, and the nlohmann-json peer), one stored change
// (the whole file rewritten) with and without the list lock and the look at the file that let several
// processes share the list, and finding a profile by path or id among 10,000 with non-ASCII paths.
#include <benchmark/benchmark.h>
#include <simdjson.h>
#include <utf8proc.h>

#include <cstdlib>
#include <memory>

#include "BenchDocuments.hpp"
#include "BenchFixtures.hpp"
#include "Peer.hpp"
#include "today/manager/ManagerAccess.hpp"

namespace today::bench {
namespace {

const std::size_t profileCount = documentSize(10000);
constexpr std::string_view group = "group.bench.list";

struct ListSetup {
    std::vector<detail::JsonTodayProjectProfile> records;
    std::string listPath;
    std::size_t fileSize = 0;
    std::unique_ptr<TodayManager> manager;  // for the stored change and the lookups
    std::vector<peer::Profile> peerProfiles;
};

ListSetup& listSetup() {
    static ListSetup setup = [] {
        ListSetup made;
        made.records = makeProfileRecords(profileCount);
        writeProfileList(group, made.records);
        made.listPath = containerPath(group) + "/projects.json";
        made.fileSize = readTextFile(made.listPath).size();
        made.manager = TodayManager::make(group);
        if (made.manager->projectProfiles().size() != profileCount) std::abort();
        made.peerProfiles = *peer::readProfiles(made.listPath);
        return made;
    }();
    return setup;
}

void countProfiles(benchmark::State& state, std::size_t fileSize) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * profileCount));
    if (fileSize) state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize));
}

void BM_ManagerCreation_Ours(benchmark::State& state) {
    const ListSetup& setup = listSetup();
    for (auto _ : state) {
        auto manager = TodayManager::make(group);
        benchmark::DoNotOptimize(manager.get());
        state.PauseTiming();
        if (!manager) std::abort();
        manager.reset();
        state.ResumeTiming();
    }
    countProfiles(state, setup.fileSize);
}

void BM_ManagerCreation_Floor(benchmark::State& state) {
    const ListSetup& setup = listSetup();
    simdjson::dom::parser parser;
    for (auto _ : state) {
        simdjson::padded_string bytes;
        if (simdjson::padded_string::load(setup.listPath).get(bytes) != simdjson::SUCCESS) std::abort();
        simdjson::dom::element root;
        if (parser.parse(bytes).get(root) != simdjson::SUCCESS) std::abort();
        benchmark::DoNotOptimize(root);
    }
    countProfiles(state, setup.fileSize);
}

void BM_ManagerCreation_Peer(benchmark::State& state) {
    const ListSetup& setup = listSetup();
    for (auto _ : state) {
        auto profiles = peer::readProfiles(setup.listPath);
        benchmark::DoNotOptimize(profiles);
        state.PauseTiming();
        if (!profiles || profiles->size() != profileCount) std::abort();
        profiles.reset();
        state.ResumeTiming();
    }
    countProfiles(state, setup.fileSize);
}

void BM_StoredChange_Ours(benchmark::State& state) {
    ListSetup& setup = listSetup();
    TodayProjectProfile changed = *setup.manager->projectProfile(profilePath(profileCount / 2));
    for (auto _ : state) {
        changed.todayWidget = !changed.todayWidget;
        if (!detail::ManagerAccess::updateProjectProfile(*setup.manager, changed)) std::abort();
    }
    countProfiles(state, setup.fileSize);
}

// The same change as one writer alone would store it: changed in memory and written whole, without the
// list lock and the look at the file.
void BM_StoredChange_Unshared(benchmark::State& state) {
    ListSetup& setup = listSetup();
    auto profiles = setup.manager->projectProfiles();
    TodayProjectProfile& changed = profiles[profileCount / 2];
    for (auto _ : state) {
        changed.todayWidget = !changed.todayWidget;
        if (!detail::ManagerAccess::saveWithoutSharing(*setup.manager, profiles)) std::abort();
    }
    countProfiles(state, setup.fileSize);
}

void BM_StoredChange_Peer(benchmark::State& state) {
    ListSetup& setup = listSetup();
    const std::string path = setup.listPath + ".peer";
    peer::Profile& changed = setup.peerProfiles[profileCount / 2];
    for (auto _ : state) {
        changed.todayWidget = !*changed.todayWidget;
        if (!peer::writeFile(path, peer::encodeProfiles(setup.peerProfiles))) std::abort();
    }
    countProfiles(state, setup.fileSize);
}

// The encoding alone: what the library does for a stored change before it writes the file.
void BM_StoredChangeEncode_Ours(benchmark::State& state) {
    ListSetup& setup = listSetup();
    const auto profiles = setup.manager->projectProfiles();
    for (auto _ : state) {
        auto text = detail::encodeProfiles(profiles);
        benchmark::DoNotOptimize(text);
    }
    countProfiles(state, setup.fileSize);
}

void BM_StoredChangeEncode_Peer(benchmark::State& state) {
    ListSetup& setup = listSetup();
    for (auto _ : state) {
        auto text = peer::encodeProfiles(setup.peerProfiles);
        benchmark::DoNotOptimize(text);
    }
    countProfiles(state, setup.fileSize);
}

// A path that only the last profile has: every profile is compared once.
std::string lastPath(bool decomposed) {
    const std::string path = profilePath(profileCount - 1);
    if (!decomposed) return path;
    utf8proc_uint8_t* result = nullptr;
    const auto length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(path.data()), static_cast<utf8proc_ssize_t>(path.size()),
                     &result, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
    if (length < 0) std::abort();
    std::string text(reinterpret_cast<const char*>(result), static_cast<std::size_t>(length));
    std::free(result);
    return text;
}

void lookUp(benchmark::State& state, bool decomposed) {
    const ListSetup& setup = listSetup();
    const std::string path = lastPath(decomposed);
    for (auto _ : state) {
        auto profile = setup.manager->projectProfile(std::string_view(path));
        if (!profile) std::abort();
        benchmark::DoNotOptimize(profile);
    }
    state.counters["per_profile"] = benchmark::Counter(
        static_cast<double>(profileCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The path as stored (composed form).
void BM_ProfileLookup_Ours(benchmark::State& state) { lookUp(state, false); }
// The same path in decomposed form: found through canonical equivalence.
void BM_ProfileLookup_Decomposed_Ours(benchmark::State& state) { lookUp(state, true); }

// What code without canonical equivalence does: byte comparison.
void BM_ProfileLookup_Peer(benchmark::State& state) {
    const ListSetup& setup = listSetup();
    const std::string path = lastPath(false);
    for (auto _ : state) {
        const peer::Profile* found = nullptr;
        for (const auto& profile : setup.peerProfiles) {
            if (*profile.sourceOrvFilePath == path) {
                found = &profile;
                break;
            }
        }
        if (!found) std::abort();
        peer::Profile copy = *found;
        benchmark::DoNotOptimize(copy);
    }
    state.counters["per_profile"] = benchmark::Counter(
        static_cast<double>(profileCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A query by id of the last profile: it looks at the list file first (one `stat`), then walks the list.
void BM_ProfileById_Ours(benchmark::State& state) {
    const ListSetup& setup = listSetup();
    const std::string id = setup.manager->projectProfiles().back().id();
    for (auto _ : state) {
        auto profile = setup.manager->projectProfileById(id);
        if (!profile) std::abort();
        benchmark::DoNotOptimize(profile);
    }
}

// The look at the list file alone, which every query makes.
void BM_ListFileStat(benchmark::State& state) {
    const ListSetup& setup = listSetup();
    for (auto _ : state) {
        std::error_code error;
        auto status = Host::current().status(setup.listPath, error);
        if (!status) std::abort();
        benchmark::DoNotOptimize(status);
    }
}

BENCHMARK(BM_ManagerCreation_Ours)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ManagerCreation_Floor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ManagerCreation_Peer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoredChange_Ours)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoredChange_Unshared)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoredChange_Peer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoredChangeEncode_Ours)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoredChangeEncode_Peer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProfileLookup_Ours)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ProfileLookup_Decomposed_Ours)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ProfileById_Ours)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ListFileStat)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ProfileLookup_Peer)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace today::bench
