// Canonical equality of identifiers and paths, file-name checks, and strict Base64: the cases a reader
// recognises; the fast-path tests compare with the plain definitions at large.
#include <gtest/gtest.h>

#include "today/outside/Base64.hpp"
#include "today/outside/Text.hpp"

namespace today::detail {
namespace {

TEST(CanonicalEqualityTest, ComposedAndDecomposedFormsAreEqualButCaseAndCompatibilityFormsDiffer) {
    EXPECT_TRUE(canonicallyEqual("/Users/zo\xC3\xAB/caf\xC3\xA9.orv", "/Users/zoe\xCC\x88/cafe\xCC\x81.orv"));
    EXPECT_TRUE(canonicallyEqual("\xE2\x84\xAA", "K"));  // KELVIN SIGN is canonically "K"
    EXPECT_FALSE(canonicallyEqual("caf\xC3\xA9", "CAF\xC3\x89"));
    EXPECT_FALSE(canonicallyEqual("\xEF\xAC\x81", "fi"));             // the ligature is only compatible, not canonical
    EXPECT_FALSE(canonicallyEqual("e\xCC\x81\xFF", "\xC3\xA9\xFF"));  // invalid UTF-8 compares bytewise
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

TEST(Base64Test, DecodingAcceptsOnlyTheCanonicalForm) {
    EXPECT_EQ(base64Encode({'f', 'o'}), "Zm8=");
    EXPECT_EQ(base64Decode("Zm8="), (Bytes{'f', 'o'}));
    for (const char* text : {"Zg", "Zg===", "Zm9v\n", "Zm9v====", "Zg==Zg=="}) EXPECT_FALSE(base64Decode(text)) << text;
}

}  // namespace
}  // namespace today::detail
