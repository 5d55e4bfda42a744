// Reading and writing "projects.json": the stored profile record, its conversions, and the strict file
// format.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/TestHost.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"
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
    if (!records) {
        return std::nullopt;
    }
    std::vector<TodayProjectProfile> profiles;
    for (const auto& record : *records) {
        if (auto profile = record.todayProjectProfile()) {
            profiles.push_back(std::move(*profile));
        }
    }
    return profiles;
}

std::string writeProfiles(const std::vector<TodayProjectProfile>& profiles) {
    std::vector<JsonTodayProjectProfile> records(profiles.begin(), profiles.end());
    auto text = encodeProfileList(records);
    EXPECT_TRUE(text.has_value());
    return text.value_or("");
}

TEST(ProfileListFile, RoundTripKeepsEveryFieldAndTheOrder) {
    const std::vector<TodayProjectProfile> written{
        makeProfile("A-1", "Plan \"one\"", Date(-86400.25), Date(0), "/home/u/Plan one.orv",
                    Bytes{0x00, 0xff, 0x10, 0x80, 0x7f}, Date(700000000.123456), true),
        makeProfile("B-2", "", std::nullopt, std::nullopt, "/p", std::nullopt, Date(1e-300), false),
        makeProfile("C-3", "Ünïcødé ✓ \U0001F600", Date(1e16), std::nullopt, "/tmp/a\\b/c", Bytes{}, Date(-1e300),
                    true),
    };
    // Every field is written and dates as the shortest text that reads back the same: equal texts, equal
    // profiles.
    const std::string text = writeProfiles(written);
    const auto read = readProfiles(text);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(writeProfiles(*read), text);
}

TEST(ProfileListFile, DatesReadBackAsTheSameDouble) {
    const double seconds[] = {0.0,
                              -0.5,
                              0.1,
                              1.0 / 3.0,
                              724291200.987654321,
                              -978307200.0,
                              1e15,
                              1e16,
                              1e22,
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::denorm_min(),
                              -std::numeric_limits<double>::max()};
    for (double value : seconds) {
        const auto read = readProfiles(
            writeProfiles({makeProfile("id", "n", Date(value), Date(-value), "/p", std::nullopt, Date(value), false)}));
        ASSERT_TRUE(read.has_value()) << value;
        ASSERT_EQ(read->size(), 1u);
        EXPECT_EQ(read->front().start->timeIntervalSinceReferenceDate(), value);
        EXPECT_EQ(read->front().finish->timeIntervalSinceReferenceDate(), -value);
        EXPECT_EQ(read->front().lastUpdate.timeIntervalSinceReferenceDate(), value);
    }
}

TEST(ProfileListFile, ProfilesAreWrittenInKeyOrder) {
    EXPECT_EQ(writeProfiles(
                  {makeProfile("ID", "Name", std::nullopt, std::nullopt, "/a/b.orv", std::nullopt, Date(12), false)}),
              R"([{"id":"ID","name":"Name","sourceOrvFilePath":"/a/b.orv","lastUpdate":12,"todayWidget":false}])");
    EXPECT_EQ(
        writeProfiles({makeProfile("i", "n", Date(1.5), Date(-2), "/p", Bytes{'a', 'b', 'c', 'd'}, Date(3.25), true)}),
        R"([{"id":"i","name":"n","start":1.5,"finish":-2,"sourceOrvFilePath":"/p",)"
        R"("securityScopedBookmark":"YWJjZA==","lastUpdate":3.25,"todayWidget":true}])");
    EXPECT_EQ(encodeProfileList({}), "[]");
    EXPECT_EQ(encodeProfileList({JsonTodayProjectProfile{}, JsonTodayProjectProfile{}}), "[{},{}]");
}

TEST(ProfileListFile, StringsAreEscapedAndReadBack) {
    const std::string name = std::string("q\"b\\s/t\tn\nnul") + '\0' + "\x1f\x7f é";
    const auto text =
        writeProfiles({makeProfile("i", name, std::nullopt, std::nullopt, "/p", std::nullopt, Date(0), false)});
    EXPECT_NE(text.find(R"("name":"q\"b\\s/t\u0009n\u000anul\u0000\u001f)"), std::string::npos) << text;
    const auto read = readProfiles(text);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), 1u);
    EXPECT_EQ(read->front().name, name);

    const auto escapedSolidus = readProfiles(R"([{"id":"i","sourceOrvFilePath":"\/home\/u\/a.orv"}])");
    ASSERT_TRUE(escapedSolidus.has_value());
    ASSERT_EQ(escapedSolidus->size(), 1u);
    EXPECT_EQ(escapedSolidus->front().sourceOrvFilePath, "/home/u/a.orv");
}

TEST(ProfileListFile, ValuesJsonCannotCarryFailTheEncoding) {
    JsonTodayProjectProfile record(
        makeProfile("i", "n", std::nullopt, std::nullopt, "/p", std::nullopt, Date(0), false));
    record.start = Date(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(encodeProfileList({record}).has_value());
    record.start.reset();
    record.name = "bad \xff\xfe";
    EXPECT_FALSE(encodeProfileList({record}).has_value());
}

TEST(ProfileListFile, MissingOrNullFieldsTakeTheirDefaults) {
    testing::TestHost host;
    ScopedHost scoped(host);
    testing::ScopedTimeZone zone("JST-9");
    // 2021-06-14T20:00:00Z is 05:00 on 2021-06-15 in Tokyo; its day started at 2021-06-14T15:00:00Z.
    host.setNow(Date::fromUnixTime(1623700800));

    const auto read = readProfiles(
        R"([{"sourceOrvFilePath":"/p.orv","id":"x"},{"id":"y","name":null,"start":null,"finish":null,)"
        R"("sourceOrvFilePath":"/p","securityScopedBookmark":null,"lastUpdate":null,"todayWidget":null}])");
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), 2u);
    for (const TodayProjectProfile& profile : *read) {
        EXPECT_EQ(profile.name, "Untitiled");
        EXPECT_FALSE(profile.start || profile.finish || profile.securityScopedBookmark || profile.todayWidget);
        EXPECT_EQ(profile.lastUpdate, Date::fromUnixTime(1623682800));
    }
    EXPECT_TRUE(decodeProfileList(" \n[ ]\t").has_value());
}

TEST(ProfileListFile, UnknownKeysAreIgnoredAndNotWrittenAgainAndTheLastDuplicateWins) {
    const auto read =
        readProfiles(R"([{"extra":{"nested":[1,"x",null]},"id":"i","ID":7,"sourceOrvFilePath":"/p","lastUpdate":2,)"
                     R"("todayWidget":false,"Name":true,"id":"j","name":"n","name":null}])");
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), 1u);
    EXPECT_EQ(writeProfiles(*read),
              R"([{"id":"j","name":"Untitiled","sourceOrvFilePath":"/p","lastUpdate":2,"todayWidget":false}])");
}

TEST(ProfileListFile, IntegerDatesAreAccepted) {
    const auto read = readProfiles(
        R"([{"id":"i","sourceOrvFilePath":"/p","start":-7,"finish":18446744073709551615,"lastUpdate":1E3}])");
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), 1u);
    EXPECT_EQ(read->front().start, Date(-7));
    EXPECT_EQ(read->front().finish, Date(18446744073709551615.0));
    EXPECT_EQ(read->front().lastUpdate, Date(1000));
}

TEST(ProfileListFile, AnyFaultRejectsTheWholeFile) {
    const char* const texts[] = {
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
    for (const char* text : texts) {
        EXPECT_FALSE(decodeProfileList(text).has_value()) << text;
    }
}

}  // namespace
}  // namespace today::detail
