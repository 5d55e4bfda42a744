// Peak resident memory of one `tasks(profile, at)` over the 100,000-task cache file, as a multiple of the
// file's size, and the same for the nlohmann-json peer. Each reading runs in a fresh process of its own
// (this program started again with --measure), which notes its peak resident size (getrusage's
// ru_maxrss) just before and just after the one call; the difference is what the call needed.
// Prints one JSON object.
#include <fmt/format.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "BenchDocuments.hpp"
#include "BenchFixtures.hpp"
#include "Peer.hpp"

namespace today::bench {
namespace {

const std::size_t taskCount = documentSize(100000);
constexpr std::string_view group = "group.bench.memory";
constexpr std::string_view profileId = "MEMORY";

long peakKiB() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// In a child: writes the profile list, the plan document and the cache file under `root`.
int generate(const std::string& root) {
    setGroupsRoot(root);
    const std::string cachePath = containerPath(group) + "/" + std::string(profileId) + ".prj";
    writeProfileList(group, {documentRecord(std::string(profileId), makeDocumentFile("Memory plan.orv"))});
    return detail::ProjectTodayCacheFile(makeSnapshot(taskCount)).save(cachePath) ? 0 : 1;
}

// In a child: one reading, then "<baseline KiB> <peak KiB> <tasks shown>".
int measure(std::string_view who, const std::string& root, double at) {
    setGroupsRoot(root);
    const std::string cachePath = containerPath(group) + "/" + std::string(profileId) + ".prj";
    std::size_t shown = 0;
    long baseline = 0;
    long peak = 0;
    if (who == "ours") {
        auto manager = TodayManager::make<WidgetManager>(group);
        const auto profile = manager ? manager->projectProfileById(profileId) : std::nullopt;
        if (!profile) return 1;
        baseline = peakKiB();
        const auto tasks = manager->tasks(*profile, Date(at));
        peak = peakKiB();
        if (!tasks) return 1;
        shown = tasks->size();
    } else {
        baseline = peakKiB();
        const auto tasks = peer::tasksAt(cachePath, at);
        peak = peakKiB();
        if (!tasks) return 1;
        shown = tasks->size();
    }
    std::printf("%ld %ld %zu\n", baseline, peak, shown);
    return 0;
}

struct Measurement {
    long baseline = 0;
    long peak = 0;
    std::size_t shown = 0;
};

// Runs this program again with --measure and reads what it printed.
Measurement measureInChild(const std::vector<std::string>& arguments, bool reports = true) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) std::exit(1);
    const pid_t child = ::fork();
    if (child < 0) std::exit(1);
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    std::string output;
    char buffer[256];
    ssize_t got;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) output.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    Measurement measurement;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        (reports && std::sscanf(output.c_str(), "%ld %ld %zu", &measurement.baseline, &measurement.peak,
                                &measurement.shown) != 3)) {
        std::fprintf(stderr, "the measuring process failed\n");
        std::exit(1);
    }
    return measurement;
}

std::string toJson(const Measurement& measurement, std::size_t fileSize) {
    const double callBytes = static_cast<double>(measurement.peak - measurement.baseline) * 1024;
    return fmt::format(R"({{"baseline_kib": {}, "peak_kib": {}, "call_kib": {}, "shown": {}, "multiple": {:.2f}}})",
                       measurement.baseline, measurement.peak, measurement.peak - measurement.baseline,
                       measurement.shown, callBytes / static_cast<double>(fileSize));
}

// This process stays small: what it inherits to its children counts in their peak from the start
// (ru_maxrss survives exec), so the documents are made and read in children of their own.
int run(const std::string& program) {
    const ScratchDirectory scratch;
    const std::string root = scratch.path() + "/groups";
    if (measureInChild({program, "--generate", root}, false).peak != 0) return 1;
    const std::string at = fmt::format("{}", askedDate(taskCount).timeIntervalSinceReferenceDate());
    const Measurement ours = measureInChild({program, "--measure", "ours", root, at});
    const Measurement theirs = measureInChild({program, "--measure", "peer", root, at});
    const std::string cachePath = root + "/" + std::string(group) + "/" + std::string(profileId) + ".prj";
    struct stat info {};
    if (::stat(cachePath.c_str(), &info) != 0) return 1;
    const auto fileSize = static_cast<std::size_t>(info.st_size);
    std::printf("{\"tasks\": %zu, \"file_bytes\": %zu, \"ours\": %s, \"peer\": %s}\n", taskCount, fileSize,
                toJson(ours, fileSize).c_str(), toJson(theirs, fileSize).c_str());
    return 0;
}

}  // namespace
}  // namespace today::bench

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--generate") return today::bench::generate(argv[2]);
    if (argc == 5 && std::string_view(argv[1]) == "--measure") {
        return today::bench::measure(argv[2], argv[3], std::strtod(argv[4], nullptr));
    }
    return today::bench::run(argv[0]);
}
