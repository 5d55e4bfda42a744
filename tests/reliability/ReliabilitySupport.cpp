// Shared pieces of the reliability tests: the recording host, plan libraries, large plans, tree snapshots.
#include "ReliabilitySupport.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace today::reliability {

namespace fs = std::filesystem;

void RecordingHost::armFault(long n) {
    {
        std::lock_guard guard(_recordMutex);
        _fired.reset();
    }
    const long target = operationCount() + n;
    setFaultRule([this, target](HostOp op, const std::string& path, long count) {
        if (count != target) return false;
        std::lock_guard guard(_recordMutex);
        _fired = Fault{op, path};
        return true;
    });
}

void RecordingHost::disarm() { clearFaults(); }

std::optional<RecordingHost::Fault> RecordingHost::firedFault() const {
    std::lock_guard guard(_recordMutex);
    return _fired;
}

void RecordingHost::resetCommits() {
    std::lock_guard guard(_recordMutex);
    _written.clear();
    _committed.clear();
}

std::vector<std::string> RecordingHost::committedTo(const std::string& path) const {
    std::lock_guard guard(_recordMutex);
    const auto found = _committed.find(path);
    return found == _committed.end() ? std::vector<std::string>{} : found->second;
}

bool RecordingHost::writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) {
    if (!TestHost::writeNewFile(path, bytes, error)) return false;
    std::lock_guard guard(_recordMutex);
    _written[path].assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
}

bool RecordingHost::rename(const std::string& from, const std::string& to, std::error_code& error) {
    if (!TestHost::rename(from, to, error)) return false;
    std::lock_guard guard(_recordMutex);
    const auto written = _written.find(from);
    if (written != _written.end()) {
        _committed[to].push_back(std::move(written->second));
        _written.erase(written);
    }
    return true;
}

void PlanLibrary::put(const std::string& path, JsonProject project) {
    auto shared = std::make_shared<const JsonProject>(std::move(project));
    std::lock_guard guard(_mutex);
    _plans[path] = std::move(shared);
}

std::optional<JsonProject> PlanLibrary::get(const std::string& path) const {
    std::shared_ptr<const JsonProject> plan;
    {
        std::lock_guard guard(_mutex);
        const auto found = _plans.find(path);
        if (found == _plans.end()) return std::nullopt;
        plan = found->second;
    }
    return *plan;
}

PlanManager::PlanManager(const GroupContainer& container, std::shared_ptr<const PlanLibrary> plans)
    : TodayConfigable(container), _plans(std::move(plans)) {}

std::optional<JsonProject> PlanManager::loadJsonProjectFromOrvFile(const std::string& orvFilePath) {
    return _plans->get(orvFilePath);
}

std::optional<BookmarkResolutionOptions> PlanManager::bookmarkResolutionOptions() const {
    return BookmarkResolutionOptions::withSecurityScope;
}

void PlanManager::didChanged(const std::string& to) {
    std::lock_guard guard(_mutex);
    _changed.push_back(to);
}

std::vector<std::string> PlanManager::changed() const {
    std::lock_guard guard(_mutex);
    return _changed;
}

JsonTask leafTask(std::int64_t id, std::string name, std::optional<Date> start, std::optional<Date> finish,
                  JsonTaskType type) {
    JsonTask task;
    task.id = id;
    task.type = type;
    task.name = std::move(name);
    task.start = start;
    task.finish = finish;
    task.completedPercent = id % 101;
    task.newColorIndex = id % 7;
    return task;
}

JsonProject projectOf(std::optional<std::string> name, std::vector<JsonTask> children) {
    JsonProject project;
    project.name = std::move(name);
    JsonTask root;
    root.id = 0;
    root.type = JsonTaskType::project;
    root.completedPercent = 40;
    if (!children.empty()) {
        root.start = children.front().start;
        root.finish = children.front().finish;
    }
    root.childs = std::move(children);
    project.rootTask = std::move(root);
    return project;
}

JsonProject deeplyNestedProject(std::size_t depth, Date leafStart, Date leafFinish) {
    JsonTask inner = leafTask(static_cast<std::int64_t>(depth) + 1, "deepest", leafStart, leafFinish);
    for (std::size_t level = depth; level > 0; --level) {
        JsonTask summary;
        summary.id = static_cast<std::int64_t>(level);
        summary.type = level % 2 ? JsonTaskType::project : JsonTaskType::normal;
        summary.childs.emplace();
        summary.childs->push_back(std::move(inner));
        inner = std::move(summary);
    }
    std::vector<JsonTask> children;
    children.push_back(std::move(inner));
    return projectOf("Deep", std::move(children));
}

JsonProject wideProject(std::size_t count, Date start, Date finish, std::size_t nameLength) {
    std::vector<JsonTask> children;
    children.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string name = "t" + std::to_string(i);
        if (name.size() < nameLength) name.append(nameLength - name.size(), 'x');
        children.push_back(leafTask(static_cast<std::int64_t>(i) + 1, std::move(name), start, finish));
    }
    return projectOf("Wide", std::move(children));
}

std::map<std::string, std::string> snapshotTree(const std::string& root) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (!it->is_regular_file()) continue;
        const std::string path = it->path().string();
        files[fs::relative(it->path(), root).string()] = testing::readText(path);
    }
    return files;
}

namespace {

void setModificationTime(const std::string& path, double unixTime) {
    const double whole = std::floor(unixTime);
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(whole);
    times[0].tv_nsec = static_cast<long>((unixTime - whole) * 1e9);
    times[1] = times[0];
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) throw std::runtime_error("utimensat " + path);
}

}  // namespace

void writeFileInPlace(const std::string& path, const std::string& content, double unixModificationTime) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out) throw std::runtime_error("cannot write " + path);
    }
    setModificationTime(path, unixModificationTime);
}

void replaceFile(const std::string& path, const std::string& content, double unixModificationTime) {
    const std::string temporary = path + ".saving";
    writeFileInPlace(temporary, content, unixModificationTime);
    fs::rename(temporary, path);
}

std::string encodeProfiles(const std::vector<TodayProjectProfile>& profiles) {
    std::vector<detail::JsonTodayProjectProfile> records;
    for (const auto& profile : profiles) records.emplace_back(profile);
    return detail::encodeProfileList(records).value_or("<not encodable>");
}

bool sameProfiles(const std::vector<TodayProjectProfile>& a, const std::vector<TodayProjectProfile>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.id() == y.id() && x.name == y.name && x.start == y.start && x.finish == y.finish &&
               x.sourceOrvFilePath == y.sourceOrvFilePath && x.securityScopedBookmark == y.securityScopedBookmark &&
               x.lastUpdate == y.lastUpdate && x.todayWidget == y.todayWidget;
    });
}

std::string describeTasks(const std::optional<std::vector<TaskToday>>& tasks) {
    if (!tasks) return "none";
    std::string text = "[";
    for (const auto& task : *tasks) {
        if (text.size() > 1) text += ", ";
        text += std::to_string(task.id()) + ":" + task.name();
    }
    return text + "]";
}

}  // namespace today::reliability
