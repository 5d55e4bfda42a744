// The JSON plan reader (docs/plan-format.md). Strict: unknown keys, repeated keys, wrong types and values
// out of range are errors, reported with the file, line and column of the offending text. The task tree is
// read with an explicit stack, so the depth of a plan never depends on the depth of the call stack.
#include <simdjson.h>
#include <utf8proc.h>

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/plans/PlanLoader.hpp"

namespace today::cli {

namespace {

namespace od = simdjson::ondemand;

// Containers nested deeper than this are refused (a task takes two levels: its object and "children").
constexpr std::size_t maxNesting = 10000;

// The keys of a task, in the order of the bits that record which ones a task has given.
constexpr std::array<std::string_view, 8> taskKeys = {
    "id", "type", "name", "start", "finish", "completedPercent", "colorIndex", "children"};
enum TaskKey { keyId, keyType, keyName, keyStart, keyFinish, keyCompletedPercent, keyColorIndex, keyChildren };

class JsonPlanReader {
public:
    JsonPlanReader(std::string_view text, const std::string& fileName) : _text(text), _fileName(fileName) {
        if (_text.substr(0, 3) == "\xEF\xBB\xBF") _text.remove_prefix(3);
    }

    PlanLoadResult read() {
        JsonProject project;
        if (readPlan(project)) return {std::move(project), {}};
        return {std::nullopt, std::move(_error)};
    }

private:
    // One task object being read: where its fields stand and, while its "children" are read, where the
    // array stands.
    struct Frame {
        JsonTask* task;
        od::object_iterator field;
        od::object_iterator fieldsEnd;
        unsigned seen = 0;
        bool inChildren = false;
        bool childOpen = false;
        od::array_iterator child{};
        od::array_iterator childrenEnd{};
    };

    bool readPlan(JsonProject& project) {
        if (!prescan()) return false;
        _padded = simdjson::padded_string(_text);
        if (const auto error = _parser.allocate(_padded.size(), maxNesting + 2)) return failJson(error, nullptr);
        od::document document;
        if (const auto error = _parser.iterate(_padded).get(document)) return failInput(error);
        _document = &document;

        od::json_type type;
        if (const auto error = document.type().get(type)) return failJson(error, location(document));
        if (type != od::json_type::object) return fail("a plan is a JSON object", firstToken());
        od::object root;
        if (const auto error = document.get_object().get(root)) return failJson(error, location(document));

        unsigned seen = 0;
        for (auto fieldResult : root) {
            od::field field;
            if (const auto error = std::move(fieldResult).get(field)) return failJson(error, location(document));
            const char* keyAt = field.key().raw() - 1;
            std::string_view key;
            if (const auto error = field.unescaped_key().get(key)) return failJson(error, keyAt);
            od::value value = field.value();
            const unsigned bit = key == "name" ? 1u : key == "rootTask" ? 2u : 0u;
            if (bit == 0)
                return fail(fmt::format("unknown key \"{}\" (a plan has \"name\" and \"rootTask\")", key), keyAt);
            if (seen & bit) return fail(fmt::format("\"{}\" is given twice", key), keyAt);
            seen |= bit;
            if (bit == 1) {
                if (!readString(value, "name", project.name)) return false;
            } else {
                if (!readTaskTree(value, project.rootTask)) return false;
            }
        }
        const auto trailing = document.current_location();
        if (!trailing.error()) return fail("unexpected text after the plan", trailing.value_unsafe());
        return true;
    }

