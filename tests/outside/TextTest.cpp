// Canonical equality of identifiers and paths, file-name checks, and strict Base64.
#include <gtest/gtest.h>

#include "today/outside/Base64.hpp"
#include "today/outside/Text.hpp"

namespace today::detail {
namespace {

TEST(CanonicalEqualityTest, ComposedAndDecomposedFormsAreEqual) {
    EXPECT_TRUE(canonicallyEqual("/Users/zo\xC3\xAB/caf\xC3\xA9.orv", "/Users/zoe\xCC\x88/cafe\xCC\x81.orv"));
    EXPECT_TRUE(canonicallyEqual("\xE2\x84\xAA", "K"));  // KELVIN SIGN is canonically "K"
    EXPECT_TRUE(canonicallyEqual("\xE2\x84\xAB", "\xC3\x85"));  // ANGSTROM SIGN and Å
    EXPECT_TRUE(canonicallyEqual("", ""));
}

TEST(CanonicalEqualityTest, CaseAndSpacingAndCompatibilityFormsDiffer) {
    EXPECT_FALSE(canonicallyEqual("/tmp/Plan.orv", "/tmp/plan.orv"));
    EXPECT_FALSE(canonicallyEqual("caf\xC3\xA9", "CAF\xC3\x89"));
    EXPECT_FALSE(canonicallyEqual("id", "id "));
    EXPECT_FALSE(canonicallyEqual("", "a"));
    EXPECT_FALSE(canonicallyEqual("\xEF\xAC\x81", "fi"));  // the ligature is only compatible, not canonical
}

TEST(CanonicalEqualityTest, InvalidUtf8ComparesBytewise) {
    EXPECT_TRUE(canonicallyEqual("\xFF\xFE", "\xFF\xFE"));
    EXPECT_FALSE(canonicallyEqual("e\xCC\x81\xFF", "\xC3\xA9\xFF"));
    EXPECT_FALSE(canonicallyEqual("\xC3", "\xC3\xA9"));
    EXPECT_TRUE(canonicallyEqual(std::string_view("a\0\xC3\xA9", 4), std::string_view("a\0e\xCC\x81", 5)));
}

TEST(PlainFileNameTest, OnlySingleComponents) {
    EXPECT_TRUE(isPlainFileName("1B4E28BA-2FA1-4D3B-A3F5-EF19B5A7633B"));
    EXPECT_TRUE(isPlainFileName("..."));
    EXPECT_TRUE(isPlainFileName(std::string(255, 'a')));
    for (const std::string_view name : {std::string_view(""), std::string_view("."), std::string_view(".."),
                                        std::string_view("a/b"), std::string_view("a\0b", 3)}) {
        EXPECT_FALSE(isPlainFileName(name)) << name;
    }
    EXPECT_FALSE(isPlainFileName(std::string(256, 'a')));
}

TEST(Base64Test, EncodesPaddedStandardAlphabet) {
    EXPECT_EQ(base64Encode({}), "");
    EXPECT_EQ(base64Encode({'f'}), "Zg==");
    EXPECT_EQ(base64Encode({'f', 'o'}), "Zm8=");
    EXPECT_EQ(base64Encode({'f', 'o', 'o'}), "Zm9v");
    EXPECT_EQ(base64Encode({0xFB, 0xFF, 0xBF}), "+/+/");
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    for (std::size_t length = 0; length <= all.size(); length += 37) {
        const Bytes bytes(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(length));
        const std::string text = base64Encode(bytes);
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_EQ(base64Decode(text), bytes) << text;
    }
}

TEST(Base64Test, DecodingAcceptsOnlyTheCanonicalForm) {
    EXPECT_EQ(base64Decode(""), Bytes{});
    EXPECT_EQ(base64Decode("Zm8="), (Bytes{'f', 'o'}));
    for (const char* text : {"Zg", "Zg=", "Zm8", "Zh==", "Zm9=", "Zg===", "====", "Z===", "Zm9v\n", " Zm9v",
                             "Zm9v ", "Zm 9v", "Zg==Zg==", "Zm-v", "Zm_v", "Zm9v====", "=Zm9", "Z=g="}) {
        EXPECT_FALSE(base64Decode(text)) << text;
    }
    EXPECT_FALSE(base64Decode(std::string_view("Zm9\0", 4)));
}

}  // namespace
}  // namespace today::detail
