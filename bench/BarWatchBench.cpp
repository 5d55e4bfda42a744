// The watching status-bar process, measured from outside as a bar sees it: `today bar --watch` runs
// over 10 plans of 50 tasks in a fresh container; the program measures (a) the latency from a plan
// saved by rename to the new line on the command's standard output (median of the saves), (b) the CPU
// time the process spends while nothing changes (from /proc: utime + stime, and the scheduler's
// nanoseconds), and (c) its resident memory (VmRSS, VmHWM). Prints a Markdown table.
// Flags: --saves N (50), --idle-seconds S (60); TODAY_BENCH_SMOKE=1 makes it 5 saves and 3 seconds.
#include <fcntl.h>
#include <fmt/format.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int planCount = 10;
constexpr int tasksPerPlan = 50;

std::vector<std::string> environment(const std::string& containers) {
    return {"TZ=UTC", "TODAY_GROUP_CONTAINERS=" + containers, "PATH=/usr/bin:/bin", "LANG=C.UTF-8"};
}

pid_t spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& env, int out) {
    std::vector<std::string> args = {TODAY_COMMAND};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envText = env;
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (auto& each : args) argv.push_back(each.data());
    for (auto& each : envText) envp.push_back(each.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
    else posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, TODAY_COMMAND, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::runtime_error("cannot run " + std::string(TODAY_COMMAND));
    return pid;
}

// A plan of 50 tasks around now; its first task is on now and finishes first, named `first`.
std::string planText(int plan, const std::string& first) {
    const long now = static_cast<long>(std::time(nullptr)) - 978307200L;
    std::string tasks;
    for (int t = 0; t < tasksPerPlan; ++t) {
        const long start = t == 0 ? now - 3600 : now - 86400 + t * 3600L;
        const long finish = t == 0 ? now + 3600 + plan * 60 : start + (t % 5 + 1) * 86400L;
        tasks +=
            fmt::format(R"({}{{"id":{},"name":"{}","start":{},"finish":{},"completedPercent":{}}})", t == 0 ? "" : ",",
                        plan * 1000 + t, t == 0 ? first : fmt::format("Task {}.{}", plan, t), start, finish, t * 2);
    }
    return fmt::format(R"({{"name":"Plan {}","rootTask":{{"id":0,"children":[{}]}}}})", plan, tasks);
}

void saveByRename(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".saving";
    std::ofstream(temporary) << text;
    fs::rename(temporary, path);
}

// Reads lines until one holds `wanted`; false at the deadline.
bool waitForLine(int fd, std::string& buffer, const std::string& wanted, std::chrono::seconds deadline) {
    const auto until = Clock::now() + deadline;
    for (;;) {
        for (auto end = buffer.find('\n'); end != std::string::npos; end = buffer.find('\n')) {
            const std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            if (line.find(wanted) != std::string::npos) return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        pollfd wait{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&wait, 1, static_cast<int>(left)) <= 0) return false;
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
}

struct CpuTime {
    double statMs;       // utime + stime, in clock ticks turned to milliseconds
    double scheduledMs;  // the scheduler's on-CPU time (/proc/<pid>/schedstat), finer than the ticks
};

CpuTime cpuTime(pid_t pid) {
    std::ifstream stat(fmt::format("/proc/{}/stat", pid));
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::stod(field);
    }
    double scheduled = -1;
    std::ifstream schedstat(fmt::format("/proc/{}/schedstat", pid));
    if (schedstat >> scheduled) scheduled /= 1e6;
    return {ticks * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK)), scheduled};
}

long statusKiB(pid_t pid, const std::string& key) {
    std::ifstream status(fmt::format("/proc/{}/status", pid));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = std::getenv("TODAY_BENCH_SMOKE") != nullptr;
    int saves = smoke ? 5 : 50;
    int idleSeconds = smoke ? 3 : 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--saves") saves = std::atoi(argv[i + 1]);
        else if (flag == "--idle-seconds") idleSeconds = std::atoi(argv[i + 1]);
    }
    std::signal(SIGPIPE, SIG_IGN);

    char pattern[] = "/tmp/today-bench-bar-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) return 1;
    const std::string root = made;
    const auto env = environment(root + "/containers");
    fs::create_directories(root + "/containers");
    std::vector<std::string> plans;
    for (int p = 0; p < planCount; ++p) {
        plans.push_back(fmt::format("{}/plans-{}/plan-{}.json", root, p, p));
        fs::create_directories(fs::path(plans.back()).parent_path());
        saveByRename(plans.back(), planText(p, fmt::format("First of {}", p)));
        int status = 0;
        ::waitpid(spawn({"add", plans.back()}, env, -1), &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fmt::print(stderr, "cannot add {}\n", plans.back());
            return 1;
        }
    }

    int fds[2];
    if (::pipe(fds) != 0) return 1;
    const pid_t bar = spawn({"bar", "--watch", "--format", "plain"}, env, fds[1]);
    ::close(fds[1]);
    std::string buffer;
    int code = 0;
    if (!waitForLine(fds[0], buffer, "First of 0", std::chrono::seconds(20))) {
        fmt::print(stderr, "the bar printed no first line\n");
        code = 1;
    }

    // (a) Latency from the rename to the line.
    std::vector<double> latencies;
    for (int i = 0; i < saves && code == 0; ++i) {
        const std::string name = fmt::format("Saved {}", i);
        const std::string text = planText(0, name);
        const auto start = Clock::now();
        saveByRename(plans[0], text);
        if (!waitForLine(fds[0], buffer, name, std::chrono::seconds(10))) {
            fmt::print(stderr, "no line for save {}\n", i);
            code = 1;
            break;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    // (b) CPU time while nothing changes; (c) memory.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const CpuTime before = cpuTime(bar);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const CpuTime after = cpuTime(bar);
    const long rss = statusKiB(bar, "VmRSS");
    const long hwm = statusKiB(bar, "VmHWM");

    ::kill(bar, SIGTERM);
    int status = 0;
    ::waitpid(bar, &status, 0);
    ::close(fds[0]);
    fs::remove_all(root);

    std::sort(latencies.begin(), latencies.end());
    const auto quantile = [&](double q) {
        return latencies.empty() ? -1.0 : latencies[static_cast<std::size_t>(q * (latencies.size() - 1))];
    };
    fmt::print("| measure | result | target |\n|---|---|---|\n");
    fmt::print(
        "| save by rename to new line, median of {} (p90, max) | {:.1f} ms ({:.1f} ms, {:.1f} ms) | < 100 ms |\n",
        latencies.size(), quantile(0.5), quantile(0.9), quantile(1.0));
    fmt::print("| CPU time idle for {} s: utime+stime (scheduler) | {:.0f} ms ({:.3f} ms) | < 10 ms |\n", idleSeconds,
               after.statMs - before.statMs, after.scheduledMs - before.scheduledMs);
    fmt::print("| resident memory with {} plans: VmRSS (VmHWM) | {:.1f} MB ({:.1f} MB) | < 8 MB |\n", planCount,
               rss / 1024.0, hwm / 1024.0);
    fmt::print("| exit status after SIGTERM | {} | 0 |\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return code != 0 ? code : (WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
}
