// Writing a plan in the JSON plan format, depth first without recursion, for `today demo`.
#include "tools/today/plans/JsonPlanWriter.hpp"

#include <cmath>
#include <vector>

#include "tools/today/output/Format.hpp"
#include "tools/today/output/JsonWriter.hpp"

namespace today::cli {

namespace {

const char* typeName(JsonTaskType type) {
    switch (type) {
        case JsonTaskType::normal: return "normal";
        case JsonTaskType::milestone: return "milestone";
        case JsonTaskType::project: return "project";
    }
    return "normal";
}

void writeDate(JsonWriter& out, const char* key, const std::optional<Date>& date, Host& host) {
    if (!date) return;
    out.key(key);
    const double seconds = date->timeIntervalSinceReferenceDate();
    if (seconds == std::floor(seconds) && std::abs(seconds) < 1e11) {
        out.value(formatIso8601(*date, host));
    } else {
        out.value(seconds);
    }
}

// Writes the task's own fields, leaving its object open.
void writeTaskFields(JsonWriter& out, const JsonTask& task, Host& host) {
    out.beginObject();
    if (task.id) out.key("id").value(*task.id);
    if (task.type) out.key("type").value(typeName(*task.type));
    if (task.name) out.key("name").value(*task.name);
    writeDate(out, "start", task.start, host);
    writeDate(out, "finish", task.finish, host);
    if (task.completedPercent) out.key("completedPercent").value(*task.completedPercent);
    if (task.newColorIndex) out.key("colorIndex").value(*task.newColorIndex);
}

}  // namespace

std::string writeJsonPlan(const JsonProject& project, Host& host) {
    JsonWriter out;
    out.beginObject();
    if (project.name) out.key("name").value(*project.name);
    if (project.rootTask) {
        out.key("rootTask");
        // Depth first with an explicit stack: a task and the index of its next child to write.
        std::vector<std::pair<const JsonTask*, std::size_t>> stack;
        writeTaskFields(out, *project.rootTask, host);
        if (project.rootTask->childs) {
            out.key("children").beginArray();
            stack.emplace_back(&*project.rootTask, 0);
        } else {
            out.endObject();
        }
        while (!stack.empty()) {
            auto& [task, next] = stack.back();
            if (next == task->childs->size()) {
                out.endArray().endObject();
                stack.pop_back();
                continue;
            }
            const JsonTask& child = (*task->childs)[next++];
            writeTaskFields(out, child, host);
            if (child.childs) {
                out.key("children").beginArray();
                stack.emplace_back(&child, 0);
            } else {
                out.endObject();
            }
        }
    }
    out.endObject();
    return out.text();
}

}  // namespace today::cli
