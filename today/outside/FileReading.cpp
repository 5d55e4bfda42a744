// Reading whole regular files without blocking, within the size limit of their kind.
#include "today/outside/FileReading.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "today/outside/Path.hpp"

namespace today::detail {

namespace {

bool isUsablePath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

// Opens for reading without waiting: opening a named pipe for reading would otherwise wait for a writer
// for ever, and opening a device may wait for it too.
int openForReading(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

struct ClosesOnExit {
    int fd;
    ~ClosesOnExit() { ::close(fd); }
};

}  // namespace

std::uint64_t maximumFileBytes(std::string_view path) {
    const std::string_view name = lastPathComponent(path);
    if (name == "projects.json") return maximumProfileListBytes;
    if (name.ends_with(".prj")) return maximumSnapshotBytes;
    return maximumPlanDocumentBytes;
}

std::optional<Bytes> readRegularFile(const std::string& path, std::uint64_t limit, std::error_code& error) noexcept {
    const auto fail = [&error](std::error_code cause) -> std::optional<Bytes> {
        error = cause;
        return std::nullopt;
    };
    const auto failWithErrno = [&fail] { return fail(std::error_code(errno, std::generic_category())); };
    if (!isUsablePath(path)) return fail(std::make_error_code(std::errc::invalid_argument));
    const int fd = openForReading(path);
    if (fd < 0) return failWithErrno();
    const ClosesOnExit closer{fd};
    struct stat info;
    if (::fstat(fd, &info) != 0) return failWithErrno();
    if (!S_ISREG(info.st_mode)) return fail(FileReadingError::notRegularFile);
    if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > limit) return fail(FileReadingError::tooLarge);
    // A regular file never makes a reader wait, but some file systems answer a non-blocking read with
    // EAGAIN (under a mandatory lock, say); read it as an ordinary file from here on.
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    // One byte past the limit tells a file that grew beyond it while it was read.
    const std::uint64_t cap = std::min<std::uint64_t>(limit, SIZE_MAX - 128) + 1;
    try {
        Bytes content;
        // The size is a hint only: the file may grow or shrink while it is read. The room reserved past
        // it lets a JSON parser pad the bytes in place (it needs 64 bytes) instead of copying the file.
        const std::size_t expected =
            static_cast<std::size_t>(std::min<std::uint64_t>(info.st_size > 0 ? info.st_size + 1 : 4096, cap));
        content.reserve(expected + 64);
        content.resize(expected);
        std::size_t used = 0;
        for (;;) {
            if (used == content.size()) {
                if (used >= cap) return fail(FileReadingError::changedWhileRead);  // grew past the limit
                content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(std::uint64_t{used} * 2, cap)));
            }
            const ssize_t got = ::read(fd, content.data() + used, content.size() - used);
            if (got < 0) {
                if (errno == EINTR) continue;
                return failWithErrno();
            }
            if (got == 0) break;
            used += static_cast<std::size_t>(got);
        }
        if (used > limit) return fail(FileReadingError::changedWhileRead);
        content.resize(used);
        error.clear();
        return content;
    } catch (const std::bad_alloc&) {
        return fail(std::make_error_code(std::errc::not_enough_memory));  // the file does not fit in memory
    } catch (const std::length_error&) {
        return fail(std::make_error_code(std::errc::not_enough_memory));
    }
}

namespace {

class FileReadingCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "today.file-reading"; }
    std::string message(int code) const override {
        switch (static_cast<FileReadingError>(code)) {
            case FileReadingError::notRegularFile: return "Not a regular file";
            case FileReadingError::tooLarge: return "File too large for its kind";
            case FileReadingError::changedWhileRead: return "File changed while it was read";
        }
        return "Unknown file reading error";
    }
};

}  // namespace

std::string unreadableReason(const std::string& path, std::uint64_t limit) {
    if (!isUsablePath(path)) return "no such file";
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? "no such file"
                                                   : std::string("cannot be read: ") + std::strerror(errno);
    }
    if (S_ISDIR(info.st_mode)) return "is a directory, not a file";
    if (S_ISFIFO(info.st_mode)) return "is a named pipe (FIFO), not a file";
    if (!S_ISREG(info.st_mode)) return "is a device or socket, not a file";
    if (info.st_size >= 0 && static_cast<std::uint64_t>(info.st_size) > limit) {
        return "is larger than " + sizeText(limit) + ", the most such a file may have";
    }
    const int fd = openForReading(path);
    if (fd < 0) return std::string("cannot be read: ") + std::strerror(errno);
    ::close(fd);
    return "cannot be read (it changed while it was read, or memory ran out)";
}

std::string sizeText(std::uint64_t bytes) {
    constexpr std::uint64_t mebibyte = std::uint64_t{1} << 20;
    constexpr std::uint64_t gibibyte = std::uint64_t{1} << 30;
    if (bytes >= gibibyte && bytes % gibibyte == 0) return std::to_string(bytes / gibibyte) + " GiB";
    if (bytes >= mebibyte && bytes % mebibyte == 0) return std::to_string(bytes / mebibyte) + " MiB";
    std::string digits = std::to_string(bytes);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits + " bytes";
}

}  // namespace today::detail

namespace today {

const std::error_category& fileReadingErrors() noexcept {
    static const detail::FileReadingCategory category;
    return category;
}

}  // namespace today
