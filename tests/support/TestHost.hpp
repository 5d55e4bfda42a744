// A host for tests: the real file system, with captured message lines, an optional fixed clock, a time
// zone and environment variables of its own (the process's TZ and environment are never changed), and
// fault injection at any file operation.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/TimeZone.hpp"
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
    lockFile
};
const char* toString(HostOp op);

class TestHost : public HostWrapper {
public:
    // Decides whether an operation on a path fails; called for every operation (count starts at 1).
    using FaultRule = std::function<bool(HostOp op, const std::string& path, long count)>;

    TestHost();

    // Fails every operation of this kind (whose path contains `pathPart`, when given).
    void failAll(HostOp op, std::string pathPart = {});
    void setFaultRule(FaultRule rule);
    void clearFaults();
    long operationCount() const { return _count.load(); }

    void setNow(std::optional<Date> now);
    // Local time in this zone (a name of the time zone database, or a POSIX TZ rule; UTC unless set);
    // none: the system's zone. Throws std::invalid_argument for a zone it does not know.
    void setTimeZone(std::optional<std::string> zone);
    // What the library sees of an environment variable: a value, or none for an unset one. Variables
    // not given here are the process's.
    void setEnvironmentVariable(const std::string& name, std::optional<std::string> value);
    // The message lines printed so far, and clearing them.
    std::vector<std::string> lines() const;
    std::vector<std::string> takeLines();

    // A failed operation reports EIO.
    bool exists(const std::string& path) override;
    std::optional<FileStatus> status(const std::string& path, std::error_code& error) override;
    // For tests that do not look at the cause.
    std::optional<FileStatus> status(const std::string& path) {
        std::error_code error;
        return status(path, error);
    }
    std::optional<Bytes> readFile(const std::string& path, std::error_code& error) override;
    bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) override;
    bool rename(const std::string& from, const std::string& to, std::error_code& error) override;
    bool remove(const std::string& path, std::error_code& error) override;
    std::optional<std::vector<DirectoryEntry>> directoryEntries(const std::string& path,
                                                                std::error_code& error) override;
    bool makeDirectory(const std::string& path, unsigned mode, std::error_code& error) override;
    std::optional<std::string> realPath(const std::string& path, std::error_code& error) override;
    std::optional<FileLock> lockFile(const std::string& path, std::chrono::milliseconds timeout,
                                     std::error_code& error) override;
    std::optional<std::string> environmentVariable(const std::string& name) override;
    Date now() override;
    std::optional<LocalTime> localTime(Date date) override;
    std::optional<Date> dateFromLocalTime(const LocalTime& local) override;
    void printLine(std::string_view line) override;

private:
    bool fails(HostOp op, const std::string& path);
    // Whether the operation fails; when it does, `error` says EIO.
    bool fails(HostOp op, const std::string& path, std::error_code& error);

    mutable std::mutex _mutex;
    FaultRule _rule;
    std::atomic<long> _count{0};
    std::optional<Date> _now;
    std::optional<TimeZone> _zone;
    std::map<std::string, std::optional<std::string>, std::less<>> _environment;
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

}  // namespace today::testing
