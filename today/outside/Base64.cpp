// Standard padded Base64 on libsodium. Decoding takes only the canonical form: whole groups of four
// characters, the padding that the length requires, zero bits in the unused part of the last group,
// and no other characters (no white space, no line breaks).
#include "today/outside/Base64.hpp"

#include <sodium.h>

namespace today::detail {

std::string base64Encode(const Bytes& bytes) {
    constexpr int variant = sodium_base64_VARIANT_ORIGINAL;
    std::string text(sodium_base64_ENCODED_LEN(bytes.size(), variant), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), variant);
    text.resize(text.size() - 1);  // the terminating NUL
    return text;
}

std::optional<Bytes> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    if (text.empty()) return Bytes{};  // libsodium takes no null buffer
    Bytes bytes(text.size() / 4 * 3);
    std::size_t length = 0;
    // No ignored characters, and no end pointer: anything but canonical Base64 is an error.
    if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0) {
        return std::nullopt;
    }
    bytes.resize(length);
    return bytes;
}

}  // namespace today::detail
