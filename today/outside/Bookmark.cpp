// Bookmarks, made and resolved through the host's file operations. A bookmark records a
// file's absolute path and identity (device, inode and, where the file system keeps it, birth time). It
// resolves to the recorded path while a file is there, stale when that file is another one (the
// document was replaced, as editors do when they save through a temporary file and a rename); else to
// the entry of the recorded folder that is still the same file, stale (the document was renamed); else
// it does not resolve. A file is followed through its folder only when its birth time tells it apart
// from a later file given the same, recycled inode number: without one, a deleted document could
// resolve to another document.
#include <algorithm>
#include <cstring>
#include <vector>

#include "today/outside/BookmarkFormat.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Path.hpp"

namespace today {

namespace detail {

namespace {

constexpr std::uint8_t magic[4] = {'T', 'D', 'B', 'K'};
constexpr std::size_t firstVersionHeaderSize = 4 + 1 + 8 + 8 + 8 + 4;
constexpr std::size_t headerSize = 4 + 1 + 8 + 8 + 8 + 1 + 8 + 4 + 4;

void appendInteger(Bytes& bytes, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t readInteger(const std::uint8_t* at, int size) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return value;
}

bool isRecordablePath(std::string_view path) {
    return path.starts_with('/') && path.size() <= bookmarkMaximumPathLength &&
           path.find('\0') == std::string_view::npos;
}

}  // namespace

std::optional<Bytes> encodeBookmark(const BookmarkRecord& record) {
    if (!isRecordablePath(record.path)) return std::nullopt;
    if (record.birthNanoseconds < 0 || record.birthNanoseconds > 999'999'999) return std::nullopt;
    Bytes bytes(std::begin(magic), std::end(magic));
    bytes.reserve(headerSize + record.path.size());
    bytes.push_back(bookmarkFormatVersion);
    appendInteger(bytes, record.options, 8);
    appendInteger(bytes, record.device, 8);
    appendInteger(bytes, record.inode, 8);
    bytes.push_back(record.hasBirthTime ? 1 : 0);
    appendInteger(bytes, record.hasBirthTime ? static_cast<std::uint64_t>(record.birthSeconds) : 0, 8);
    appendInteger(bytes, record.hasBirthTime ? static_cast<std::uint64_t>(record.birthNanoseconds) : 0, 4);
    appendInteger(bytes, record.path.size(), 4);
    bytes.insert(bytes.end(), record.path.begin(), record.path.end());
    return bytes;
}

std::optional<BookmarkRecord> decodeBookmark(const Bytes& bytes) {
    if (bytes.size() < firstVersionHeaderSize || std::memcmp(bytes.data(), magic, sizeof magic) != 0) {
        return std::nullopt;
    }
    const std::uint8_t version = bytes[4];
    if (version != 1 && version != bookmarkFormatVersion) return std::nullopt;
    const std::size_t header = version == 1 ? firstVersionHeaderSize : headerSize;
    if (bytes.size() < header) return std::nullopt;
    const std::uint64_t pathLength = readInteger(bytes.data() + header - 4, 4);
    // Compared against what is left rather than added to the header size, so nothing can overflow.
    if (pathLength != bytes.size() - header) return std::nullopt;
    BookmarkRecord record;
    record.options = readInteger(bytes.data() + 5, 8);
    record.device = readInteger(bytes.data() + 13, 8);
    record.inode = readInteger(bytes.data() + 21, 8);
    if (version == 2) {
        if (bytes[29] > 1) return std::nullopt;
        record.hasBirthTime = bytes[29] == 1;
        record.birthSeconds = static_cast<std::int64_t>(readInteger(bytes.data() + 30, 8));
        record.birthNanoseconds = static_cast<std::int64_t>(readInteger(bytes.data() + 38, 4));
        if (record.birthNanoseconds > 999'999'999) return std::nullopt;
        if (!record.hasBirthTime && (record.birthSeconds != 0 || record.birthNanoseconds != 0)) return std::nullopt;
    }
    record.path.assign(bytes.begin() + static_cast<std::ptrdiff_t>(header), bytes.end());
    if (!isRecordablePath(record.path)) return std::nullopt;
    return record;
}

namespace {

bool isSameFile(const FileStatus& status, const BookmarkRecord& record) {
    if (status.device != record.device || status.inode != record.inode) return false;
    // Where both have a birth time, a different one is a later file under a recycled inode number.
    return !(record.hasBirthTime && status.hasBirthTime) ||
           (status.birthSeconds == record.birthSeconds && status.birthNanoseconds == record.birthNanoseconds);
}

}  // namespace

// Bookmarks are made for existing files that are not directories; symbolic links are followed, and
// the path is recorded as given.
std::optional<Bytes> createBookmark(Host& host, const std::string& path, BookmarkCreationOptions options,
                                    std::error_code& error) {
    if (!path.starts_with('/')) {
        error = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    const auto fileStatus = host.status(path, error);
    if (!fileStatus) return std::nullopt;
    if (fileStatus->isDirectory) {
        error = std::make_error_code(std::errc::is_a_directory);
        return std::nullopt;
    }
    BookmarkRecord record;
    record.options = options.rawValue();
    record.device = fileStatus->device;
    record.inode = fileStatus->inode;
    record.hasBirthTime = fileStatus->hasBirthTime;
    record.birthSeconds = fileStatus->birthSeconds;
    record.birthNanoseconds = fileStatus->birthNanoseconds;
    record.path = path;
    auto bytes = encodeBookmark(record);
    if (!bytes) error = std::make_error_code(std::errc::filename_too_long);
    return bytes;
}

// The resolution options are accepted and not interpreted: this facility never shows a user interface,
// mounts a volume or grants access to a resource.
std::optional<ResolvedBookmark> resolveBookmark(Host& host, const Bytes& bookmark, BookmarkResolutionOptions) {
    const auto record = decodeBookmark(bookmark);
    if (!record) return std::nullopt;

    std::error_code error;
    if (const auto atPath = host.status(record->path, error); atPath && !atPath->isDirectory) {
        return ResolvedBookmark{record->path, !isSameFile(*atPath, *record)};
    }

    // Without a birth time nothing tells the file from a later one under the same inode number.
    if (!record->hasBirthTime) return std::nullopt;
    const std::string folder = parentDirectory(record->path);
    auto entries = host.directoryEntries(folder, error);
    if (!entries) return std::nullopt;
    // Only entries that the folder lists under the recorded inode number are looked at: a document
    // deleted from a folder of 100,000 files costs one reading of the folder, not 100,000 `stat`s.
    std::vector<std::string> candidates;
    for (auto& entry : *entries) {
        if (entry.inode == record->inode) candidates.push_back(std::move(entry.name));
    }
    std::sort(candidates.begin(), candidates.end());  // the same answer every time, also for hard links
    for (const std::string& name : candidates) {
        const std::string candidate = joinPath(folder, name);
        if (const auto entry = host.status(candidate, error);
            entry && !entry->isDirectory && entry->hasBirthTime && isSameFile(*entry, *record)) {
            return ResolvedBookmark{candidate, true};
        }
    }
    return std::nullopt;
}

}  // namespace detail

}  // namespace today
