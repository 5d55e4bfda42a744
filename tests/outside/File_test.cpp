// Files on the host seam: new files never replace existing ones, and reading takes regular files within
// their limit only. (Crash-safe writing is checked at every fault point by the reliability suite.)
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TestHost.hpp"
#include "today/outside/FileReading.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Path.hpp"
#include "today/outside/Text.hpp"

namespace today {
namespace {

using detail::Path;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class FileTest : public ::testing::Test {
protected:
    FileTest() : _scoped(host) {}

    testing::TempDir dir;
    testing::TestHost host;

private:
    ScopedHost _scoped;
};

TEST_F(FileTest, NewFilesAreNeverWrittenOverExistingOnes) {
    const std::string existing = dir.write("taken", "keep");
    std::error_code error;
    EXPECT_FALSE(host.writeNewFile(existing, bytesOf("x"), error));
    EXPECT_EQ(error, std::errc::file_exists);
    EXPECT_EQ(testing::readText(existing), "keep");
    // A NUL would cut the path short and name another file.
    EXPECT_FALSE(host.writeNewFile(existing + std::string("\0.tmp", 5), bytesOf("x"), error));
    EXPECT_EQ(error, std::errc::invalid_argument);
    EXPECT_FALSE(host.exists(existing + std::string("\0", 1)));
    EXPECT_EQ(testing::readText(existing), "keep");
}

TEST_F(FileTest, ReadingTakesRegularFilesOnly) {
    EXPECT_FALSE(Path(dir.path()).read());
    EXPECT_FALSE(Path(dir.file("missing")).read());
    // A named pipe is refused, not waited for; a sparse snapshot or list past its limit is not read.
    ASSERT_EQ(::mkfifo(dir.file("pipe.prj").c_str(), 0600), 0);
    EXPECT_FALSE(Path(dir.file("pipe.prj")).read());
    for (const char* name : {"huge.prj", "projects.json"}) {
        dir.write(name, "");
        ASSERT_EQ(::truncate(dir.file(name).c_str(), static_cast<off_t>(detail::maximumFileBytes(name) + 1)), 0);
        EXPECT_FALSE(Path(dir.file(name)).read()) << name;
    }
    std::string big(300000, 'x');
    big[12345] = '\0';
    dir.write("big", big);
    const auto content = Path(dir.file("big")).read();
    ASSERT_TRUE(content);
    EXPECT_EQ(std::string(content->begin(), content->end()), big);
}

}  // namespace
}  // namespace today
