// Hexadecimal digits of bytes, for identifiers, percent-escapes and file names.
#pragma once

#include <cstdint>
#include <string>

namespace today::detail {

enum class HexCase { lower, upper };

// Appends the two hexadecimal digits of `byte`, high digit first.
inline void appendHexByte(std::string& text, std::uint8_t byte, HexCase letters) {
    static constexpr char lower[] = "0123456789abcdef";
    static constexpr char upper[] = "0123456789ABCDEF";
    const char* digits = letters == HexCase::upper ? upper : lower;
    text += digits[byte >> 4];
    text += digits[byte & 0xF];
}

}  // namespace today::detail