    bool readTaskTree(od::value value, std::optional<JsonTask>& rootTask) {
        if (isNull(value)) {
            rootTask.reset();
            return true;
        }
        std::vector<Frame> stack;
        if (!openTask(value, &rootTask.emplace(), "rootTask", stack)) return false;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.inChildren) {
                if (frame.childOpen) {
                    ++frame.child;
                    frame.childOpen = false;
                }
                if (frame.child != frame.childrenEnd) {
                    od::value element;
                    if (const auto error = (*frame.child).get(element)) return failJson(error, nullptr);
                    JsonTask* child = &frame.task->childs->emplace_back();
                    frame.childOpen = true;
                    if (!openTask(element, child, "an element of \"children\"", stack)) return false;
                    continue;
                }
                frame.inChildren = false;
                ++frame.field;
                continue;
            }
            if (frame.field == frame.fieldsEnd) {
                stack.pop_back();
                continue;
            }
            if (!readTaskField(frame)) return false;
        }
        return true;
    }

    bool openTask(od::value value, JsonTask* task, std::string_view what, std::vector<Frame>& stack) {
        const char* at = value.raw_json_token().data();
        od::json_type type;
        if (const auto error = value.type().get(type)) return failJson(error, at);
        if (type != od::json_type::object) return fail(fmt::format("{} must be a task object", what), at);
        od::object object;
        if (const auto error = value.get_object().get(object)) return failJson(error, at);
        Frame frame{task, {}, {}};
        if (const auto error = object.begin().get(frame.field)) return failJson(error, at);
        if (const auto error = object.end().get(frame.fieldsEnd)) return failJson(error, at);
        stack.push_back(frame);
        return true;
    }

    // Reads the field the frame stands on; "children" switches the frame to its array.
    bool readTaskField(Frame& frame) {
        od::field field;
        if (const auto error = (*frame.field).get(field)) return failJson(error, nullptr);
        const char* keyAt = field.key().raw() - 1;
        std::string_view key;
        if (const auto error = field.unescaped_key().get(key)) return failJson(error, keyAt);
        std::size_t index = 0;
        while (index < taskKeys.size() && taskKeys[index] != key) ++index;
        if (index == taskKeys.size()) return fail(fmt::format("unknown key \"{}\" in a task", key), keyAt);
        if (frame.seen & (1u << index)) return fail(fmt::format("\"{}\" is given twice", key), keyAt);
        frame.seen |= 1u << index;

        od::value value = field.value();
        JsonTask& task = *frame.task;
        bool ok = true;
        switch (static_cast<TaskKey>(index)) {
            case keyId:
                ok = readInteger(value, "id", task.id, std::numeric_limits<std::int64_t>::min(),
                                 std::numeric_limits<std::int64_t>::max());
                break;
            case keyType: ok = readType(value, task.type); break;
            case keyName: ok = readString(value, "name", task.name); break;
            case keyStart: ok = readDate(value, "start", task.start); break;
            case keyFinish: ok = readDate(value, "finish", task.finish); break;
            case keyCompletedPercent: ok = readInteger(value, "completedPercent", task.completedPercent, 0, 100); break;
            case keyColorIndex:
                ok = readInteger(value, "colorIndex", task.newColorIndex, std::numeric_limits<std::int64_t>::min(),
                                 std::numeric_limits<std::int64_t>::max());
                break;
            case keyChildren: return openChildren(frame, value);
        }
        if (ok) ++frame.field;
        return ok;
    }

    bool openChildren(Frame& frame, od::value value) {
        const char* at = value.raw_json_token().data();
        if (isNull(value)) {
            ++frame.field;
            return true;
        }
        od::json_type type;
        if (const auto error = value.type().get(type)) return failJson(error, at);
        if (type != od::json_type::array) return fail("\"children\" must be an array of tasks", at);
        od::array array;
        if (const auto error = value.get_array().get(array)) return failJson(error, at);
        if (const auto error = array.begin().get(frame.child)) return failJson(error, at);
        if (const auto error = array.end().get(frame.childrenEnd)) return failJson(error, at);
        frame.task->childs.emplace();
        frame.inChildren = true;
        frame.childOpen = false;
        return true;
    }

    // --- Values

    bool isNull(od::value& value) {
        od::json_type type;
        if (value.type().get(type) || type != od::json_type::null) return false;
        bool null = false;
        return !value.is_null().get(null) && null;
    }

