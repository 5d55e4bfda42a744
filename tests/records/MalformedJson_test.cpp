// Every text of the JSON parsing test suite that a conforming reader must refuse is refused by both
// file readers, without a crash; the texts it must accept never crash them either.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestHost.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::detail {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> suiteFiles(std::string_view prefix) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(TODAY_TESTDATA_DIR "/jsontestsuite/test_parsing")) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(".json")) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(MalformedJson, RefusedTextsYieldNothing) {
    const auto files = suiteFiles("n_");
    ASSERT_GT(files.size(), 150u);
    for (const fs::path& file : files) {
        const std::string text = testing::readText(file.string());
        EXPECT_FALSE(decodeProfileList(text).has_value()) << file.filename();
        EXPECT_FALSE(decodeProjectToday(text).has_value()) << file.filename();
        EXPECT_FALSE(ProjectTodayCacheFile::read(file.string()).has_value()) << file.filename();
    }
}

TEST(MalformedJson, OtherSuiteTextsDoNotCrash) {
    for (const char* prefix : {"y_", "i_"}) {
        for (const fs::path& file : suiteFiles(prefix)) {
            const std::string text = testing::readText(file.string());
            (void)decodeProfileList(text);
            (void)ProjectTodayCacheFile::read(file.string());
        }
    }
}

}  // namespace
}  // namespace today::detail
