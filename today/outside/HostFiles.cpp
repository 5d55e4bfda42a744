// The POSIX host's file operations: plain system calls, with interrupted calls retried, short writes
// continued, and data flushed to disk before a write or rename reports success.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "today/outside/FileReading.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/UnixTime.hpp"

namespace today {

namespace {

// A path that the C interfaces can take without changing its meaning: no embedded NUL, which would
// silently cut the path short.
bool isUsablePath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

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

std::string parentDirectory(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Flushes a directory's entries (a new or renamed name) to disk. File systems that cannot flush a
// directory say so with EINVAL; that is not a failure of the operation.
void syncDirectory(const std::string& directory) {
    const int fd = openRetrying(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool Host::exists(const std::string& path) {
    struct stat info;
    return isUsablePath(path) && ::stat(path.c_str(), &info) == 0;
}

std::optional<FileStatus> Host::status(const std::string& path) {
    struct stat info;
    if (!isUsablePath(path) || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    FileStatus status;
    status.device = static_cast<std::uint64_t>(info.st_dev);
    status.inode = static_cast<std::uint64_t>(info.st_ino);
    status.isDirectory = S_ISDIR(info.st_mode);
    status.modified = detail::dateFromTimespec(info.st_mtim);
    return status;
}

std::optional<Bytes> Host::readFile(const std::string& path) {
    return detail::readRegularFile(path, detail::maximumFileBytes(path));
}

bool Host::writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (!isUsablePath(path)) return false;
    const int fd = openRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool flushed = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (flushed && closed) return true;
    ::unlink(path.c_str());
    return false;
}

bool Host::rename(const std::string& from, const std::string& to) {
    if (!isUsablePath(from) || !isUsablePath(to)) return false;
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    // The new name is in place; flushing the directory makes it survive a crash. The rename has
    // happened either way, so the result reports the rename.
    syncDirectory(parentDirectory(to));
    return true;
}

bool Host::remove(const std::string& path) {
    if (!isUsablePath(path)) return false;
    if (::unlink(path.c_str()) == 0) return true;
    return errno == EISDIR && ::rmdir(path.c_str()) == 0;
}

std::optional<std::vector<std::string>> Host::directoryEntries(const std::string& path) {
    if (!isUsablePath(path)) return std::nullopt;
    DIR* directory = ::opendir(path.c_str());
    if (!directory) return std::nullopt;
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    const bool failed = errno != 0;
    ::closedir(directory);
    if (failed) return std::nullopt;
    return names;
}

bool Host::makeDirectory(const std::string& path, unsigned mode) {
    if (!isUsablePath(path)) return false;
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::string> Host::realPath(const std::string& path) {
    if (!isUsablePath(path)) return std::nullopt;
    std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), std::free);
    if (!resolved) return std::nullopt;
    return std::string(resolved.get());
}

std::string Host::currentDirectory() {
    std::string buffer(PATH_MAX, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size())) return std::string(buffer.c_str());
        if (errno != ERANGE) return "/";  // the working directory is gone; paths start from the root
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace today
