// A host with a small in-memory file system for fuzz targets: two plan documents, a container with a
// profile list, and nothing else. It never touches the real file system, answers the same way for the
// same input, and stops the process at once when the library writes or removes anything outside the
// container, which is how a fuzz input that escapes the container is found.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "today/outside/Host.hpp"

namespace today::fuzzing {

inline constexpr const char* containerPath = "/fuzz/container";
inline constexpr const char* firstDocumentPath = "/fuzz/documents/first.plan";
inline constexpr const char* secondDocumentPath = "/fuzz/documents/second.plan";

// The clock is fixed; time-zone conversions are the real host's.
class FuzzHost : public HostWrapper {
public:
    FuzzHost();

    // Back to the starting files: the documents, the container and a list naming the first document.
    void reset();

    bool exists(const std::string& path) override;
    std::optional<FileStatus> status(const std::string& path, std::error_code& error) override;
    std::optional<Bytes> readFile(const std::string& path, std::error_code& error) override;
    bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) override;
    bool rename(const std::string& from, const std::string& to, std::error_code& error) override;
    bool remove(const std::string& path, std::error_code& error) override;
    std::optional<std::vector<DirectoryEntry>> directoryEntries(const std::string& path,
                                                                std::error_code& error) override;
    bool makeDirectory(const std::string& path, unsigned mode, std::error_code& error) override;
    std::optional<std::string> realPath(const std::string& path, std::error_code& error) override;
    std::string currentDirectory() override { return "/fuzz"; }
    std::optional<std::string> environmentVariable(const std::string&) override { return std::nullopt; }
    // One process, one thread: the list lock is always free.
    std::optional<FileLock> lockFile(const std::string&, std::chrono::milliseconds, std::error_code& error) override {
        error.clear();
        return FileLock();
    }
    Date now() override { return Date(7e8); }
    void printLine(std::string_view) override {}
    void randomBytes(std::span<std::uint8_t> into) override;

private:
    struct Entry {
        FileStatus status;
        std::string content;
    };
    // Stops the process when a change would reach outside the container.
    static void requireInsideContainer(const std::string& path);

    std::map<std::string, Entry> _entries;
    std::uint64_t _nextInode = 1000;
    std::uint8_t _random = 0;
};

}  // namespace today::fuzzing
