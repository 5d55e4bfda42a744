// The host seam: every file operation, the clock, the time zone, the bookmark facility and the message
// output of the library pass through one `Host`, in the manner of LevelDB's `Env`. The process uses the
// POSIX host unless a test or tool installs another (`ScopedHost`), which lets tests inject a failed
// write, a full disk, a crash before a rename, a fixed clock or a fixed time zone.
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
#include "today/outside/BookmarkOptions.hpp"
#include "today/outside/Bytes.hpp"
#include "today/outside/Date.hpp"

namespace today {

// What `stat` tells of a file system entry (symbolic links followed).
struct FileStatus {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool isDirectory = false;
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

// A resolved bookmark: the path it designates and whether the file had to be followed.
struct ResolvedBookmark {
    std::string path;
    bool isStale = false;
};

class TODAY_API Host {
public:
    virtual ~Host();

    // The host in use for this process: the POSIX host unless a `ScopedHost` installed another.
    static Host& current();
    // The real host on this system.
    static Host& posix();

    // --- Files. Paths are absolute file-system paths.
    virtual bool exists(const std::string& path);
    // What `stat` tells, or none; `error` (when given) receives the cause, ENOENT for a missing file.
    virtual std::optional<FileStatus> status(const std::string& path, std::error_code* error = nullptr);
    // The whole content of a regular file, or none. The file is opened without blocking (a named pipe is
    // refused, not waited for) and refused when larger than the limit of its kind (FileReading.hpp).
    virtual std::optional<Bytes> readFile(const std::string& path);
    // Creates a new file that must not exist yet, writes the bytes and flushes them to disk.
    virtual bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes);
    // Renames `from` over `to` atomically, then flushes the directory.
    virtual bool rename(const std::string& from, const std::string& to);
    virtual bool remove(const std::string& path);
    // The entries of a directory (without "." and ".."), or none.
    virtual std::optional<std::vector<DirectoryEntry>> directoryEntries(const std::string& path);
    // Creates one directory with the given mode; true also when a directory is already there.
    virtual bool makeDirectory(const std::string& path, unsigned mode);
    // The path with every symbolic link resolved, or none when it does not exist.
    virtual std::optional<std::string> realPath(const std::string& path);
    virtual std::string currentDirectory();
    virtual std::optional<std::string> environmentVariable(const std::string& name);
    // Takes an exclusive lock on the file (created empty when missing), waiting at most `timeout` for
    // another holder in any process to release it; none when it cannot be had.
    virtual std::optional<FileLock> lockFile(const std::string& path, std::chrono::milliseconds timeout);

    // --- Clock and time zone.
    virtual Date now();
    // The local civil time of a date, or none when the calendar cannot represent it.
    virtual std::optional<LocalTime> localTime(Date date);
    // The date of a local civil time (fields may be out of range and are normalised), or none.
    virtual std::optional<Date> dateFromLocalTime(const LocalTime& local);

    // --- Bookmarks. The defaults are built on the file operations above.
    virtual std::optional<Bytes> createBookmark(const std::string& path, BookmarkCreationOptions options);
    virtual std::optional<ResolvedBookmark> resolveBookmark(const Bytes& bookmark, BookmarkResolutionOptions options);

    // --- Output: one message line on the standard output, flushed.
    virtual void printLine(std::string_view line);

    // --- Randomness: bytes for identifiers and temporary names.
    virtual void randomBytes(std::span<std::uint8_t> into);
};

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
