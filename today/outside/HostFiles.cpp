// The POSIX host's file operations: plain system calls, with interrupted calls retried, short writes
// continued, and data flushed to disk before a write or rename reports success.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <thread>

#include "today/outside/FileReading.hpp"
#include "today/outside/Path.hpp"
#include "today/outside/PosixHost.hpp"
#include "today/outside/UnixTime.hpp"

namespace today {

namespace {

// A path that the C interfaces can take without changing its meaning: no embedded NUL, which would
// silently cut the path short.
bool isUsablePath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

// Records the cause of a failed call and answers `result`.
template <class Result>
Result failed(std::error_code& error, Result result, int cause = errno) {
    error = std::error_code(cause, std::generic_category());
    return result;
}

template <class Result>
Result succeeded(std::error_code& error, Result result) {
    error.clear();
    return result;
}

int openRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

struct ClosesOnExit {
    int fd;
    ~ClosesOnExit() { ::close(fd); }
};

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// Flushes a directory's entries (a new or renamed name) to disk. File systems that cannot flush a
// directory say so with EINVAL; that is not a failure of the operation, any other error is.
bool syncDirectory(const std::string& directory, std::error_code& error) {
    const int fd = openRetrying(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return failed(error, false);
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int cause = errno;
    ::close(fd);
    return synced ? succeeded(error, true) : failed(error, false, cause);
}

}  // namespace

bool PosixHost::exists(const std::string& path) {
    struct stat info;
    return isUsablePath(path) && ::stat(path.c_str(), &info) == 0;
}

std::optional<FileStatus> PosixHost::status(const std::string& path, std::error_code& error) {
    if (!isUsablePath(path)) return failed<std::optional<FileStatus>>(error, std::nullopt, EINVAL);
    // statx, for the birth time where the file system keeps one.
    struct statx info;
    if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        return failed<std::optional<FileStatus>>(error, std::nullopt);
    }
    FileStatus status;
    status.device = static_cast<std::uint64_t>(makedev(info.stx_dev_major, info.stx_dev_minor));
    status.inode = static_cast<std::uint64_t>(info.stx_ino);
    status.isDirectory = S_ISDIR(info.stx_mode);
    status.permissions = info.stx_mode & 07777U;
    status.size = static_cast<std::uint64_t>(info.stx_size);
    status.modifiedSeconds = static_cast<std::int64_t>(info.stx_mtime.tv_sec);
    status.modifiedNanoseconds = static_cast<std::int64_t>(info.stx_mtime.tv_nsec);
    struct timespec modified {};
    modified.tv_sec = static_cast<time_t>(info.stx_mtime.tv_sec);
    modified.tv_nsec = static_cast<long>(info.stx_mtime.tv_nsec);
    status.modified = detail::dateFromTimespec(modified);
    if (info.stx_mask & STATX_BTIME) {
        status.hasBirthTime = true;
        status.birthSeconds = static_cast<std::int64_t>(info.stx_btime.tv_sec);
        status.birthNanoseconds = static_cast<std::int64_t>(info.stx_btime.tv_nsec);
    }
    error.clear();
    return status;
}

std::optional<Bytes> PosixHost::readFile(const std::string& path, std::error_code& error) {
    return detail::readRegularFile(path, detail::maximumFileBytes(path), error);
}

bool PosixHost::writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) {
    if (!isUsablePath(path)) return failed(error, false, EINVAL);
    const int fd = openRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return failed(error, false);
    const bool flushed = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int cause = errno;
    const bool closed = ::close(fd) == 0;
    if (flushed && closed) return succeeded(error, true);
    if (flushed) cause = errno;
    ::unlink(path.c_str());
    return failed(error, false, cause);
}

bool PosixHost::rename(const std::string& from, const std::string& to, std::error_code& error) {
    if (!isUsablePath(from) || !isUsablePath(to)) return failed(error, false, EINVAL);
    if (::rename(from.c_str(), to.c_str()) != 0) return failed(error, false);
    // The new name is in place; flushing the directory makes it survive a crash. A flush that fails is
    // reported, although the rename is done, because the caller must not count on the new name after a
    // crash: writers of this library then take the file for changed and write it again.
    return syncDirectory(detail::parentDirectory(to), error);
}

