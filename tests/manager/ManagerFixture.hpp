// Shared ground for the manager tests: a container and a documents folder in a temporary directory, a
// fixed clock in UTC, a host manager whose loading hook serves plan documents held in memory, and
// small builders of plan documents and profiles.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestHost.hpp"
#include "today/manager/ManagerAccess.hpp"
#include "today/manager/TodayManager.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Path.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"
#include "today/records/RecordFactory.hpp"

namespace today::testing {

// 2024-03-10T00:00:00Z, the start of the test's current day; the clock stands at 10:00 that day.
inline constexpr double testDayUnix = 1710028800.0;
inline Date dayStart() { return Date::fromUnixTime(testDayUnix); }
inline Date hoursAfterDayStart(double hours) { return Date::fromUnixTime(testDayUnix + hours * 3600.0); }
inline Date testNow() { return hoursAfterDayStart(10); }

// A manager of a host application: its loading hook serves the documents of `documents` by path.
class PlanManager : public TodayConfigable {
public:
    using TodayConfigable::TodayConfigable;

    std::optional<JsonProject> loadJsonProjectFromOrvFile(const std::string& orvFilePath) override {
        std::lock_guard guard(_mutex);
        loads.push_back(orvFilePath);
        const auto found = documents.find(orvFilePath);
        if (found == documents.end()) return std::nullopt;
        return found->second;
    }

    std::optional<BookmarkResolutionOptions> bookmarkResolutionOptions() const override { return options; }

    void didChanged(const std::string& to) override {
        {
            std::lock_guard guard(_mutex);
            changes.push_back(to);
        }
        if (onChanged) onChanged(to);
    }

    void setDocument(const std::string& path, JsonProject project) {
        std::lock_guard guard(_mutex);
        documents[path] = std::move(project);
    }
    std::vector<std::string> takeChanges() {
        std::lock_guard guard(_mutex);
        return std::exchange(changes, {});
    }
    std::vector<std::string> takeLoads() {
        std::lock_guard guard(_mutex);
        return std::exchange(loads, {});
    }

    std::map<std::string, JsonProject> documents;
    std::optional<BookmarkResolutionOptions> options = BookmarkResolutionOptions::withSecurityScope;
    std::function<void(const std::string&)> onChanged;
    std::vector<std::string> loads;
    std::vector<std::string> changes;

private:
    std::mutex _mutex;
};

// --- Plan documents.

inline JsonTask planTask(std::optional<std::int64_t> id, std::optional<Date> start, std::optional<Date> finish,
                         std::optional<JsonTaskType> type = JsonTaskType::normal,
                         std::optional<std::string> name = {}) {
    JsonTask task;
    task.id = id;
    task.type = type;
    task.name = std::move(name);
    task.start = start;
    task.finish = finish;
    return task;
}

inline JsonTask withChildren(JsonTask task, std::vector<JsonTask> children) {
    task.childs = std::move(children);
    return task;
}

inline JsonProject planProject(std::optional<std::string> name, std::optional<JsonTask> root) {
    JsonProject project;
    project.name = std::move(name);
    project.rootTask = std::move(root);
    return project;
}

// A project whose root spans the day before to the day after the test day and holds the given tasks.
inline JsonProject planWithTasks(std::optional<std::string> name, std::vector<JsonTask> tasks) {
    JsonTask root = planTask(0, hoursAfterDayStart(-24), hoursAfterDayStart(48), JsonTaskType::project, name);
    return planProject(std::move(name), withChildren(std::move(root), std::move(tasks)));
}

// --- Files.

inline void writeText(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// Sets a file's modification time to whole seconds of Unix time.
inline void setModified(const std::string& path, std::int64_t unixSeconds) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(unixSeconds), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

inline Date modifiedDate(const std::string& path) { return detail::Path(path).lastUpdateDate().value(); }

// Saves a document the way editors do: a new file written beside it and renamed over it.
inline void replaceFile(const std::string& path, const std::string& content, std::int64_t unixSeconds) {
    const std::string temporary = path + ".saving";
    writeText(temporary, content);
    setModified(temporary, unixSeconds);
    std::filesystem::rename(temporary, path);
}

// --- Profiles.

inline TodayProjectProfile makeProfile(std::string id, std::string path, Date lastUpdate = Date(0),
                                       std::optional<Bytes> bookmark = {}, std::string name = "Plan") {
    return detail::RecordFactory::profile(std::move(id), std::move(name), std::nullopt, std::nullopt, std::move(path),
                                          std::move(bookmark), lastUpdate, false);
}

inline std::vector<std::string> idsOf(const std::vector<TodayProjectProfile>& profiles) {
    std::vector<std::string> ids;
    for (const auto& profile : profiles) ids.push_back(profile.id());
    return ids;
}

// A container ("group") and a documents folder ("docs") in one temporary directory, a test host with
// the clock at 10:00 UTC on the test day.
class ManagerTest : public ::testing::Test {
protected:
    ManagerTest() {
        std::filesystem::create_directories(containerPath());
        std::filesystem::create_directories(documentsPath());
        host.setNow(testNow());
    }

    std::string containerPath() const { return root.path() + "/group"; }
    std::string documentsPath() const { return root.path() + "/docs"; }
    std::string dbPath() const { return containerPath() + "/projects.json"; }
    std::string cachePath(const std::string& id) const { return containerPath() + "/" + id + ".prj"; }
    std::string documentPath(const std::string& name) const { return documentsPath() + "/" + name; }
    GroupContainer container() const { return GroupContainer::atDirectory(Url::fileUrl(containerPath())); }

    template <class Manager = PlanManager>
    std::unique_ptr<Manager> makeManager() const {
        return std::make_unique<Manager>(container());
    }

    // Writes a plan document file with the given modification time and returns its path.
    std::string writeDocument(const std::string& name, std::int64_t modifiedUnix, const std::string& content = "plan") {
        const std::string path = documentPath(name);
        writeText(path, content);
        setModified(path, modifiedUnix);
        return path;
    }

    void writeDb(const std::string& json) const { writeText(dbPath(), json); }

    // The profiles a manager created now reads from the list file.
    std::vector<TodayProjectProfile> storedProfiles() const { return makeManager<TodayManager>()->projectProfiles(); }

    // The entries of the container directory, sorted, without the list's lock file (made by the first
    // write of the list and kept, empty, from then on).
    std::vector<std::string> containerEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(containerPath())) {
            if (entry.path().filename() != "projects.json.lock") names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TestHost host;
    ScopedHost scoped{host};
    TempDir root;
};

// The unix time, in whole seconds, at which test documents are modified: well before the test day.
inline constexpr std::int64_t documentTime = 1709900000;

}  // namespace today::testing
