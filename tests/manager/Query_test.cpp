// The profile queries: the whole list, and one profile by document URL, by path or by id.
#include "manager/ManagerFixture.hpp"

namespace today::testing {
namespace {

using QueryTest = ManagerTest;

// "café" composed (NFC) and decomposed (NFD).
const std::string composed = "caf\xC3\xA9";
const std::string decomposed = "cafe\xCC\x81";

TEST_F(QueryTest, TheEarlierOfTwoMatchesIsFound) {
    writeDb(R"([{"id":"a","name":"first","sourceOrvFilePath":"/docs/p.orv"},)"
            R"({"id":"b","name":"second","sourceOrvFilePath":"/docs/p.orv"},)"
            R"({"id":"a","name":"third","sourceOrvFilePath":"/docs/q.orv"}])");
    auto manager = makeManager();
    EXPECT_EQ(manager->projectProfile(std::string_view("/docs/p.orv"))->id(), "a");
    EXPECT_EQ(manager->projectProfileById("a")->name, "first");
    EXPECT_EQ(manager->projectProfile(std::string_view("/docs/q.orv"))->name, "third");
}

TEST_F(QueryTest, TextIsEqualUpToCanonicalEquivalenceButNotCase) {
    writeDb(R"([{"id":")" + composed + R"(","sourceOrvFilePath":"/docs/)" + composed + R"(.orv"}])");
    auto manager = makeManager();
    EXPECT_TRUE(manager->projectProfileById(decomposed).has_value());
    EXPECT_TRUE(manager->projectProfile(std::string_view("/docs/" + decomposed + ".orv")).has_value());
    EXPECT_FALSE(manager->projectProfileById("CAF\xC3\x89").has_value());
    EXPECT_FALSE(manager->projectProfile(std::string_view("/docs/Caf\xC3\xA9.orv")).has_value());
    EXPECT_FALSE(manager->projectProfile(std::string_view("/docs/" + composed + ".orv ")).has_value());
}

TEST_F(QueryTest, UrlsAreNormalisedButPathsAreTakenAsGiven) {
    const std::string document = writeDocument("plan.orv", documentTime);
    std::filesystem::create_directories(documentsPath() + "/sub");
    std::filesystem::create_symlink(document, documentPath("link.orv"));
    writeDb(R"([{"id":"a","sourceOrvFilePath":")" + document + R"("}])");
    auto manager = makeManager();

    const std::string dotted = documentsPath() + "/sub/../plan.orv";
    const std::string linked = documentPath("link.orv");
    EXPECT_EQ(manager->projectProfile(Url::fileUrl(dotted))->id(), "a");
    EXPECT_EQ(manager->projectProfile(Url::fileUrl(linked))->id(), "a");
    EXPECT_EQ(manager->projectProfile(Url::fileUrl(document + "/"))->id(), "a");
    EXPECT_FALSE(manager->projectProfile(std::string_view(dotted)).has_value());
    EXPECT_FALSE(manager->projectProfile(std::string_view(linked)).has_value());
    EXPECT_TRUE(manager->projectProfile(std::string_view(document)).has_value());
}

}  // namespace
}  // namespace today::testing
