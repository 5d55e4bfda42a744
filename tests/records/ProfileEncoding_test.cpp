// Writing the profile list straight from the profiles gives the very text of writing their stored
// records, and reading the file's bytes in place gives the records of reading its text.
#include <gtest/gtest.h>

#include <limits>

#include <fmt/format.h>
#include <simdjson.h>

#include <random>

#include "today/records/JsonTodayProjectProfile.hpp"
#include "today/records/JsonWriting.hpp"
#include "today/records/RecordFactory.hpp"

namespace today::detail {
namespace {

std::vector<TodayProjectProfile> sampleProfiles() {
    return {RecordFactory::profile("A", "Plan", std::nullopt, std::nullopt, "/p/a.orv", std::nullopt, Date(0), false),
            RecordFactory::profile("B-\xC3\xA9", "Pl\"an\\\n", Date(-1.5), Date(1e9 + 0.125), "/Users/zo\xC3\xAB/b.orv",
                                   Bytes{0, 1, 2, 0xFF}, Date(12.75), true),
            RecordFactory::profile("", "", Date(3), std::nullopt, "", Bytes{}, Date(4), true)};
}

std::optional<std::string> viaRecords(const std::vector<TodayProjectProfile>& profiles) {
    std::vector<JsonTodayProjectProfile> records;
    for (const auto& profile : profiles) records.emplace_back(profile);
    return encodeProfileList(records);
}

TEST(ProfileEncodingTest, ProfilesAreWrittenAsTheirRecords) {
    const auto profiles = sampleProfiles();
    EXPECT_EQ(encodeProfiles(profiles), viaRecords(profiles));
    EXPECT_EQ(encodeProfiles({}), viaRecords({}));

    auto unwritable = sampleProfiles();
    unwritable[1].name = "bad \xFF";
    EXPECT_FALSE(encodeProfiles(unwritable).has_value());
    EXPECT_FALSE(viaRecords(unwritable).has_value());
    unwritable = sampleProfiles();
    unwritable[0].lastUpdate = Date(std::numeric_limits<double>::infinity());
    EXPECT_FALSE(encodeProfiles(unwritable).has_value());
}

TEST(ProfileEncodingTest, BytesAreReadInPlaceAsTheText) {
    const std::string text = *encodeProfiles(sampleProfiles());
    for (const std::string& candidate : {text, text + " x", std::string("[{\"id\":1}]"), std::string()}) {
        Bytes bytes(candidate.begin(), candidate.end());
        const auto inPlace = decodeProfileList(bytes);
        const auto fromText = decodeProfileList(std::string_view(candidate));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), candidate);
        ASSERT_EQ(inPlace.has_value(), fromText.has_value()) << candidate;
        if (!inPlace) continue;
        ASSERT_EQ(inPlace->size(), fromText->size());
        for (std::size_t i = 0; i < inPlace->size(); ++i) {
            EXPECT_EQ((*inPlace)[i].id, (*fromText)[i].id);
            EXPECT_EQ((*inPlace)[i].securityScopedBookmark, (*fromText)[i].securityScopedBookmark);
            EXPECT_EQ((*inPlace)[i].lastUpdate, (*fromText)[i].lastUpdate);
        }
    }
}

// A string written byte by byte, as JSON wants it: the reference for the writer's word-at-a-time scan.
std::optional<std::string> writtenByDefinition(std::string_view text) {
    if (!simdjson::validate_utf8(text.data(), text.size())) return std::nullopt;
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            out += fmt::format("\\u{:04x}", c);
        } else {
            out += ch;
        }
    }
    return out + '"';
}

TEST(JsonWriterTest, StringsAreEscapedAndCheckedAsByDefinition) {
    std::mt19937 random(3);
    constexpr std::string_view pieces[] = {"a",
                                           "Z",
                                           "/",
                                           " ",
                                           "\"",
                                           "\\",
                                           "\n",
                                           "\x1F",
                                           "\x7F",
                                           "\xC3\xA9",
                                           "\xE2\x82\xAC",
                                           "\xFF",
                                           "\xC3",
                                           std::string_view("\0", 1)};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 24); i > 0; --i) {
            // Mostly plain letters, so that whole eight-byte words without escapes occur too.
            text += random() % 3 ? pieces[random() % 2] : pieces[random() % std::size(pieces)];
        }
        json::JsonWriter writer(0);
        writer.string(text);
        const auto expected = writtenByDefinition(text);
        ASSERT_EQ(!writer.failed(), expected.has_value()) << text;
        if (expected) {
            ASSERT_EQ(writer.text(), *expected) << text;
        }
    }
}

}  // namespace
}  // namespace today::detail
