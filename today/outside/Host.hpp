// The host seam: every file operation, the clock, the time zone and the message output of the library
// pass through one `Host`, in the manner of LevelDB's `Env`. The process uses the POSIX host unless a
// test or tool installs another (`ScopedHost`), which lets tests inject a failed write, a full disk, a
// crash before a rename, a fixed clock, a time zone or an environment. Bookmarks are made and resolved
// on top of the host's file operations.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "today/export.hpp"
#include "today/outside/Bytes.hpp"
#include "today/outside/Date.hpp"

namespace today {

// What `stat` tells of a file system entry (symbolic links followed).
struct FileStatus {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool isDirectory = false;
    unsigned permissions = 0;  // the mode's permission bits (07777)
    std::uint64_t size = 0;
    Date modified{0};  // the modification time, converted to a Date by one fixed conversion
    // The modification time as the file system keeps it, to the nanosecond.
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    // When the file was made, where the file system records it: a file made later under a recycled
    // inode number has another birth time.
    bool hasBirthTime = false;
    std::int64_t birthSeconds = 0;
    std::int64_t birthNanoseconds = 0;

    // Whether both describe the same content of the same file: same file, size and modification time.
    // A file replaced by a rename, or written in place, differs.
    bool sameVersionAs(const FileStatus& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modifiedSeconds == other.modifiedSeconds && modifiedNanoseconds == other.modifiedNanoseconds;
    }
};

// One name of a directory, with the inode number the directory gives for it.
struct DirectoryEntry {
    std::string name;
    std::uint64_t inode = 0;
};

// An exclusive advisory lock on a file, held until the object is destroyed. The system releases it
// when the process ends, however it ends, so a killed process never leaves it held.
class TODAY_API FileLock {
public:
    FileLock() = default;
    explicit FileLock(int descriptor) : _descriptor(descriptor) {}
    FileLock(FileLock&& other) noexcept : _descriptor(std::exchange(other._descriptor, -1)) {}
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    int _descriptor = -1;  // -1: a lock that a test host grants without a file
};

// A civil date and time in the local time zone.
struct LocalTime {
    std::int64_t year = 2001;
    int month = 1;  // 1...12
    int day = 1;    // 1...31
    int hour = 0;
    int minute = 0;
    double second = 0;  // with fraction
};

// The host: every operation the library needs of the system. `PosixHost` (PosixHost.hpp, through
// `Host::posix()`) is the real one; a test or tool derives from `HostWrapper` and overrides only what it
// fakes. File operations that fail leave the cause in `error`: an errno value of the generic category,
// or one of `fileReadingErrors()` for a file that `readFile` refuses; success clears it.
class TODAY_API Host {
public:
    virtual ~Host();

    // The host in use for this process: the POSIX host unless a `ScopedHost` installed another.
    static Host& current();
    // The real host on this system.
    static Host& posix();

    // --- Files. Paths are absolute file-system paths.
    virtual bool exists(const std::string& path) = 0;
    // What `stat` tells, or none (ENOENT for a missing file).
    virtual std::optional<FileStatus> status(const std::string& path, std::error_code& error) = 0;
    // The whole content of a regular file, or none. The file is opened without blocking (a named pipe is
    // refused, not waited for) and refused when larger than the limit of its kind (FileReading.hpp).
    virtual std::optional<Bytes> readFile(const std::string& path, std::error_code& error) = 0;
    // Creates a new file that must not exist yet, writes the bytes and flushes them to disk.
    virtual bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) = 0;
    // Renames `from` over `to` atomically, then flushes the directory.
    virtual bool rename(const std::string& from, const std::string& to, std::error_code& error) = 0;
    virtual bool remove(const std::string& path, std::error_code& error) = 0;
    // The entries of a directory (without "." and ".."), or none.
    virtual std::optional<std::vector<DirectoryEntry>> directoryEntries(const std::string& path,
                                                                        std::error_code& error) = 0;
    // Creates one directory with the given mode; true also when a directory is already there.
    virtual bool makeDirectory(const std::string& path, unsigned mode, std::error_code& error) = 0;
    // Sets the permission bits of a file (symbolic links followed).
    virtual bool setPermissions(const std::string& path, unsigned mode, std::error_code& error) = 0;
    // The path with every symbolic link resolved, or none when it does not exist.
    virtual std::optional<std::string> realPath(const std::string& path, std::error_code& error) = 0;
    virtual std::string currentDirectory() = 0;
    virtual std::optional<std::string> environmentVariable(const std::string& name) = 0;
    // Takes an exclusive lock on the file (created empty when missing), waiting at most `timeout` for
    // another holder in any process to release it; none when it cannot be had (EWOULDBLOCK: still held).
    virtual std::optional<FileLock> lockFile(const std::string& path, std::chrono::milliseconds timeout,
                                             std::error_code& error) = 0;

