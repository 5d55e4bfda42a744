// Reading a cache file's snapshot with only some of its task records, in one pass of simdjson's
// On-Demand parser: the records that are not kept are checked but never built, and no document tree is
// made, so reading a large file takes little more memory than the file itself. The text is checked
// exactly as strictly as the whole-snapshot reading does with the DOM parser: every value of the text
// is visited (unknown keys' values too), numbers, atoms and string escapes are checked where they stand,
// containers may nest at most as deep as the DOM parser allows, and nothing may follow the root.
#include <functional>
#include <utility>

#include "today/records/JsonReading.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::detail {

namespace {

namespace od = simdjson::ondemand;

// The readers below are inlined into the loops: On-Demand values are small iterators that, passed to a
// function of their own, go through memory on every one of the file's hundreds of thousands of values.

// The DOM parser takes containers nested this deep (the root is the first level) and refuses deeper ones.
constexpr std::size_t maximumDepth = simdjson::DEFAULT_MAX_DEPTH;

// The text of a string value. A string without escapes is taken from the file's text as it stands
// (the parser has checked its UTF-8 and control characters); one with escapes is decoded, which checks
// them.
[[gnu::always_inline]] inline bool readStringText(od::value value, std::string_view& text) {
    const std::string_view token = value.raw_json_token();
    if (token.size() < 2 || token.front() != '"') return false;
    // The token runs to the next structural character, so it holds the closing quote.
    const char* start = token.data() + 1;
    const char* end = start;
    while (*end != '"' && *end != '\\') ++end;
    if (*end == '"') {
        text = std::string_view(start, static_cast<std::size_t>(end - start));
        od::raw_json_string raw;  // taking it moves the parser past the string, without decoding
        return value.get_raw_json_string().get(raw) == simdjson::SUCCESS;
    }
    return value.get_string().get(text) == simdjson::SUCCESS;
}

// A member's key, decoded only when it has escapes (so "n\u006d" is the key "nm", as for the DOM).
[[gnu::always_inline]] inline bool readKey(od::field& field, std::string_view& key) {
    const char* raw = field.key().raw();
    const char* end = raw;
    while (*end != '"' && *end != '\\') ++end;
    if (*end == '"') {
        key = std::string_view(raw, static_cast<std::size_t>(end - raw));
        return true;
    }
    return field.unescaped_key().get(key) == simdjson::SUCCESS;
}

[[gnu::always_inline]] inline bool isNull(od::value value) {
    bool null = false;
    return value.is_null().get(null) == simdjson::SUCCESS && null;
}

[[gnu::always_inline]] inline bool valueType(od::value value, od::json_type& type) {
    return value.type().get(type) == simdjson::SUCCESS;
}

// Checks a value that no field takes, and everything inside it. `depth` is the nesting of the value's
// container.
bool skipValue(od::value value, std::size_t depth) {
    od::json_type type;
    if (!valueType(value, type)) return false;
    switch (type) {
        case od::json_type::object: {
            if (depth + 1 > maximumDepth) return false;
            od::object object;
            if (value.get_object().get(object) != simdjson::SUCCESS) return false;
            for (auto entry : object) {
                if (entry.error() != simdjson::SUCCESS) return false;
                od::field&& field = std::move(entry).value_unsafe();
                std::string_view key;
                if (!readKey(field, key) || !skipValue(field.value(), depth + 1)) return false;
            }
            return true;
        }
        case od::json_type::array: {
            if (depth + 1 > maximumDepth) return false;
            od::array array;
            if (value.get_array().get(array) != simdjson::SUCCESS) return false;
            for (auto entry : array) {
                if (entry.error() != simdjson::SUCCESS || !skipValue(std::move(entry).value_unsafe(), depth + 1)) {
                    return false;
                }
            }
            return true;
        }
        case od::json_type::number: {
            od::number number;
            return value.get_number().get(number) == simdjson::SUCCESS;
        }
        case od::json_type::string: {
            std::string_view text;
            return readStringText(value, text);
        }
        case od::json_type::boolean: {
            bool flag = false;
            return value.get_bool().get(flag) == simdjson::SUCCESS;
        }
        case od::json_type::null: return isNull(value);
    }
    return false;
}

// The readers of one value each, with the rules of JsonReading.hpp: one JSON type is accepted, null
// clears the field, anything else fails.

[[gnu::always_inline]] inline bool readString(od::value value, std::optional<std::string_view>& field) {
    od::json_type type;
    if (!valueType(value, type)) return false;
    if (type == od::json_type::string) {
        std::string_view text;
        if (!readStringText(value, text)) return false;
        field = text;
        return true;
    }
    if (type == od::json_type::null && isNull(value)) {
        field.reset();
        return true;
    }
    return false;
}

[[gnu::always_inline]] inline bool readBool(od::value value, std::optional<bool>& field) {
    od::json_type type;
    if (!valueType(value, type)) return false;
    if (type == od::json_type::boolean) {
        bool flag = false;
        if (value.get_bool().get(flag) != simdjson::SUCCESS) return false;
        field = flag;
        return true;
    }
    if (type == od::json_type::null && isNull(value)) {
        field.reset();
        return true;
    }
    return false;
}

// Integers are read as such only when they fit in 64 signed bits; "1.0", "1e2" and 2^63 are refused, as
// by the DOM reading. The On-Demand parser parses a number only when it is asked for it as one type.
[[gnu::always_inline]] inline bool readInteger(od::value value, std::optional<std::int64_t>& field) {
    od::json_type type;
    if (!valueType(value, type)) return false;
    if (type == od::json_type::null) {
        if (!isNull(value)) return false;
        field.reset();
        return true;
    }
    std::int64_t integer = 0;
    if (type != od::json_type::number || value.get_int64().get(integer) != simdjson::SUCCESS) return false;
    field = integer;
    return true;
}

// Dates are any JSON number, parsed by the very number parser of the DOM reading, so the same texts are
// taken: an integer that fits in 64 bits, signed or not, or a number with a fraction or an exponent (an
// integer with more digits is refused, although it would make a double).
[[gnu::always_inline]] inline bool readDate(od::value value, std::optional<Date>& field) {
    od::json_type type;
    if (!valueType(value, type)) return false;
    if (type == od::json_type::null) {
        if (!isNull(value)) return false;
        field.reset();
        return true;
    }
    // Read as a double whatever its form: the number classification of this simdjson reads a number of
    // twenty significant digits or more as 0, where the whole-file reading takes its value.
    double seconds;
    if (type != od::json_type::number || value.get_double().get(seconds) != simdjson::SUCCESS) return false;
    field = Date(seconds);
    return true;
}

// One task record as read, its name still in the file's text (or the parser's buffer).
struct TaskFields {
    JsonTaskToday record;
    std::optional<std::string_view> name;
};

// Depths: the root object is 1, the task list 2, a task record 3.
constexpr std::size_t taskDepth = 3;

[[gnu::always_inline]] inline bool readTaskMember(std::string_view key, od::value value, TaskFields& task) {
    // Decided by length first: a hundred thousand records have eight members each.
    if (key.size() == 2) {
        if (key == "id") return readInteger(value, task.record.id);
        if (key == "nm") return readString(value, task.name);
        if (key == "sp") return readInteger(value, task.record.directProjectTaskId);
    } else if (key.size() == 3) {
        if (key == "stt") return readDate(value, task.record.start);
        if (key == "fns") return readDate(value, task.record.finish);
        if (key == "cmp") return readInteger(value, task.record.completed);
        if (key == "clr") return readInteger(value, task.record.color);
        if (key == "mls") return readBool(value, task.record.isMilestone);
    }
    return skipValue(value, taskDepth);
}

bool readTasks(od::value value, const TaskFilter& keep, std::optional<std::vector<JsonTaskToday>>& field) {
    od::json_type type;
    if (!valueType(value, type)) return false;
    if (type == od::json_type::null) {
        if (!isNull(value)) return false;
        field.reset();
        return true;
    }
    od::array array;
    if (type != od::json_type::array || value.get_array().get(array) != simdjson::SUCCESS) return false;
    std::vector<JsonTaskToday> tasks;
    for (auto entry : array) {
        if (entry.error() != simdjson::SUCCESS) return false;
        od::value&& element = std::move(entry).value_unsafe();
        od::json_type elementType;
        if (!valueType(element, elementType) || elementType != od::json_type::object) return false;
        od::object object;
        if (element.get_object().get(object) != simdjson::SUCCESS) return false;
        TaskFields task;
        // The members are used where the iterator holds them: copying On-Demand fields costs more than
        // reading their values.
        for (auto member : object) {
            if (member.error() != simdjson::SUCCESS) return false;
            od::field&& fieldOfTask = std::move(member).value_unsafe();
            std::string_view key;
            if (!readKey(fieldOfTask, key) || !readTaskMember(key, fieldOfTask.value(), task)) return false;
        }
        if (!keep(task.record)) continue;
        if (task.name) task.record.name.emplace(*task.name);
        tasks.push_back(std::move(task.record));
    }
    field = std::move(tasks);
    return true;
}

bool readProjectMember(std::string_view key, od::value value, const TaskFilter& keep, JsonProjectToday& project,
                       std::optional<std::string_view>& name) {
    if (key == "nm") return readString(value, name);
    if (key == "stt") return readDate(value, project.start);
    if (key == "fns") return readDate(value, project.finish);
    if (key == "cmp") return readInteger(value, project.completed);
    if (key == "tsks") return readTasks(value, keep, project.tasks);
    return skipValue(value, 1);
}

}  // namespace

