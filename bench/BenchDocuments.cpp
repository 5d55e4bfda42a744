// Plan documents, cache files and profile lists of any size for the benchmarks, and their scratch space.
#include "BenchDocuments.hpp"

#include <fmt/format.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "today/outside/BookmarkFormat.hpp"

namespace today::bench {

namespace {

// 2029-07-09, a date well clear of any real day the benchmarks run on.
constexpr double snapshotBase = 900000000.25;
constexpr double taskSpacing = 630;  // seconds between the starts of two snapshot tasks
constexpr double secondsPerDay = 86400;

constexpr std::array<std::string_view, 10> taskWords = {"Design review",       "Überprüfung der Statik",
                                                        "Réunion de chantier", "Pruebas de aceptación",
                                                        "Dachstuhl",           "集成测试",
                                                        "Проверка смет",       "Kick-off",
                                                        "Documentation",       "Électricité"};

std::size_t power(std::size_t base, std::size_t exponent) {
    std::size_t result = 1;
    for (std::size_t i = 0; i < exponent; ++i) result *= base;
    return result;
}

struct PlanBuilder {
    std::size_t fanOut;
    std::size_t depth;
    double today;
    std::int64_t nextId = 1;
    std::size_t leaves = 0;

    JsonTask task(std::size_t level) {
        JsonTask task;
        task.id = nextId++;
        task.name = fmt::format("{} {}", taskWords[static_cast<std::size_t>(*task.id) % taskWords.size()], *task.id);
        task.completedPercent = *task.id % 101;
        task.newColorIndex = *task.id % 12;
        if (level == depth) {
            // Starts spread from a day before `today` over about a month: a few percent are on today.
            const double start = today - secondsPerDay + static_cast<double>(leaves % 50000) * 60 + 0.5;
            task.type = leaves % 20 == 19 ? JsonTaskType::milestone : JsonTaskType::normal;
            task.start = Date(start);
            task.finish = Date(start + 2 * secondsPerDay);
            ++leaves;
            return task;
        }
        task.type = level == 1 ? JsonTaskType::project : JsonTaskType::normal;
        task.start = Date(today);
        task.finish = Date(today + 30 * secondsPerDay);
        auto& children = task.childs.emplace();
        children.reserve(fanOut);
        for (std::size_t i = 0; i < fanOut; ++i) children.push_back(this->task(level + 1));
        return task;
    }
};

}  // namespace

ScratchDirectory::ScratchDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/today-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch directory");
    _path = pattern;
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(_path, ignored);
}

bool smokeRun() {
    const char* smoke = std::getenv("TODAY_BENCH_SMOKE");
    return smoke && *smoke;
}

std::size_t documentSize(std::size_t count) { return smokeRun() ? std::min<std::size_t>(count, 20) : count; }

void useGroupContainersRoot(const std::string& root) { ::setenv("TODAY_GROUP_CONTAINERS", root.c_str(), 1); }

detail::JsonProjectToday makeSnapshot(std::size_t taskCount) {
    detail::JsonProjectToday snapshot;
    snapshot.name = "Bâtiment Est – Rénovation";
    snapshot.start = Date(snapshotBase);
    snapshot.finish = Date(snapshotBase + static_cast<double>(taskCount) * taskSpacing + 11 * secondsPerDay);
    snapshot.completed = 42;
    auto& tasks = snapshot.tasks.emplace();
    tasks.reserve(taskCount);
    for (std::size_t i = 0; i < taskCount; ++i) {
        detail::JsonTaskToday& task = tasks.emplace_back();
        const bool milestone = i % 20 == 19;
        const double finish =
            snapshotBase + static_cast<double>(i) * taskSpacing + static_cast<double>(1 + i % 10) * secondsPerDay + 0.5;
        task.id = static_cast<std::int64_t>(1000 + i);
        task.name = fmt::format("{} {}", taskWords[i % taskWords.size()], i);
        task.start = Date(milestone ? finish - secondsPerDay : snapshotBase + static_cast<double>(i) * taskSpacing);
        task.finish = Date(finish);
        task.completed = static_cast<std::int64_t>(i % 101);
        task.color = static_cast<std::int64_t>(i % 12);
        task.isMilestone = milestone;
        if (i % 3 != 0) task.directProjectTaskId = static_cast<std::int64_t>(10 + i % 7);
    }
    return snapshot;
}

Date askedDate(std::size_t taskCount) {
    return Date(snapshotBase + static_cast<double>(taskCount) * taskSpacing / 2 + 0.5);
}

std::string profilePath(std::size_t index) {
    return fmt::format(
        "/home/zoë/Documents/Projets en cours/Bâtiment Est – Rénovation/Planification générale "
        "n°{:05}.orv",
        index);
}

std::vector<detail::JsonTodayProjectProfile> makeProfileRecords(std::size_t count) {
    std::vector<detail::JsonTodayProjectProfile> records;
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        detail::JsonTodayProjectProfile& record = records.emplace_back();
        const std::uint64_t mixed = (i + 1) * 0x9E3779B97F4A7C15ull;
        record.id = fmt::format("{:08X}-{:04X}-4{:03X}-A{:03X}-{:012X}", mixed >> 32, (mixed >> 16) & 0xFFFF,
                                mixed & 0xFFF, (mixed >> 20) & 0xFFF, i);
        record.name = fmt::format("Projet n°{} – Rénovation", i);
        record.start = Date(snapshotBase + static_cast<double>(i));
        record.finish = Date(snapshotBase + static_cast<double>(i) + 90 * secondsPerDay);
        record.sourceOrvFilePath = profilePath(i);
        detail::BookmarkRecord bookmark;
        bookmark.options = 0x800;
        bookmark.device = 2049;
        bookmark.inode = 100000 + i;
        bookmark.path = *record.sourceOrvFilePath;
        record.securityScopedBookmark = detail::encodeBookmark(bookmark);
        record.lastUpdate = Date(snapshotBase - 1000 + static_cast<double>(i) + 0.125);
        record.todayWidget = i % 2 == 0;
    }
    return records;
}

JsonProject makePlan(std::size_t fanOut, std::size_t depth, Date today) {
    PlanBuilder builder{fanOut, depth, today.timeIntervalSinceReferenceDate()};
    JsonProject plan;
    plan.name = "Bâtiment Est – Rénovation";
    JsonTask& root = plan.rootTask.emplace();
    root.id = 0;
    root.start = today;
    root.finish = Date(today.timeIntervalSinceReferenceDate() + 60 * secondsPerDay);
    root.completedPercent = 12;
    auto& children = root.childs.emplace();
    children.reserve(fanOut);
    for (std::size_t i = 0; i < fanOut; ++i) children.push_back(builder.task(1));
    return plan;
}

std::size_t planLeafCount(std::size_t fanOut, std::size_t depth) { return power(fanOut, depth); }

std::size_t planTaskCount(std::size_t fanOut, std::size_t depth) {
    std::size_t count = 0;
    for (std::size_t level = 1; level <= depth; ++level) count += power(fanOut, level);
    return count;
}

void writeTextFile(const std::string& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace today::bench