    // --- Clock and time zone.
    virtual Date now() = 0;
    // The local civil time of a date, or none when the calendar cannot represent it.
    virtual std::optional<LocalTime> localTime(Date date) = 0;
    // The date of a local civil time (fields may be out of range and are normalised), or none. For a
    // local time that a change of offset skips or repeats, either instant may be answered.
    virtual std::optional<Date> dateFromLocalTime(const LocalTime& local) = 0;

    // --- Output: one message line, flushed.
    virtual void printLine(std::string_view line) = 0;

    // --- Randomness: bytes for identifiers and temporary names.
    virtual void randomBytes(std::span<std::uint8_t> into) = 0;
};

// A host that forwards every operation to another: derive from it to change some operations only.
class TODAY_API HostWrapper : public Host {
public:
    explicit HostWrapper(Host& target) : _target(target) {}
    Host& target() const { return _target; }

    bool exists(const std::string& path) override { return _target.exists(path); }
    std::optional<FileStatus> status(const std::string& path, std::error_code& error) override {
        return _target.status(path, error);
    }
    std::optional<Bytes> readFile(const std::string& path, std::error_code& error) override {
        return _target.readFile(path, error);
    }
    bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) override {
        return _target.writeNewFile(path, bytes, error);
    }
    bool rename(const std::string& from, const std::string& to, std::error_code& error) override {
        return _target.rename(from, to, error);
    }
    bool remove(const std::string& path, std::error_code& error) override { return _target.remove(path, error); }
    std::optional<std::vector<DirectoryEntry>> directoryEntries(const std::string& path,
                                                                std::error_code& error) override {
        return _target.directoryEntries(path, error);
    }
    bool makeDirectory(const std::string& path, unsigned mode, std::error_code& error) override {
        return _target.makeDirectory(path, mode, error);
    }
    bool setPermissions(const std::string& path, unsigned mode, std::error_code& error) override {
        return _target.setPermissions(path, mode, error);
    }
    std::optional<std::string> realPath(const std::string& path, std::error_code& error) override {
        return _target.realPath(path, error);
    }
    std::string currentDirectory() override { return _target.currentDirectory(); }
    std::optional<std::string> environmentVariable(const std::string& name) override {
        return _target.environmentVariable(name);
    }
    std::optional<FileLock> lockFile(const std::string& path, std::chrono::milliseconds timeout,
                                     std::error_code& error) override {
        return _target.lockFile(path, timeout, error);
    }
    Date now() override { return _target.now(); }
    std::optional<LocalTime> localTime(Date date) override { return _target.localTime(date); }
    std::optional<Date> dateFromLocalTime(const LocalTime& local) override { return _target.dateFromLocalTime(local); }
    void printLine(std::string_view line) override { _target.printLine(line); }
    void randomBytes(std::span<std::uint8_t> into) override { _target.randomBytes(into); }

private:
    Host& _target;
};

// Why `readFile` refused a file that exists: the codes of `fileReadingErrors()`.
enum class FileReadingError {
    notRegularFile = 1,    // a directory, named pipe, device or socket
    tooLarge = 2,          // larger than the limit of its kind
    changedWhileRead = 3,  // it grew past the limit, or shrank, while it was read
};
TODAY_API const std::error_category& fileReadingErrors() noexcept;
inline std::error_code make_error_code(FileReadingError error) noexcept {
    return {static_cast<int>(error), fileReadingErrors()};
}

// Installs a host for the lifetime of this object and restores the previous one afterwards.
class TODAY_API ScopedHost {
public:
    explicit ScopedHost(Host& host);
    ~ScopedHost();
    ScopedHost(const ScopedHost&) = delete;
    ScopedHost& operator=(const ScopedHost&) = delete;

private:
    Host* _previous;
};

}  // namespace today

template <>
struct std::is_error_code_enum<today::FileReadingError> : std::true_type {};
