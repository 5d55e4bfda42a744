// The streaming JSON writer of the command's JSON output and of plan documents, and its string escaper.
#include "tools/today/output/JsonWriter.hpp"

#include <fmt/format.h>
#include <utf8proc.h>

#include "today/outside/Text.hpp"

namespace today::cli {

void appendEscaped(std::string& out, std::string_view text, bool json) {
    auto bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t codepoint = 0;
        const utf8proc_ssize_t length = utf8proc_iterate(bytes, left, &codepoint);
        if (length <= 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte that is not UTF-8
            bytes += 1;
            left -= 1;
            continue;
        }
        switch (codepoint) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '"': out += json ? "\\\"" : "\""; break;
            case '\b': out += json ? "\\b" : "\\u0008"; break;
            case '\f': out += json ? "\\f" : "\\u000c"; break;
            default:
                // Terminal controls are escaped too, so that the text reads the same and cannot act on a
                // terminal that shows the output.
                if (today::detail::isTerminalControl(static_cast<char32_t>(codepoint)))
                    out += fmt::format("\\u{:04x}", codepoint);
                else out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        }
        bytes += length;
        left -= length;
    }
}

std::string jsonQuoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    appendEscaped(out, text, true);
    out += '"';
    return out;
}

void JsonWriter::newline() {
    if (_compact) return;
    _text += '\n';
    _text.append(2 * _hasMembers.size(), ' ');
}

void JsonWriter::beforeValue() {
    if (_afterKey) {
        _afterKey = false;
        return;
    }
    if (!_hasMembers.empty()) {
        if (_hasMembers.back()) _text += ',';
        _hasMembers.back() = true;
        newline();
    }
}

JsonWriter& JsonWriter::beginObject() {
    beforeValue();
    _text += '{';
    _hasMembers.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    beforeValue();
    _text += '[';
    _hasMembers.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::close(char bracket) {
    const bool hadMembers = _hasMembers.back();
    _hasMembers.pop_back();
    if (hadMembers) newline();
    _text += bracket;
    if (_hasMembers.empty()) _text += '\n';
    return *this;
}

JsonWriter& JsonWriter::endObject() { return close('}'); }
JsonWriter& JsonWriter::endArray() { return close(']'); }

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    _text += jsonQuoted(name);
    _text += _compact ? ":" : ": ";
    _afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
    beforeValue();
    _text += jsonQuoted(text);
    return *this;
}

JsonWriter& JsonWriter::value(std::int64_t number) {
    beforeValue();
    _text += fmt::format("{}", number);
    return *this;
}

JsonWriter& JsonWriter::value(double number) {
    beforeValue();
    _text += fmt::format("{}", number);
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    beforeValue();
    _text += flag ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    _text += "null";
    return *this;
}

}  // namespace today::cli
