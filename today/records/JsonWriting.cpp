#include "today/records/JsonWriting.hpp"

#include <fmt/format.h>
#include <simdjson.h>

#include <cmath>
#include <iterator>

namespace today::detail::json {

namespace {

bool needsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

}  // namespace

void JsonWriter::separate(char opening) {
    if (!_text.empty() && _text.back() != '[' && _text.back() != ':') {
        _text.push_back(',');
    }
    _text.push_back(opening);
}

void JsonWriter::key(std::string_view name) {
    if (_text.back() != '{') {
        _text.push_back(',');
    }
    _text.push_back('"');
    _text.append(name);
    _text.append("\":");
}

void JsonWriter::string(std::string_view value) {
    if (!simdjson::validate_utf8(value.data(), value.size())) {
        _failed = true;
        return;
    }
    _text.push_back('"');
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (!needsEscape(c)) {
            continue;
        }
        _text.append(value.substr(runStart, i - runStart));
        if (c == '"' || c == '\\') {
            _text.push_back('\\');
            _text.push_back(static_cast<char>(c));
        } else {
            fmt::format_to(std::back_inserter(_text), "\\u{:04x}", c);
        }
        runStart = i + 1;
    }
    _text.append(value.substr(runStart));
    _text.push_back('"');
}

void JsonWriter::date(Date value) {
    const double seconds = value.timeIntervalSinceReferenceDate();
    if (!std::isfinite(seconds)) {
        _failed = true;
        return;
    }
    // fmt prints the shortest text that reads back the same double ("12", "0.5", "1e+20"), all of
    // which are JSON numbers.
    fmt::format_to(std::back_inserter(_text), "{}", seconds);
}

void JsonWriter::integer(std::int64_t value) { fmt::format_to(std::back_inserter(_text), "{}", value); }

}  // namespace today::detail::json
