// Standard padded Base64. Decoding takes only the canonical form: whole groups of four characters, the
// padding that the length requires, zero bits in the unused part of the last group, and no other
// characters (no white space, no line breaks). Table-driven: bookmarks are decoded for every profile
// each time a manager reads "projects.json", and encoded for every profile on each stored change.
#include "today/outside/Base64.hpp"

#include <array>

namespace today::detail {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t notInAlphabet = 0xFF;

constexpr std::array<std::uint8_t, 256> sextets = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(notInAlphabet);
    for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(alphabet[i])] = i;
    return table;
}();

std::uint8_t sextet(char c) { return sextets[static_cast<unsigned char>(c)]; }

// For whole groups: the sextet of a character already moved to its place in the group's 24 bits, or a
// bit above them for a character outside the alphabet, so that one OR of four lookups decodes a group.
constexpr std::uint32_t invalidGroup = 1u << 24;

constexpr std::array<std::uint32_t, 256> placedSextets(int shift) {
    std::array<std::uint32_t, 256> table{};
    for (std::size_t c = 0; c < 256; ++c) {
        table[c] = sextets[c] == notInAlphabet ? invalidGroup : std::uint32_t{sextets[c]} << shift;
    }
    return table;
}

constexpr std::array<std::array<std::uint32_t, 256>, 4> groupTables = {placedSextets(18), placedSextets(12),
                                                                       placedSextets(6), placedSextets(0)};

}  // namespace

std::string base64Encode(const Bytes& bytes) {
    std::string text;
    appendBase64(text, bytes);
    return text;
}

void appendBase64(std::string& text, const Bytes& bytes) {
    const std::size_t start = text.size();
    text.resize(start + (bytes.size() + 2) / 3 * 4, '=');
    char* out = text.data() + start;
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        *out++ = alphabet[group >> 18];
        *out++ = alphabet[(group >> 12) & 63];
        *out++ = alphabet[(group >> 6) & 63];
        *out++ = alphabet[group & 63];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        const std::uint32_t group =
            (std::uint32_t{bytes[i]} << 16) | (left == 2 ? std::uint32_t{bytes[i + 1]} << 8 : 0);
        *out++ = alphabet[group >> 18];
        *out++ = alphabet[(group >> 12) & 63];
        if (left == 2) *out = alphabet[(group >> 6) & 63];
    }
}

std::optional<Bytes> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    if (text.empty()) return Bytes{};
    // The last group may end in "==" (one byte) or "=" (two bytes); every other character is a sextet.
    const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with('=') ? 1 : 0;
    Bytes bytes(text.size() / 4 * 3 - padding);
    std::uint8_t* out = bytes.data();
    const std::size_t fullGroups = text.size() / 4 - (padding ? 1 : 0);
    const char* in = text.data();
    for (std::size_t group = 0; group < fullGroups; ++group, in += 4) {
        const auto at = [&](int i) { return static_cast<unsigned char>(in[i]); };
        const std::uint32_t value =
            groupTables[0][at(0)] | groupTables[1][at(1)] | groupTables[2][at(2)] | groupTables[3][at(3)];
        if (value & invalidGroup) return std::nullopt;  // a character outside the alphabet
        *out++ = static_cast<std::uint8_t>(value >> 16);
        *out++ = static_cast<std::uint8_t>(value >> 8);
        *out++ = static_cast<std::uint8_t>(value);
    }
    if (padding == 2) {
        const std::uint8_t a = sextet(in[0]), b = sextet(in[1]);
        // The unused four low bits of the second character must be zero.
        if (((a | b) & 0xC0) || (b & 0x0F)) return std::nullopt;
        *out = static_cast<std::uint8_t>((a << 2) | (b >> 4));
    } else if (padding == 1) {
        const std::uint8_t a = sextet(in[0]), b = sextet(in[1]), c = sextet(in[2]);
        // The unused two low bits of the third character must be zero.
        if (((a | b | c) & 0xC0) || (c & 0x03)) return std::nullopt;
        const std::uint32_t value = (std::uint32_t{a} << 18) | (std::uint32_t{b} << 12) | (std::uint32_t{c} << 6);
        *out++ = static_cast<std::uint8_t>(value >> 16);
        *out = static_cast<std::uint8_t>(value >> 8);
    }
    return bytes;
}

}  // namespace today::detail
