// Compact JSON text for the library's files: keys in the order they are written, dates as the shortest
// text that reads back the same double, strings escaped. A value that JSON cannot carry (a date that is
// not finite, a string that is not valid UTF-8) marks the whole text as failed instead of writing a
// file that would not read back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "today/outside/Bytes.hpp"
#include "today/outside/Date.hpp"

namespace today::detail::json {

class JsonWriter {
public:
    explicit JsonWriter(std::size_t expectedSize) { _text.reserve(expectedSize); }

    void beginObject() { separate('{'); }
    void endObject() { _text.push_back('}'); }
    void beginArray() { separate('['); }
    void endArray() { _text.push_back(']'); }
    // Starts a member: the separator, the key (plain ASCII, written as is) and the colon.
    void key(std::string_view name);

    void string(std::string_view value);
    // Bytes as a string of standard padded Base64.
    void base64(const Bytes& bytes);
    void date(Date value);
    void integer(std::int64_t value);
    void boolean(bool value) { _text.append(value ? "true" : "false"); }

    bool failed() const { return _failed; }
    std::string& text() { return _text; }

private:
    // Writes a comma when the value is not the first of its array, then `opening`.
    void separate(char opening);

    std::string _text;
    bool _failed = false;
};

}  // namespace today::detail::json
