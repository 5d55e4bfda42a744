// A small streaming JSON writer for the command's output (`--format json`) and for plan documents it writes:
// indented or compact text, strings escaped (terminal controls as \u escapes), invalid UTF-8 replaced, numbers in their
// shortest exact form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace today::cli {

class JsonWriter {
public:
    enum class Layout { indented, compact };
    explicit JsonWriter(Layout layout = Layout::indented) : _compact(layout == Layout::compact) {}

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
    // Forgets the text written, to write the next value (a line of JSON Lines) afresh.
    void clear() { _text.clear(); }

private:
    void beforeValue();
    void newline();
    JsonWriter& close(char bracket);

    std::string _text;
    std::vector<bool> _hasMembers;  // one entry per open object or array
    bool _afterKey = false;
    bool _compact;
};

// The text as a JSON string literal, quotes included.
std::string jsonQuoted(std::string_view text);
// Appends the text with backslash escapes: \\, \n, \r, \t and \uXXXX for every other terminal control;
// with `json` also \" and JSON's short forms. Bytes that are not UTF-8 become U+FFFD. Both the JSON
// writer and the TSV rows use it.
void appendEscaped(std::string& out, std::string_view text, bool json);

}  // namespace today::cli
