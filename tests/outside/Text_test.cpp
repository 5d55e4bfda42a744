// Canonical equality of identifiers and paths, and strict Base64: the fast paths against the plain
// definitions at large (normalising both texts with utf8proc and comparing; libsodium's strict Base64).
#include <gtest/gtest.h>
#include <sodium.h>
#include <utf8proc.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "today/outside/Base64.hpp"
#include "today/outside/Text.hpp"

namespace today::detail {
namespace {

std::optional<std::string> composedByDefinition(std::string_view text) {
    utf8proc_uint8_t* result = nullptr;
    const auto length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()), static_cast<utf8proc_ssize_t>(text.size()),
                     &result, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    const std::unique_ptr<utf8proc_uint8_t, void (*)(void*)> owner(result, std::free);
    if (length < 0) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(result), static_cast<std::size_t>(length));
}

bool equalByDefinition(std::string_view a, std::string_view b) {
    if (a == b) return true;
    const auto composedA = composedByDefinition(a);
    const auto composedB = composedByDefinition(b);
    return composedA && composedB && *composedA == *composedB;
}

// Pieces that normalisation joins, splits or reorders, with ASCII around them and broken UTF-8.
constexpr std::array<std::string_view, 24> pieces = {
    "a",
    "e",
    "K",
    "/",
    "0",
    "1",
    " ",
    "\xC3\xA9",      // é
    "e\xCC\x81",     // e + COMBINING ACUTE
    "\xCC\x81",      // COMBINING ACUTE alone
    "\xCC\xA3",      // COMBINING DOT BELOW (reorders before the acute)
    "\xC3\xAB",      // ë
    "\xE2\x84\xAA",  // KELVIN SIGN, canonically "K"
    "\xE2\x84\xAB",  // ANGSTROM SIGN
    "\xEF\xAC\x81",  // the ligature "fi", only compatible with "fi"
    "f",
    "\xC3\x85",                              // Å
    "A\xCC\x8A",                             // A + COMBINING RING
    "\xED\x95\x9C",                          // 한
    "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB",  // the same syllable as jamo
    "\xE1\x85\xA1",                          // a lone vowel jamo
    "\xFF",                                  // never UTF-8
    "\xC3",                                  // a cut sequence
    std::string_view("\0", 1)};

std::string randomText(std::mt19937& random, int maxPieces) {
    std::uniform_int_distribution<int> count(0, maxPieces);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::string text;
    for (int i = count(random); i > 0; --i) text += pieces[piece(random)];
    return text;
}

TEST(CanonicalEqualityFastPathTest, AgreesWithNormalisingBothTexts) {
    std::mt19937 random(20250610);
    int equivalentButDifferent = 0;
    for (int round = 0; round < 100000; ++round) {
        // A shared prefix makes differences late in the texts, as with paths in one folder.
        const std::string prefix = randomText(random, 3);
        const std::string a = prefix + randomText(random, 3);
        const std::string b = prefix + randomText(random, 3);
        const bool expected = equalByDefinition(a, b);
        ASSERT_EQ(canonicallyEqual(a, b), expected) << a << " | " << b;
        ASSERT_EQ(CanonicalText(a).equals(b), expected) << a << " | " << b;
        ASSERT_EQ(CanonicalText(b).equals(a), expected) << a << " | " << b;
        if (expected && a != b) ++equivalentButDifferent;
    }
    EXPECT_GT(equivalentButDifferent, 100);  // the generator does reach the interesting cases
}

std::optional<Bytes> decodedByLibsodium(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    if (text.empty()) return Bytes{};
    Bytes bytes(text.size() / 4 * 3);
    std::size_t length = 0;
    if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0) {
        return std::nullopt;
    }
    bytes.resize(length);
    return bytes;
}

TEST(Base64FastPathTest, DecodingAgreesWithLibsodiumOnEveryShortText) {
    // Characters of every kind: alphabet letters whose low bits are zero or not, the two symbols,
    // padding, and characters outside the alphabet.
    constexpr std::string_view characters("AQgwZhB9+/=-_ \n\0", 16);
    std::string text(4, ' ');
    for (const char a : characters)
        for (const char b : characters)
            for (const char c : characters)
                for (const char d : characters) {
                    text = {a, b, c, d};
                    ASSERT_EQ(base64Decode(text), decodedByLibsodium(text)) << text;
                    const std::string twoGroups = "QUJD" + text;
                    ASSERT_EQ(base64Decode(twoGroups), decodedByLibsodium(twoGroups)) << twoGroups;
                    const std::string paddedFirst = text + "QUJD";
                    ASSERT_EQ(base64Decode(paddedFirst), decodedByLibsodium(paddedFirst)) << paddedFirst;
                }
}

TEST(Base64FastPathTest, EncodingAgreesWithLibsodium) {
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 200; ++length) {
        Bytes bytes(length);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
        std::string expected(sodium_base64_ENCODED_LEN(length, sodium_base64_VARIANT_ORIGINAL), '\0');
        sodium_bin2base64(expected.data(), expected.size(), bytes.data(), bytes.size(), sodium_base64_VARIANT_ORIGINAL);
        expected.pop_back();
        ASSERT_EQ(base64Encode(bytes), expected);
        ASSERT_EQ(base64Decode(expected), bytes);
    }
}

}  // namespace
}  // namespace today::detail
