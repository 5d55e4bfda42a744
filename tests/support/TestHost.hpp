// A host for tests: the real file system, with captured message lines, an optional fixed clock, and
// fault injection at any host operation.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "today/outside/Host.hpp"

namespace today::testing {

enum class HostOp {
    exists,
    status,
    readFile,
    writeNewFile,
    rename,
    remove,
    directoryEntries,
    makeDirectory,
    realPath,
    createBookmark,
    resolveBookmark,
    lockFile
};
const char* toString(HostOp op);

class TestHost : public Host {
public:
    // Decides whether an operation on a path fails; called for every operation (count starts at 1).
    using FaultRule = std::function<bool(HostOp op, const std::string& path, long count)>;

    TestHost();

    // Fails every operation of this kind (whose path contains `pathPart`, when given).
    void failAll(HostOp op, std::string pathPart = {});
    // Fails exactly the n-th host operation of any kind (1-based), counted from now.
    void failNth(long n);
    void setFaultRule(FaultRule rule);
    void clearFaults();
    long operationCount() const { return _count.load(); }

    void setNow(std::optional<Date> now);
    // The message lines printed so far, and clearing them.
    std::vector<std::string> lines() const;
    std::vector<std::string> takeLines();

    bool exists(const std::string& path) override;
    std::optional<FileStatus> status(const std::string& path, std::error_code* error = nullptr) override;
    std::optional<Bytes> readFile(const std::string& path) override;
    bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    bool rename(const std::string& from, const std::string& to) override;
    bool remove(const std::string& path) override;
    std::optional<std::vector<DirectoryEntry>> directoryEntries(const std::string& path) override;
    bool makeDirectory(const std::string& path, unsigned mode) override;
    std::optional<std::string> realPath(const std::string& path) override;
    std::optional<FileLock> lockFile(const std::string& path, std::chrono::milliseconds timeout) override;
    Date now() override;
    std::optional<Bytes> createBookmark(const std::string& path, BookmarkCreationOptions options) override;
    std::optional<ResolvedBookmark> resolveBookmark(const Bytes& bookmark, BookmarkResolutionOptions options) override;
    void printLine(std::string_view line) override;

private:
    bool fails(HostOp op, const std::string& path);

    mutable std::mutex _mutex;
    FaultRule _rule;
    std::atomic<long> _count{0};
    std::optional<Date> _now;
    std::vector<std::string> _lines;
};

// A fresh temporary directory, removed with its content at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return _path; }
    std::string file(const std::string& name) const { return _path + "/" + name; }
    // Writes a file below the directory (the real file system, not the host) and returns its path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string _path;
};

std::string readText(const std::string& path);  // "" when missing
bool fileExists(const std::string& path);

// Sets TZ for the scope and restores it afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz);
    ~ScopedTimeZone();

private:
    std::optional<std::string> _previous;
};

}  // namespace today::testing