    // The start of reading a value that may be null: a null empties `out` and ends the read (true), a
    // parser error ends it (false); otherwise `type` is the value's JSON type and the read goes on (none).
    template <class T>
    std::optional<bool> nullOrType(od::value& value, const char* at, std::optional<T>& out, od::json_type& type) {
        if (isNull(value)) {
            out.reset();
            return true;
        }
        if (const auto error = value.type().get(type)) return failJson(error, at);
        return std::nullopt;
    }

    bool readString(od::value& value, std::string_view key, std::optional<std::string>& out) {
        const char* at = value.raw_json_token().data();
        od::json_type type;
        if (const auto done = nullOrType(value, at, out, type)) return *done;
        if (type != od::json_type::string) return fail(fmt::format("\"{}\" must be a string", key), at);
        std::string_view text;
        if (const auto error = value.get_string().get(text)) return failJson(error, at);
        out.emplace(text);
        return true;
    }

    bool readInteger(od::value& value, std::string_view key, std::optional<std::int64_t>& out, std::int64_t min,
                     std::int64_t max) {
        const char* at = value.raw_json_token().data();
        od::json_type type;
        if (const auto done = nullOrType(value, at, out, type)) return *done;
        const auto wrong = [&] {
            return fail(min == 0 && max == 100 ? fmt::format("\"{}\" must be a whole number from 0 to 100", key)
                                               : fmt::format("\"{}\" must be a whole number", key),
                        at);
        };
        if (type != od::json_type::number) return wrong();
        od::number_type numberType;
        if (const auto error = value.get_number_type().get(numberType)) return failJson(error, at);
        if (numberType == od::number_type::floating_point_number) return wrong();
        if (numberType == od::number_type::unsigned_integer) {
            return fail(fmt::format("\"{}\" is too large", key), at);
        }
        std::int64_t number = 0;
        if (const auto error = value.get_int64().get(number)) return failJson(error, at);
        if (number < min || number > max) return wrong();
        out = number;
        return true;
    }

    bool readType(od::value& value, std::optional<JsonTaskType>& out) {
        const char* at = value.raw_json_token().data();
        std::optional<std::string> text;
        if (!readString(value, "type", text)) return false;
        if (!text) {
            out.reset();
        } else if (*text == "normal") {
            out = JsonTaskType::normal;
        } else if (*text == "milestone") {
            out = JsonTaskType::milestone;
        } else if (*text == "project") {
            out = JsonTaskType::project;
        } else {
            return fail(fmt::format("unknown task type \"{}\" (use \"normal\", \"milestone\" or \"project\")", *text),
                        at);
        }
        return true;
    }

    bool readDate(od::value& value, std::string_view key, std::optional<Date>& out) {
        const char* at = value.raw_json_token().data();
        od::json_type type;
        if (const auto done = nullOrType(value, at, out, type)) return *done;
        if (type == od::json_type::number) {
            double seconds = 0;
            if (const auto error = value.get_double().get(seconds)) return failJson(error, at);
            if (!(std::fabs(seconds) <= largestDateSeconds)) {
                return fail(fmt::format("\"{}\" lies too far from 2001: at most {:g} seconds either way", key,
                                        largestDateSeconds),
                            at);
            }
            out = Date(seconds);
            return true;
        }
        const auto wrong = [&] {
            return fail(fmt::format("\"{}\" must be a date and time with an offset, as in "
                                    "\"2025-06-02T09:00:00+02:00\", or seconds since 2001-01-01T00:00:00Z",
                                    key),
                        at);
        };
        if (type != od::json_type::string) return wrong();
        std::string_view text;
        if (const auto error = value.get_string().get(text)) return failJson(error, at);
        const auto iso = parseIso8601(text);
        if (!iso || !iso->hasTime || !iso->offsetSeconds) return wrong();
        out = absoluteDate(*iso);
        return true;
    }

    // --- Errors

