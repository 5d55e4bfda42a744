// Files on the host seam: crash-safe writing that never leaves a half-written file or a temporary file
// behind, and reading that takes regular files within their limit only.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "support/TestHost.hpp"
#include "today/outside/FileReading.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Path.hpp"
#include "today/outside/Text.hpp"

namespace today {
namespace {

using detail::Path;
using testing::HostOp;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class FileTest : public ::testing::Test {
protected:
    FileTest() : _scoped(host) {}

    std::vector<std::string> entries() {
        const auto found = Host::posix().directoryEntries(dir.path());
        EXPECT_TRUE(found);
        std::vector<std::string> names;
        for (const auto& entry : *found) names.push_back(entry.name);
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::TempDir dir;
    testing::TestHost host;

private:
    ScopedHost _scoped;
};

TEST_F(FileTest, WriteCreatesAndReplacesTheWholeFile) {
    const Path path(dir.file("projects.json"));
    EXPECT_FALSE(path.exists());
    ASSERT_TRUE(path.write(bytesOf("[1,2,3]")));
    EXPECT_TRUE(path.exists());
    EXPECT_EQ(testing::readText(path.string()), "[1,2,3]");
    ASSERT_TRUE(path.write({}));
    EXPECT_EQ(path.read(), Bytes{});
    EXPECT_EQ(entries(), std::vector<std::string>{"projects.json"});
}

TEST_F(FileTest, FailedWriteOrRenameKeepsTheOldContentAndLeavesNoTemporaryFile) {
    const Path path(dir.file("projects.json"));
    ASSERT_TRUE(path.write(bytesOf("old")));
    for (const HostOp op : {HostOp::writeNewFile, HostOp::rename}) {
        host.failAll(op);
        EXPECT_FALSE(path.write(bytesOf("new content")));
        host.clearFaults();
        EXPECT_EQ(testing::readText(path.string()), "old");
        EXPECT_EQ(entries(), std::vector<std::string>{"projects.json"});
    }
    EXPECT_FALSE(Path(dir.file("missing dir/file")).write(bytesOf("x")));
    EXPECT_FALSE(Path(dir.path() + "/").write(bytesOf("x")));
    EXPECT_EQ(entries(), std::vector<std::string>{"projects.json"});
}

TEST_F(FileTest, NewFilesAreNeverWrittenOverExistingOnes) {
    const std::string existing = dir.write("taken", "keep");
    EXPECT_FALSE(host.writeNewFile(existing, bytesOf("x")));
    EXPECT_EQ(testing::readText(existing), "keep");
    // A NUL would cut the path short and name another file.
    EXPECT_FALSE(host.writeNewFile(existing + std::string("\0.tmp", 5), bytesOf("x")));
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
