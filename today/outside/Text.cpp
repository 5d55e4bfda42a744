// Canonical equivalence of UTF-8 texts on utf8proc, and file-name checks.
#include "today/outside/Text.hpp"

#include <simdjson.h>
#include <utf8proc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace today::detail {

namespace {

// The normal form of the text (NFC, or NFD with `decompose`), or none when it is not valid UTF-8.
std::optional<std::string> normalised(std::string_view text, bool decompose) {
    utf8proc_uint8_t* result = nullptr;
    const auto form = decompose ? UTF8PROC_DECOMPOSE : UTF8PROC_COMPOSE;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()), static_cast<utf8proc_ssize_t>(text.size()),
                     &result, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | form));
    const std::unique_ptr<utf8proc_uint8_t, void (*)(void*)> owner(result, std::free);
    if (length < 0) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(result), static_cast<std::size_t>(length));
}

// The index of the first byte where the texts differ (the shorter one's length when one is a prefix of
// the other). Compares eight bytes at a time: long shared prefixes are the rule for paths.
std::size_t firstDifference(std::string_view a, std::string_view b) {
    const std::size_t length = a.size() < b.size() ? a.size() : b.size();
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t wordA;
        std::uint64_t wordB;
        std::memcpy(&wordA, a.data() + i, 8);
        std::memcpy(&wordB, b.data() + i, 8);
        if (wordA != wordB) break;
    }
    while (i < length && a[i] == b[i]) ++i;
    return i;
}

bool endsOrAsciiAt(std::string_view text, std::size_t i) {
    return i == text.size() || static_cast<unsigned char>(text[i]) < 0x80;
}

// True when texts that differ are certainly not canonically equivalent because they first differ at an
// ASCII character or where one of them ends. Normalisation never joins an ASCII character to what
// precedes it (it is a starter, has no decomposition and is never the second of a composition), so the
// normal forms share the normal form of the common prefix and then go on with, on each side, nothing
// or that ASCII character, possibly composed with marks after it into a character whose decomposition
// starts with it. Those cannot be the same. Texts that are not valid UTF-8 are unequal anyway.
bool differAtAscii(std::string_view a, std::string_view b) {
    const std::size_t i = firstDifference(a, b);
    return endsOrAsciiAt(a, i) && endsOrAsciiAt(b, i);
}

bool equalAfterComposing(std::string_view a, std::string_view b) {
    const auto composedA = normalised(a, false);
    if (!composedA) return false;  // invalid UTF-8 compares bytewise, and differs
    const auto composedB = normalised(b, false);
    return composedB && *composedA == *composedB;
}

}  // namespace

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) return true;
    if (differAtAscii(a, b)) return false;
    return equalAfterComposing(a, b);
}

CanonicalText::CanonicalText(std::string_view text) : _text(text), _composed(normalised(text, false)) {
    if (_composed) {
        _decomposed = normalised(text, true);
        if (_decomposed == _composed) _decomposed.reset();
    }
}

bool CanonicalText::equals(std::string_view other) const {
    if (other == _text) return true;
    if (!_composed) return false;  // not valid UTF-8: equal only byte for byte
    // The text, its composed form and its decomposed form are all canonically equivalent: unequal to
    // any of them is unequal to the text.
    if (other == *_composed) return true;
    if (differAtAscii(*_composed, other) || differAtAscii(_text, other)) return false;
    if (_decomposed) {
        if (other == *_decomposed) return true;
        if (differAtAscii(*_decomposed, other)) return false;
    }
    return equalAfterComposing(*_composed, other);
}

bool isTerminalControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 ||
           c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string terminalSafe(std::string_view text) {
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";  // U+FFFD
    const auto plain = [](char c) { return c >= 0x20 && c < 0x7F; };
    if (std::all_of(text.begin(), text.end(), plain)) return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    auto bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t character = 0;
        utf8proc_ssize_t length = utf8proc_iterate(bytes, left, &character);
        if (length <= 0) {
            out += replacement;  // not UTF-8: a lone byte of 0x80...0x9F is a C1 control to many terminals
            length = 1;
        } else if (isTerminalControl(static_cast<char32_t>(character))) {
            out += replacement;
        } else {
            out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        }
        bytes += length;
        left -= length;
    }
    return out;
}

bool isUtf8(std::string_view text) {
    // The check the list's writer makes of every string it saves.
    return simdjson::validate_utf8(text.data(), text.size());
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.size() <= 255 &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace today::detail
