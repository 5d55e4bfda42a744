// The peer the benchmarks compare against: the same reads and writes of the cache file and of
// "projects.json" done the way most C++ code does them, with nlohmann-json: the file read into a string,
// parsed into a `nlohmann::json` tree and converted to structs with `from_json`; structs converted to a
// tree with `to_json`, dumped to text and written with a `std::ofstream`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "today/records/JsonTodayProjectProfile.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::bench::peer {

struct Task {
    std::optional<std::int64_t> id;
    std::optional<std::string> name;
    std::optional<double> start;
    std::optional<double> finish;
    std::optional<std::int64_t> completed;
    std::optional<std::int64_t> color;
    std::optional<bool> isMilestone;
    std::optional<std::int64_t> directProjectTaskId;
};

struct Project {
    std::optional<std::string> name;
    std::optional<double> start;
    std::optional<double> finish;
    std::optional<std::int64_t> completed;
    std::optional<std::vector<Task>> tasks;
};

struct Profile {
    std::optional<std::string> id;
    std::optional<std::string> name;
    std::optional<double> start;
    std::optional<double> finish;
    std::optional<std::string> sourceOrvFilePath;
    std::optional<std::vector<std::uint8_t>> securityScopedBookmark;
    std::optional<double> lastUpdate;
    std::optional<bool> todayWidget;
};

// What the widget gets for one task.
struct ShownTask {
    std::int64_t id;
    std::string name;
    double start;
    double finish;
    std::int64_t completed;
    std::int64_t color;
    bool isMilestone;
    std::optional<std::int64_t> directProjectTaskId;
};

// The tasks of the cache file at `path` that are on at `at`, or none when the file cannot be read.
std::optional<std::vector<ShownTask>> tasksAt(const std::string& path, double at);

// The usable profiles of the list file at `path` (id and path present and not empty), or none.
std::optional<std::vector<Profile>> readProfiles(const std::string& path);

std::string encodeProject(const Project& project);
std::string encodeProfiles(const std::vector<Profile>& profiles);
// Replaces the file's content with the text.
bool writeFile(const std::string& path, const std::string& text);

// The same contents as the library's records, for the peer's writers.
Project fromSnapshot(const detail::JsonProjectToday& snapshot);
std::vector<Profile> fromRecords(const std::vector<detail::JsonTodayProjectProfile>& records);

}  // namespace today::bench::peer
