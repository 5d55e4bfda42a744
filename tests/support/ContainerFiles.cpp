// Whether every file of a container is one the library committed whole.
#include "support/ContainerFiles.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestHost.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::testing {

void expectWholeContainerFiles(const std::string& container) {
    for (const auto& entry : std::filesystem::directory_iterator(container)) {
        const std::string name = entry.path().filename().string();
        const std::string content = readText(entry.path().string());
        if (name == "projects.json") {
            EXPECT_TRUE(detail::decodeProfileList(content)) << name;
        } else if (name == "projects.json.lock") {
            EXPECT_EQ(content, "") << "the list's lock file holds nothing";
        } else {
            EXPECT_TRUE(name.ends_with(".prj") && !name.starts_with(".")) << "unexpected file " << name;
            EXPECT_TRUE(detail::decodeProjectToday(content)) << name;
        }
    }
}

}  // namespace today::testing
