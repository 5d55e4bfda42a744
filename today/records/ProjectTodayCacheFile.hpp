// The project's today cache file ("<id>.prj"): a compact JSON snapshot of a plan document that holds
// what the widget needs, with the file's short keys ("nm", "stt", "fns", "cmp", "tsks", ...).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "today/outside/Bytes.hpp"
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

// Decodes a cache file's text; none when it is not UTF-8 JSON, the root is not an object, or a value has
// the wrong type for its key (integers must be written without fraction or exponent and fit in 64 bits).
// Null counts as absent, unknown keys are ignored, and of a key given twice the last one counts.
// The library reads with the streaming reading below; this whole-document reading is kept as the
// reference that tests and fuzz targets hold the streaming one to.
std::optional<JsonProjectToday> decodeProjectToday(std::string_view json);
// Decides, while a cache file is read, whether a task record is kept; it sees every field but the name.
using TaskFilter = std::function<bool(const JsonTaskToday&)>;
// The same reading with only the task records that `keep` accepts, in order, in one streaming pass that
// never builds the others: none exactly when the reading above is none. The bytes are padded for the
// parser (within their capacity when it has the room) and given back unchanged.
std::optional<JsonProjectToday> decodeProjectToday(Bytes& text, const TaskFilter& keep);
// Encodes the snapshot compactly; absent fields are left out, a present empty task list is written as
// []. None when a date is not finite or a string is not valid UTF-8.
std::optional<std::string> encodeProjectToday(const JsonProjectToday& project);

class ProjectTodayCacheFile {
public:
    explicit ProjectTodayCacheFile(JsonProjectToday project) : _project(std::move(project)) {}
    // The snapshot read from the file at `path`, or none when it is missing, unreadable or malformed.
    // Through the reference reading above; the library itself reads with a filter (below).
    static std::optional<ProjectTodayCacheFile> read(const std::string& path);
    // The same, holding only the task records that `keep` accepts: what the widget's question needs,
    // with memory for little more than the file.
    static std::optional<ProjectTodayCacheFile> read(const std::string& path, const TaskFilter& keep);

    const JsonProjectToday& project() const { return _project; }
    // Writes the snapshot to `path`, replacing the file atomically; false when it could not be encoded
    // (then no file is touched) or written.
    bool save(const std::string& path) const;

private:
    JsonProjectToday _project;
};

}  // namespace today::detail