std::optional<JsonProjectToday> decodeProjectToday(Bytes& text, const TaskFilter& keep) {
    // The parser reads up to its padding past the text; the bytes usually have the room already.
    const std::size_t size = text.size();
    text.resize(size + simdjson::SIMDJSON_PADDING);
    const simdjson::padded_string_view json(reinterpret_cast<const char*>(text.data()), size, text.size());
    od::parser& parser = json::threadOnDemandParser();
    std::optional<JsonProjectToday> result;
    [&] {
        od::document document;
        od::object root;
        if (parser.iterate(json).get(document) != simdjson::SUCCESS ||
            document.get_object().get(root) != simdjson::SUCCESS) {
            return;
        }
        JsonProjectToday project;
        std::optional<std::string_view> name;
        for (auto entry : root) {
            if (entry.error() != simdjson::SUCCESS) return;
            od::field&& field = std::move(entry).value_unsafe();
            std::string_view key;
            if (!readKey(field, key) || !readProjectMember(key, field.value(), keep, project, name)) return;
        }
        // Nothing but white space may follow the root: after the root's last member the document
        // stands just past its closing brace, which must be where the text's last token ends.
        std::string_view whole;
        if (document.raw_json().get(whole) != simdjson::SUCCESS ||
            whole.data() + whole.size() != json.data() + json.size()) {
            return;
        }
        if (name) project.name.emplace(*name);
        result = std::move(project);
    }();
    json::releaseLargeBuffers(parser);
    text.resize(size);
    return result;
}

}  // namespace today::detail
