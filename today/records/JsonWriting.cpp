// Writing the stored JSON values: escaped strings and dates as the shortest text that reads back the same.
#include "today/records/JsonWriting.hpp"

#include <fmt/compile.h>
#include <fmt/format.h>
#include <simdjson.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "today/outside/Base64.hpp"

namespace today::detail::json {

namespace {

bool needsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

// What a string needs before it is written: escapes, and a UTF-8 check when it is not plain ASCII.
// Looked at eight bytes at a time, since names and paths are mostly written as they stand.
struct TextScan {
    bool needsEscape = false;
    bool isAscii = true;
};

TextScan scanText(std::string_view text) {
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t highBits = 0x8080808080808080;
    // Nonzero exactly when some byte of `word` is below `bound` (for bytes below 0x80).
    const auto anyBelow = [](std::uint64_t word, std::uint64_t bound) { return (word - ones * bound) & ~word; };
    std::uint64_t escapes = 0;
    std::uint64_t high = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        high |= word;
        escapes |= anyBelow(word, 0x20) | anyBelow(word ^ (ones * '"'), 1) | anyBelow(word ^ (ones * '\\'), 1);
    }
    TextScan scan{(escapes & highBits) != 0, (high & highBits) == 0};
    for (; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        scan.needsEscape = scan.needsEscape || needsEscape(c);
        scan.isAscii = scan.isAscii && c < 0x80;
    }
    return scan;
}

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
    const TextScan scan = scanText(value);
    if (!scan.isAscii && !simdjson::validate_utf8(value.data(), value.size())) {
        _failed = true;
        return;
    }
    _text.push_back('"');
    if (!scan.needsEscape) {
        _text.append(value);
        _text.push_back('"');
        return;
    }
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

void JsonWriter::base64(const Bytes& bytes) {
    _text.push_back('"');
    appendBase64(_text, bytes);
    _text.push_back('"');
}

void JsonWriter::date(Date value) {
    const double seconds = value.timeIntervalSinceReferenceDate();
    if (!std::isfinite(seconds)) {
        _failed = true;
        return;
    }
    // fmt prints the shortest text that reads back the same double ("12", "0.5", "1e+20"), all of
    // which are JSON numbers. The format is compiled, and the digits go to a small buffer first.
    char digits[32];  // the longest is "-2.2250738585072014e-308", 24 characters
    const char* end = fmt::format_to(digits, FMT_COMPILE("{}"), seconds);
    _text.append(digits, static_cast<std::size_t>(end - digits));
}

void JsonWriter::integer(std::int64_t value) {
    const fmt::format_int digits(value);
    _text.append(digits.data(), digits.size());
}

}  // namespace today::detail::json