    // Checks what the JSON parser reports without a position (or at the start of the document): nesting
    // depth, unterminated strings, control characters in strings, and text after the plan.
    bool prescan() {
        std::size_t depth = 0;
        bool inString = false;
        std::size_t stringStart = 0;
        std::size_t planEnd = 0;  // after the bracket that closes the first value
        for (std::size_t i = 0; i < _text.size(); ++i) {
            const auto c = static_cast<unsigned char>(_text[i]);
            if (inString) {
                if (c == '\\') ++i;
                else if (c == '"') inString = false;
                else if (c < 0x20)
                    return fail("control character inside a string (write it as an escape such as \\n)", i);
            } else if (c == '"') {
                inString = true;
                stringStart = i;
            } else if (c == '{' || c == '[') {
                if (++depth > maxNesting) return fail(fmt::format("nested deeper than {} levels", maxNesting), i);
            } else if ((c == '}' || c == ']') && depth > 0) {
                if (--depth == 0 && planEnd == 0) planEnd = i + 1;
            }
        }
        if (inString) return fail("string is not closed", stringStart);
        if (planEnd != 0) {
            const auto after = _text.find_first_not_of(" \t\r\n", planEnd);
            if (after != std::string_view::npos) return fail("unexpected text after the plan", after);
        }
        return true;
    }

    bool failInput(simdjson::error_code error) {
        if (error == simdjson::EMPTY) return fail("the file holds no JSON", nullptr);
        if (error == simdjson::UTF8_ERROR) {
            auto bytes = reinterpret_cast<const utf8proc_uint8_t*>(_text.data());
            std::size_t offset = 0;
            while (offset < _text.size()) {
                utf8proc_int32_t codepoint = 0;
                const auto length =
                    utf8proc_iterate(bytes + offset, static_cast<utf8proc_ssize_t>(_text.size() - offset), &codepoint);
                if (length <= 0) return fail("text that is not UTF-8", offset);
                offset += static_cast<std::size_t>(length);
            }
        }
        return failJson(error, nullptr);
    }

    bool failJson(simdjson::error_code error, const char* at) {
        // Without a token of its own, an error lies where the parser stopped.
        if (at == nullptr && _document != nullptr) at = location(*_document);
        return fail(fmt::format("not valid JSON: {}", simdjson::error_message(error)), at);
    }

    const char* location(od::document& document) {
        const auto at = document.current_location();
        return at.error() ? nullptr : at.value_unsafe();
    }

    const char* firstToken() const {
        std::size_t i = 0;
        while (i < _text.size() && (_text[i] == ' ' || _text[i] == '\t' || _text[i] == '\n' || _text[i] == '\r')) ++i;
        return _padded.data() + i;
    }

    bool fail(std::string message, const char* at) {
        if (at != nullptr && at >= _padded.data() && at <= _padded.data() + _text.size()) {
            return fail(std::move(message), static_cast<std::size_t>(at - _padded.data()));
        }
        _error = fmt::format("{}: {}", _fileName, message);
        return false;
    }

    bool fail(std::string message, std::size_t offset) {
        std::size_t line = 1;
        std::size_t column = 1;
        for (std::size_t i = 0; i < offset && i < _text.size(); ++i) {
            const auto c = static_cast<unsigned char>(_text[i]);
            if (c == '\n') {
                ++line;
                column = 1;
            } else if ((c & 0xC0) != 0x80) {
                ++column;  // columns count characters, not bytes
            }
        }
        _error = fmt::format("{}:{}:{}: {}", _fileName, line, column, message);
        return false;
    }

    std::string_view _text;
    const std::string& _fileName;
    simdjson::padded_string _padded;
    od::parser _parser;
    od::document* _document = nullptr;
    std::string _error;
};

}  // namespace

PlanLoadResult parseJsonPlan(std::string_view text, const std::string& fileName) {
    return JsonPlanReader(text, fileName).read();
}

}  // namespace today::cli
