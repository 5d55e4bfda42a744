// Reading and writing "projects.json": the stored profile record, its conversions, the strict file
// format, and the writer's fast paths (profiles written straight, strings escaped a word at a time, bytes
// read in place), each compared with the plain way.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <simdjson.h>

#include <limits>
#include <random>

#include "support/TestHost.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"
#include "today/records/JsonWriting.hpp"
#include "today/records/RecordFactory.hpp"

namespace today::detail {
namespace {

TodayProjectProfile makeProfile(std::string id, std::string name, std::optional<Date> start, std::optional<Date> finish,
                                std::string path, std::optional<Bytes> bookmark, Date lastUpdate, bool todayWidget) {
    return RecordFactory::profile(std::move(id), std::move(name), start, finish, std::move(path), std::move(bookmark),
                                  lastUpdate, todayWidget);
}

std::optional<std::vector<TodayProjectProfile>> readProfiles(std::string_view text) {
    auto records = decodeProfileList(text);
    if (!records) return std::nullopt;
    std::vector<TodayProjectProfile> profiles;
    for (const auto& record : *records) {
        if (auto profile = record.todayProjectProfile()) profiles.push_back(std::move(*profile));
    }
    return profiles;
}

std::optional<std::string> viaRecords(const std::vector<TodayProjectProfile>& profiles) {
    return encodeProfileList(std::vector<JsonTodayProjectProfile>(profiles.begin(), profiles.end()));
}

std::vector<TodayProjectProfile> sampleProfiles() {
    return {makeProfile("A-1", "Plan \"one\"\\\n", Date(-86400.25), Date(0), "/home/zo\xC3\xAB/Plan one.orv",
                        Bytes{0x00, 0xff, 0x10, 0x80, 0x7f}, Date(700000000.123456), true),
            makeProfile("B-2", "", std::nullopt, std::nullopt, "/p", std::nullopt, Date(1e-300), false),
            makeProfile("C-3", "Ünïcødé ✓ \U0001F600", Date(1e16), std::nullopt, "/tmp/a\\b/c", Bytes{}, Date(-1e300),
                        true)};
}

TEST(ProfileListFile, ProfilesAreWrittenInKeyOrderAndReadBackWhole) {
    EXPECT_EQ(
        viaRecords({makeProfile("i", "n", Date(1.5), Date(-2), "/p", Bytes{'a', 'b', 'c', 'd'}, Date(3.25), true),
                    makeProfile("ID", "Name", std::nullopt, std::nullopt, "/a/b.orv", std::nullopt, Date(12), false)}),
        R"([{"id":"i","name":"n","start":1.5,"finish":-2,"sourceOrvFilePath":"/p",)"
        R"("securityScopedBookmark":"YWJjZA==","lastUpdate":3.25,"todayWidget":true},)"
        R"({"id":"ID","name":"Name","sourceOrvFilePath":"/a/b.orv","lastUpdate":12,"todayWidget":false}])");
    EXPECT_EQ(encodeProfileList({}), "[]");

    // Dates as the shortest text that reads back the same: equal texts, equal profiles.
    const std::string text = viaRecords(sampleProfiles()).value();
    EXPECT_EQ(viaRecords(readProfiles(text).value()), text);
    for (const double value : {-0.5, 0.1, 1.0 / 3.0, 724291200.987654321, 1e22, std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::denorm_min()}) {
        const auto read = readProfiles(
            viaRecords({makeProfile("id", "n", Date(value), Date(-value), "/p", std::nullopt, Date(value), false)})
                .value());
        ASSERT_EQ(read.value().size(), 1u);
        EXPECT_EQ(read->front().start->timeIntervalSinceReferenceDate(), value);
        EXPECT_EQ(read->front().finish->timeIntervalSinceReferenceDate(), -value);
    }
}

TEST(ProfileListFile, WritingProfilesStraightGivesTheTextOfTheirRecords) {
    EXPECT_EQ(encodeProfiles(sampleProfiles()), viaRecords(sampleProfiles()));
    auto unwritable = sampleProfiles();
    unwritable[1].name = "bad \xFF";
    EXPECT_FALSE(encodeProfiles(unwritable));
    EXPECT_FALSE(viaRecords(unwritable));
    unwritable = sampleProfiles();
    unwritable[0].lastUpdate = Date(std::numeric_limits<double>::infinity());
    EXPECT_FALSE(encodeProfiles(unwritable));
    EXPECT_FALSE(viaRecords(unwritable));
}

TEST(ProfileListFile, MissingNullUnknownAndRepeatedKeys) {
    testing::TestHost host;
    ScopedHost scoped(host);
    host.setTimeZone("JST-9");
    // 2021-06-14T20:00:00Z is 05:00 on 2021-06-15 in Tokyo; its day started at 2021-06-14T15:00:00Z.
    host.setNow(Date::fromUnixTime(1623700800));
    const auto read = readProfiles(
        R"([{"sourceOrvFilePath":"\/p.orv","id":"x"},{"id":"y","name":null,"start":null,"finish":null,)"
        R"("sourceOrvFilePath":"/p","securityScopedBookmark":null,"lastUpdate":null,"todayWidget":null}])");
    ASSERT_EQ(read.value().size(), 2u);
    EXPECT_EQ(read->front().sourceOrvFilePath, "/p.orv");
    for (const TodayProjectProfile& profile : *read) {
        EXPECT_EQ(profile.name, "Untitiled");
        EXPECT_FALSE(profile.start || profile.finish || profile.securityScopedBookmark || profile.todayWidget);
        EXPECT_EQ(profile.lastUpdate, Date::fromUnixTime(1623682800));
    }

    const auto repeated =
        readProfiles(R"([{"extra":{"nested":[1,"x",null]},"id":"i","ID":7,"sourceOrvFilePath":"/p","lastUpdate":2,)"
                     R"("todayWidget":false,"Name":true,"id":"j","name":"n","name":null,"start":-7,"finish":1E3}])");
    EXPECT_EQ(viaRecords(repeated.value()), R"([{"id":"j","name":"Untitiled","start":-7,"finish":1000,)"
                                            R"("sourceOrvFilePath":"/p","lastUpdate":2,"todayWidget":false}])");
}

TEST(ProfileListFile, AnyFaultRejectsTheWholeFileReadFromTextOrInPlace) {
    const std::string texts[] = {
        R"({"id":"i","sourceOrvFilePath":"/p"})",      // root is not an array
        R"([{"id":"i","sourceOrvFilePath":"/p"},1])",  // element is not an object
        R"([{"id":"i","sourceOrvFilePath":"/p"},{"id":"j","sourceOrvFilePath":"/q","todayWidget":"true"}])",
        R"([{"id":"i","sourceOrvFilePath":"/p","todayWidget":1}])",
        R"([{"id":"i","sourceOrvFilePath":"/p","lastUpdate":"12"}])",
        R"([{"id":1,"sourceOrvFilePath":"/p"}])",
        R"([{"id":"i","sourceOrvFilePath":"/p","securityScopedBookmark":"YWJjZA"}])",    // unpadded
        R"([{"id":"i","sourceOrvFilePath":"/p","securityScopedBookmark":"YWJjZA-_"}])",  // URL alphabet
        R"([{"id":"i","sourceOrvFilePath":"/p","lastUpdate":1e400}])",                   // beyond a double
        R"([{"id":"i","sourceOrvFilePath":"/p"}] x)",                                    // trailing text
        "[{\"id\":\"i\",\"sourceOrvFilePath\":\"/p\xff\"}]",                             // not UTF-8
        "",
    };
    for (const std::string& text : texts) {
        Bytes bytes(text.begin(), text.end());
        EXPECT_FALSE(decodeProfileList(text)) << text;
        EXPECT_FALSE(decodeProfileList(bytes)) << text;
    }
    const std::string good = *encodeProfiles(sampleProfiles());
    Bytes bytes(good.begin(), good.end());
    const auto inPlace = decodeProfileList(bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), good);
    ASSERT_TRUE(inPlace);
    EXPECT_EQ(encodeProfileList(*inPlace), good);
}

// A string written byte by byte, as JSON wants it: the reference for the writer's word-at-a-time scan.
std::optional<std::string> writtenByDefinition(std::string_view text) {
    if (!simdjson::validate_utf8(text.data(), text.size())) return std::nullopt;
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') out += '\\';
        out += c < 0x20 ? fmt::format("\\u{:04x}", c) : std::string(1, ch);
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
