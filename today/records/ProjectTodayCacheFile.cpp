// The cache file of a profile: reading, writing and encoding its today snapshot.
#include "today/records/ProjectTodayCacheFile.hpp"

#include <span>

#include "today/outside/Path.hpp"
#include "today/records/JsonReading.hpp"
#include "today/records/JsonWriting.hpp"

namespace today::detail {

namespace {

// Reads one member of a task record; false when its value has the wrong type. Keys that are not the
// record's are ignored; when a key occurs twice, the last occurrence wins.
bool readTaskMember(std::string_view key, simdjson::dom::element value, JsonTaskToday& task) {
    if (key == "id") return json::readInteger(value, task.id);
    if (key == "nm") return json::readString(value, task.name);
    if (key == "stt") return json::readDate(value, task.start);
    if (key == "fns") return json::readDate(value, task.finish);
    if (key == "cmp") return json::readInteger(value, task.completed);
    if (key == "clr") return json::readInteger(value, task.color);
    if (key == "mls") return json::readBool(value, task.isMilestone);
    if (key == "sp") return json::readInteger(value, task.directProjectTaskId);
    return true;
}

bool readTasks(simdjson::dom::element value, std::optional<std::vector<JsonTaskToday>>& field) {
    if (value.is_null()) {
        field.reset();
        return true;
    }
    simdjson::dom::array array;
    if (value.get_array().get(array) != simdjson::SUCCESS) {
        return false;
    }
    std::vector<JsonTaskToday> tasks;
    tasks.reserve(array.size());
    for (simdjson::dom::element element : array) {
        simdjson::dom::object object;
        if (element.get_object().get(object) != simdjson::SUCCESS) {
            return false;
        }
        JsonTaskToday& task = tasks.emplace_back();
        for (simdjson::dom::key_value_pair member : object) {
            if (!readTaskMember(member.key, member.value, task)) {
                return false;
            }
        }
    }
    field = std::move(tasks);
    return true;
}

bool readProjectMember(std::string_view key, simdjson::dom::element value, JsonProjectToday& project) {
    if (key == "nm") return json::readString(value, project.name);
    if (key == "stt") return json::readDate(value, project.start);
    if (key == "fns") return json::readDate(value, project.finish);
    if (key == "cmp") return json::readInteger(value, project.completed);
    if (key == "tsks") return readTasks(value, project.tasks);
    return true;
}

std::optional<JsonProjectToday> decodeRoot(simdjson::dom::element root) {
    simdjson::dom::object object;
    if (root.get_object().get(object) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    JsonProjectToday project;
    for (simdjson::dom::key_value_pair member : object) {
        if (!readProjectMember(member.key, member.value, project)) {
            return std::nullopt;
        }
    }
    return project;
}

void writeTask(json::JsonWriter& writer, const JsonTaskToday& task) {
    writer.beginObject();
    if (task.id) {
        writer.key("id");
        writer.integer(*task.id);
    }
    if (task.name) {
        writer.key("nm");
        writer.string(*task.name);
    }
    if (task.start) {
        writer.key("stt");
        writer.date(*task.start);
    }
    if (task.finish) {
        writer.key("fns");
        writer.date(*task.finish);
    }
    if (task.completed) {
        writer.key("cmp");
        writer.integer(*task.completed);
    }
    if (task.color) {
        writer.key("clr");
        writer.integer(*task.color);
    }
    if (task.isMilestone) {
        writer.key("mls");
        writer.boolean(*task.isMilestone);
    }
    if (task.directProjectTaskId) {
        writer.key("sp");
        writer.integer(*task.directProjectTaskId);
    }
    writer.endObject();
}

std::size_t expectedSize(const JsonProjectToday& project) {
    // Keys, numbers and punctuation of one record, beyond its name.
    constexpr std::size_t recordSize = 160;
    std::size_t size = recordSize + (project.name ? project.name->size() : 0);
    if (project.tasks) {
        for (const JsonTaskToday& task : *project.tasks) {
            size += recordSize + (task.name ? task.name->size() : 0);
        }
    }
    return size;
}

}  // namespace

std::optional<JsonProjectToday> decodeProjectToday(std::string_view json) { return json::decodeText(json, decodeRoot); }

std::optional<std::string> encodeProjectToday(const JsonProjectToday& project) {
    json::JsonWriter writer(expectedSize(project));
    writer.beginObject();
    if (project.name) {
        writer.key("nm");
        writer.string(*project.name);
    }
    if (project.start) {
        writer.key("stt");
        writer.date(*project.start);
    }
    if (project.finish) {
        writer.key("fns");
        writer.date(*project.finish);
    }
    if (project.completed) {
        writer.key("cmp");
        writer.integer(*project.completed);
    }
    if (project.tasks) {
        writer.key("tsks");
        writer.beginArray();
        for (const JsonTaskToday& task : *project.tasks) {
            writeTask(writer, task);
        }
        writer.endArray();
    }
    writer.endObject();
    if (writer.failed()) {
        return std::nullopt;
    }
    return std::move(writer.text());
}

std::optional<ProjectTodayCacheFile> ProjectTodayCacheFile::read(const std::string& path) {
    const Path file(path);
    if (!file.exists()) {
        return std::nullopt;
    }
    const std::optional<Bytes> bytes = file.read();
    if (!bytes) {
        return std::nullopt;
    }
    std::optional<JsonProjectToday> project =
        decodeProjectToday(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!project) {
        return std::nullopt;
    }
    return ProjectTodayCacheFile(std::move(*project));
}

std::optional<ProjectTodayCacheFile> ProjectTodayCacheFile::read(const std::string& path, const TaskFilter& keep) {
    const Path file(path);
    if (!file.exists()) {
        return std::nullopt;
    }
    std::optional<Bytes> bytes = file.read();
    if (!bytes) {
        return std::nullopt;
    }
    std::optional<JsonProjectToday> project = decodeProjectToday(*bytes, keep);
    if (!project) {
        return std::nullopt;
    }
    return ProjectTodayCacheFile(std::move(*project));
}

bool ProjectTodayCacheFile::save(const std::string& path) const {
    const std::optional<std::string> text = encodeProjectToday(_project);
    if (!text) {
        return false;
    }
    return Path(path).write(std::span(reinterpret_cast<const std::uint8_t*>(text->data()), text->size()));
}

}  // namespace today::detail
