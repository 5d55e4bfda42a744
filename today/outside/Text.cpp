// Canonical equivalence of UTF-8 texts on utf8proc, and file-name checks.
#include "today/outside/Text.hpp"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace today::detail {

namespace {

bool isAscii(std::string_view text) {
    for (const char ch : text) {
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    }
    return true;
}

// The NFC form of the text, or none when it is not valid UTF-8.
std::optional<std::string> composed(std::string_view text) {
    utf8proc_uint8_t* result = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()), static_cast<utf8proc_ssize_t>(text.size()),
                     &result, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    const std::unique_ptr<utf8proc_uint8_t, void (*)(void*)> owner(result, std::free);
    if (length < 0) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(result), static_cast<std::size_t>(length));
}

}  // namespace

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) return true;
    // ASCII is its own normal form; a non-ASCII text may still compose to ASCII (KELVIN SIGN is "K").
    if (isAscii(a) && isAscii(b)) return false;
    const auto composedA = composed(a);
    const auto composedB = composed(b);
    if (!composedA || !composedB) return false;  // invalid UTF-8 compares bytewise, and differs
    return *composedA == *composedB;
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.size() <= 255 &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace today::detail
