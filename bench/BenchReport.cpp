// Turns one run's results into the tables of docs/performance.md: the Google Benchmark JSON output (the
// median of the repetitions when there are several), the hyperfine JSON export of the command scenario
// and the peak-memory JSON. Prints Markdown with the ratios to the floor and to the peer, and each
// target met or missed.
//
//   today_bench_report BENCH.json HYPERFINE.json MEMORY.json
#include <fmt/format.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

namespace {

using nlohmann::json;

// Google Benchmark writes NaN for counters whose spread cannot be computed (a coefficient of variation
// of zeros); JSON has no NaN, so such values are read as null.
json load(const char* path) {
    std::ifstream in(path);
    if (!in) {
        std::cerr << "cannot read " << path << "\n";
        std::exit(1);
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return json::parse(std::regex_replace(text, std::regex(R"(:\s*-?(NaN|nan|inf|Infinity)\b)"), ": null"));
}

double toNanoseconds(double value, const std::string& unit) {
    if (unit == "us") return value * 1e3;
    if (unit == "ms") return value * 1e6;
    if (unit == "s") return value * 1e9;
    return value;
}

class Results {
public:
    explicit Results(const json& output) {
        for (const json& entry : output.at("benchmarks")) {
            const std::string name = entry.at("run_name").get<std::string>();
            const bool aggregate = entry.value("run_type", "iteration") == "aggregate";
            if (aggregate && entry.value("aggregate_name", "") != "median") continue;
            if (!aggregate && _medians.count(name)) continue;  // repetitions without aggregates: the first
            if (aggregate) _medians.erase(name);
            _medians.emplace(name, entry);
        }
    }

    // Real time of one iteration, in nanoseconds.
    double time(const std::string& name) const {
        const json& entry = find(name);
        return toNanoseconds(entry.at("real_time").get<double>(), entry.at("time_unit").get<std::string>());
    }
    // CPU time of one iteration, in nanoseconds: without the time spent waiting for the disk.
    double cpuTime(const std::string& name) const {
        const json& entry = find(name);
        return toNanoseconds(entry.at("cpu_time").get<double>(), entry.at("time_unit").get<std::string>());
    }
    double counter(const std::string& name, const std::string& counter) const {
        return find(name).at(counter).get<double>();
    }

private:
    const json& find(const std::string& name) const {
        // Names carry "/real_time" when the benchmark measures wall-clock time.
        for (const std::string& candidate : {name, name + "/real_time"}) {
            const auto found = _medians.find(candidate);
            if (found != _medians.end()) return found->second;
        }
        std::cerr << "no result for " << name << "\n";
        std::exit(1);
    }

    std::map<std::string, json> _medians;
};

std::string duration(double nanoseconds) {
    if (nanoseconds < 1e3) return fmt::format("{:.1f} ns", nanoseconds);
    if (nanoseconds < 1e6) return fmt::format("{:.1f} µs", nanoseconds / 1e3);
    if (nanoseconds < 1e9) return fmt::format("{:.2f} ms", nanoseconds / 1e6);
    return fmt::format("{:.2f} s", nanoseconds / 1e9);
}

std::string verdict(bool met) { return met ? "met" : "**missed**"; }

void cachedAnswer(const Results& results) {
    fmt::print("## 1. Cached answer: `tasks(profile, at)` from the cache file\n\n");
    fmt::print("| tasks | file | shown | ours | floor | peer | ours / floor | speed vs peer |\n");
    fmt::print("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const std::string size : {"50", "100000"}) {
        const double ours = results.time("BM_CachedTasks_Ours/" + size);
        const double floor = results.time("BM_CachedTasks_Floor/" + size);
        const double peer = results.time("BM_CachedTasks_Peer/" + size);
        fmt::print("| {} | {:.0f} B | {:.0f} | {} | {} | {} | {:.2f}x | {:.1f}x |\n", size,
                   results.counter("BM_CachedTasks_Ours/" + size, "file_bytes"),
                   results.counter("BM_CachedTasks_Ours/" + size, "shown"), duration(ours), duration(floor),
                   duration(peer), ours / floor, peer / ours);
    }
    const double ratio = results.time("BM_CachedTasks_Ours/100000") / results.time("BM_CachedTasks_Floor/100000");
    const double speed = results.time("BM_CachedTasks_Peer/100000") / results.time("BM_CachedTasks_Ours/100000");
    fmt::print("\nTarget at 100,000 tasks: at most 1.5x the floor: {:.2f}x, {}. ", ratio, verdict(ratio <= 1.5));
    fmt::print("Reading at least 5x faster than the peer: {:.1f}x, {}.\n\n", speed, verdict(speed >= 5));
}

void rebuild(const Results& results) {
    fmt::print("## 2. Rebuild: 100,000 leaf tasks, depth 5\n\n");
    const double whole = results.time("BM_Rebuild_Whole");
    const double tasksPerSecond = 100000 / (whole / 1e9);
    fmt::print("Whole `tasks(profile, at)` with a rebuild: {} ({:.0f} tasks per second; {:.0f} tasks shown). ",
               duration(whole), tasksPerSecond, results.counter("BM_Rebuild_Whole", "shown"));
    fmt::print("Target at least 1,000,000 tasks per second: {}.\n\n", verdict(tasksPerSecond >= 1e6));
    fmt::print("| step (measured alone) | time | share of the whole |\n|---|---:|---:|\n");
    double steps = 0;
    for (const auto& [name, label] : std::initializer_list<std::pair<const char*, const char*>>{
             {"BM_Rebuild_SnapshotWalk", "snapshot walk"},
             {"BM_Rebuild_CacheWrite", "cache file written (encoding and crash-safe write)"},
             {"BM_Rebuild_ListWrite", "profile list written"},
             {"BM_Rebuild_DocumentTeardown", "loaded document torn down"}}) {
        const double time = results.time(name);
        steps += time;
        fmt::print("| {} | {} | {:.0f}% |\n", label, duration(time), 100 * time / whole);
    }
    if (steps <= whole) {
        fmt::print("| rest (bookmark, selection of today's tasks, `TaskToday` values) | {} | {:.0f}% |\n\n",
                   duration(whole - steps), 100 * (whole - steps) / whole);
    } else {
        fmt::print("\nThe steps measured alone add up to more than the whole: the run varied more than the rest.\n\n");
    }
    fmt::print("Of the cache file write, encoding alone: {}.\n\n", duration(results.time("BM_Rebuild_CacheEncode")));

    const double ours = results.time("BM_Rebuild_CacheWrite");
    const double peer = results.time("BM_Rebuild_CacheWrite_Peer");
    const double oursEncode = results.time("BM_Rebuild_CacheEncode");
    const double peerEncode = results.time("BM_Rebuild_CacheEncode_Peer");
    fmt::print("| writing the cache file | ours | peer | speed vs peer |\n|---|---:|---:|---:|\n");
    fmt::print("| encoding | {} | {} | {:.1f}x |\n", duration(oursEncode), duration(peerEncode),
               peerEncode / oursEncode);
    fmt::print("| encoding and writing | {} | {} | {:.1f}x |\n", duration(ours), duration(peer), peer / ours);
    const double oursCpu = results.cpuTime("BM_Rebuild_CacheWrite");
    const double peerCpu = results.cpuTime("BM_Rebuild_CacheWrite_Peer");
    fmt::print("| encoding and writing, CPU time only | {} | {} | {:.1f}x |\n\n", duration(oursCpu), duration(peerCpu),
               peerCpu / oursCpu);
}

void profileList(const Results& results) {
    fmt::print("## 3. The list: 10,000 profiles\n\n");
    const double ours = results.time("BM_ManagerCreation_Ours");
    const double floor = results.time("BM_ManagerCreation_Floor");
    const double peer = results.time("BM_ManagerCreation_Peer");
    fmt::print("| operation | ours | floor | peer | ours / floor | speed vs peer |\n|---|---:|---:|---:|---:|---:|\n");
    fmt::print("| manager creation | {} | {} | {} | {:.2f}x | {:.1f}x |\n", duration(ours), duration(floor),
               duration(peer), ours / floor, peer / ours);
    const double change = results.time("BM_StoredChange_Ours");
    const double changePeer = results.time("BM_StoredChange_Peer");
    const double encode = results.time("BM_StoredChangeEncode_Ours");
    const double encodePeer = results.time("BM_StoredChangeEncode_Peer");
    fmt::print("| one stored change (whole file rewritten) | {} | | {} | | {:.1f}x |\n", duration(change),
               duration(changePeer), changePeer / change);
    const double changeCpu = results.cpuTime("BM_StoredChange_Ours");
    const double changePeerCpu = results.cpuTime("BM_StoredChange_Peer");
    fmt::print("| the same change, CPU time only | {} | | {} | | {:.1f}x |\n", duration(changeCpu),
               duration(changePeerCpu), changePeerCpu / changeCpu);
    fmt::print("| encoding of that change alone | {} | | {} | | {:.1f}x |\n\n", duration(encode), duration(encodePeer),
               encodePeer / encode);
    const double unshared = results.time("BM_StoredChange_Unshared");
    fmt::print(
        "Sharing the list between processes: the same change without the list lock and the look at the file "
        "costs {}; with them {}: {:.3f}x. Target at most 1.05x: {}.\n\n",
        duration(unshared), duration(change), change / unshared, verdict(change / unshared <= 1.05));
    const double byId = results.time("BM_ProfileById_Ours");
    const double stat = results.time("BM_ListFileStat");
    fmt::print(
        "A query looks at the list file first (one `stat`, {}) to follow changes made by other processes: "
        "{:.1f}% of `projectProfileById` over 10,000 profiles ({}).\n\n",
        duration(stat), 100 * stat / byId, duration(byId));
    fmt::print(
        "Targets: creation at most 1.5x the floor: {:.2f}x, {}; reading at least 5x faster than the peer: "
        "{:.1f}x, {}; writing at least 3x faster: {:.1f}x, {}.\n\n",
        ours / floor, verdict(ours / floor <= 1.5), peer / ours, verdict(peer / ours >= 5), changePeer / change,
        verdict(changePeer / change >= 3));

    const double composed = results.counter("BM_ProfileLookup_Ours", "per_profile") * 1e9;
    const double decomposed = results.counter("BM_ProfileLookup_Decomposed_Ours", "per_profile") * 1e9;
    const double bytes = results.counter("BM_ProfileLookup_Peer", "per_profile") * 1e9;
    fmt::print("| `projectProfile(path)` by path | per profile compared |\n|---|---:|\n");
    fmt::print("| path as stored (composed form) | {:.1f} ns |\n", composed);
    fmt::print("| path in decomposed form | {:.1f} ns |\n", decomposed);
    fmt::print("| peer: byte comparison, no canonical equivalence | {:.1f} ns |\n\n", bytes);
    fmt::print("Target at most 30 ns per profile compared: {}.\n\n", verdict(composed <= 30 && decomposed <= 30));
}

void command(const json& hyperfine) {
    const json& result = hyperfine.at("results").at(0);
    const double median = result.at("median").get<double>() * 1e9;
    fmt::print("## 4. The command: `{}`\n\n", result.at("command").get<std::string>());
    fmt::print("10 projects of 50 tasks, {} runs: median {}, mean {} ± {}, min {}, max {}. ", result.at("times").size(),
               duration(median), duration(result.at("mean").get<double>() * 1e9),
               duration(result.at("stddev").get<double>() * 1e9), duration(result.at("min").get<double>() * 1e9),
               duration(result.at("max").get<double>() * 1e9));
    fmt::print("Target under 5 ms median: {}.\n\n", verdict(median < 5e6));
}

void memory(const json& measured) {
    fmt::print("## 5. Memory: one `tasks(profile, at)` over the 100,000-task cache file\n\n");
    const double fileSize = measured.at("file_bytes").get<double>();
    fmt::print(
        "File: {:.0f} bytes.\n\n| reader | peak resident memory of the call | multiple of the file |\n"
        "|---|---:|---:|\n",
        fileSize);
    for (const char* who : {"ours", "peer"}) {
        const json& entry = measured.at(who);
        fmt::print("| {} | {:.1f} MiB | {:.2f}x |\n", who, entry.at("call_kib").get<double>() / 1024,
                   entry.at("multiple").get<double>());
    }
    const double multiple = measured.at("ours").at("multiple").get<double>();
    fmt::print("\nTarget at most 3x: {:.2f}x, {}.\n\n", multiple, verdict(multiple <= 3));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: today_bench_report BENCH.json HYPERFINE.json MEMORY.json\n";
        return 2;
    }
    const json bench = load(argv[1]);
    const Results results(bench);
    const json& context = bench.at("context");
    fmt::print("Machine: {} CPUs at {} MHz; Google Benchmark library: {} build; run of {}.\n\n",
               context.value("num_cpus", 0), context.value("mhz_per_cpu", 0), context.value("library_build_type", "?"),
               context.value("date", "?"));
    cachedAnswer(results);
    rebuild(results);
    profileList(results);
    command(load(argv[2]));
    memory(load(argv[3]));
    return 0;
}
