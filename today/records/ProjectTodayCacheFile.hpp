// The project's today cache file ("<id>.prj"): a compact JSON snapshot of a plan document that holds
// what the widget needs, with the file's short keys ("nm", "stt", "fns", "cmp", "tsks", ...).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "today/outside/Date.hpp"

namespace today::detail {

struct JsonTaskToday {
    std::optional<std::int64_t> id;                   // "id"
    std::optional<std::string> name;                  // "nm"
    std::optional<Date> start;                        // "stt"
    std::optional<Date> finish;                       // "fns"
    std::optional<std::int64_t> completed;            // "cmp"
    std::optional<std::int64_t> color;                // "clr"
    std::optional<bool> isMilestone;                  // "mls"
    std::optional<std::int64_t> directProjectTaskId;  // "sp"
};

struct JsonProjectToday {
    std::optional<std::string> name;                  // "nm"
    std::optional<Date> start;                        // "stt"
    std::optional<Date> finish;                       // "fns"
    std::optional<std::int64_t> completed;            // "cmp"
    std::optional<std::vector<JsonTaskToday>> tasks;  // "tsks"
};

std::optional<JsonProjectToday> decodeProjectToday(std::string_view json);
std::string encodeProjectToday(const JsonProjectToday& project);

class ProjectTodayCacheFile {
public:
    explicit ProjectTodayCacheFile(JsonProjectToday project) : _project(std::move(project)) {}
    // The snapshot read from the file at `path`, or none when it is missing, unreadable or malformed.
    static std::optional<ProjectTodayCacheFile> read(const std::string& path);

    const JsonProjectToday& project() const { return _project; }
    // Writes the snapshot to `path`, replacing the file; false when it could not be written.
    bool save(const std::string& path) const;

private:
    JsonProjectToday _project;
};

}  // namespace today::detail
