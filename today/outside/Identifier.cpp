// Random version 4 UUIDs from the host's randomness.
#include "today/outside/Identifier.hpp"

#include <array>
#include <cstdint>

#include "today/outside/Hex.hpp"
#include "today/outside/Host.hpp"

namespace today::detail {

std::string newIdentifier() {
    std::array<std::uint8_t, 16> bytes{};
    Host::current().randomBytes(bytes);
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4: random
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        appendHexByte(text, bytes[i], HexCase::upper);
    }
    return text;
}

}  // namespace today::detail
