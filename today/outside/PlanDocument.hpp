// The plan-document types a host's loading hook returns: a project and its task tree. The library only
// reads them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "today/export.hpp"
#include "today/outside/Date.hpp"

namespace today {

enum class JsonTaskType { normal, milestone, project };

struct TODAY_API JsonTask {
    std::optional<std::int64_t> id;
    std::optional<JsonTaskType> type;
    std::optional<std::string> name;
    std::optional<Date> start;
    std::optional<Date> finish;
    std::optional<std::int64_t> completedPercent;
    std::optional<std::int64_t> newColorIndex;
    std::optional<std::vector<JsonTask>> childs;  // document order; absent or empty for a leaf

    // Copying and tearing down walk the tree without recursion, so a tree of any depth cannot
    // exhaust the stack.
    JsonTask() = default;
    JsonTask(const JsonTask& other);
    JsonTask(JsonTask&&) noexcept = default;
    JsonTask& operator=(const JsonTask& other);
    JsonTask& operator=(JsonTask&& other) noexcept;
    ~JsonTask();
};

struct JsonProject {
    std::optional<std::string> name;
    std::optional<JsonTask> rootTask;
};

}  // namespace today