bool PosixHost::remove(const std::string& path, std::error_code& error) {
    if (!isUsablePath(path)) return failed(error, false, EINVAL);
    if (::unlink(path.c_str()) == 0) return succeeded(error, true);
    if (errno != EISDIR) return failed(error, false);
    return ::rmdir(path.c_str()) == 0 ? succeeded(error, true) : failed(error, false);
}

std::optional<std::vector<DirectoryEntry>> PosixHost::directoryEntries(const std::string& path,
                                                                       std::error_code& error) {
    using Entries = std::optional<std::vector<DirectoryEntry>>;
    if (!isUsablePath(path)) return failed<Entries>(error, std::nullopt, EINVAL);
    DIR* directory = ::opendir(path.c_str());
    if (!directory) return failed<Entries>(error, std::nullopt);
    std::vector<DirectoryEntry> names;
    errno = 0;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.push_back({std::string(name), static_cast<std::uint64_t>(entry->d_ino)});
    }
    const int cause = errno;
    ::closedir(directory);
    if (cause != 0) return failed<Entries>(error, std::nullopt, cause);
    return succeeded<Entries>(error, std::move(names));
}

bool PosixHost::makeDirectory(const std::string& path, unsigned mode, std::error_code& error) {
    if (!isUsablePath(path)) return failed(error, false, EINVAL);
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return succeeded(error, true);
    if (errno != EEXIST) return failed(error, false);
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return failed(error, false);
    return S_ISDIR(info.st_mode) ? succeeded(error, true) : failed(error, false, ENOTDIR);
}

bool PosixHost::setPermissions(const std::string& path, unsigned mode, std::error_code& error) {
    if (!isUsablePath(path)) return failed(error, false, EINVAL);
    if (::chmod(path.c_str(), static_cast<mode_t>(mode)) != 0) return failed(error, false);
    return succeeded(error, true);
}

std::optional<std::string> PosixHost::realPath(const std::string& path, std::error_code& error) {
    if (!isUsablePath(path)) return failed<std::optional<std::string>>(error, std::nullopt, EINVAL);
    std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), std::free);
    if (!resolved) return failed<std::optional<std::string>>(error, std::nullopt);
    return succeeded<std::optional<std::string>>(error, std::string(resolved.get()));
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (_descriptor >= 0) ::close(_descriptor);
        _descriptor = std::exchange(other._descriptor, -1);
    }
    return *this;
}

// Closing the descriptor releases the lock.
FileLock::~FileLock() {
    if (_descriptor >= 0) ::close(_descriptor);
}

std::optional<FileLock> PosixHost::lockFile(const std::string& path, std::chrono::milliseconds timeout,
                                            std::error_code& error) {
    using Lock = std::optional<FileLock>;
    if (!isUsablePath(path)) return failed<Lock>(error, std::nullopt, EINVAL);
    // Opened for writing (network file systems lock only files open for writing), never through a
    // symbolic link, never blocking on a FIFO planted under the name.
    const int fd = openRetrying(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return failed<Lock>(error, std::nullopt);
    FileLock lock(fd);
    struct stat info;
    if (::fstat(fd, &info) != 0) return failed<Lock>(error, std::nullopt);
    if (!S_ISREG(info.st_mode)) return failed<Lock>(error, std::nullopt, EINVAL);

    // flock has no timeout of its own: try, then sleep a little longer each time, until the deadline.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return succeeded<Lock>(error, std::move(lock));
        if (errno != EWOULDBLOCK && errno != EINTR) return failed<Lock>(error, std::nullopt);
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return failed<Lock>(error, std::nullopt, EWOULDBLOCK);
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
}

std::string PosixHost::currentDirectory() {
    std::string buffer(PATH_MAX, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size())) return std::string(buffer.c_str());
        if (errno != ERANGE) return "/";  // the working directory is gone; paths start from the root
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace today
