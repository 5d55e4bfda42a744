// A small streaming JSON writer for the command's output (`--json`) and for plan documents it writes:
// indented text, strings escaped (terminal controls as \u escapes), invalid UTF-8 replaced, numbers in their shortest
// exact form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace today::cli {

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);

    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(std::int64_t number);
    JsonWriter& value(double number);  // a finite number
    JsonWriter& value(bool flag);
    JsonWriter& null();

    // The text written so far, ending in a newline once the outermost value is complete.
    const std::string& text() const { return _text; }

private:
    void beforeValue();
    void newline();
    JsonWriter& close(char bracket);

    std::string _text;
    std::vector<bool> _hasMembers;  // one entry per open object or array
    bool _afterKey = false;
};

// The text as a JSON string literal, quotes included.
std::string jsonQuoted(std::string_view text);

}  // namespace today::cli
