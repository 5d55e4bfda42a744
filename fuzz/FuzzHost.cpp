// An in-memory host for the fuzz targets: a container and two documents, nothing on the real disk.
#include "FuzzHost.hpp"

#include <cstdio>
#include <cstdlib>

#include "today/outside/BookmarkFormat.hpp"
#include "today/outside/Path.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"

namespace today::fuzzing {

namespace {

constexpr std::uint64_t device = 7;

// Answers `result` with the cause set: ENOENT unless another is given.
template <class Result>
Result failed(std::error_code& error, Result result, std::errc cause = std::errc::no_such_file_or_directory) {
    error = std::make_error_code(cause);
    return result;
}

FileStatus fileStatus(std::uint64_t inode, bool isDirectory, double modified) {
    FileStatus status;
    status.device = device;
    status.inode = inode;
    status.isDirectory = isDirectory;
    status.modified = Date(modified);
    // Each file made gets its own inode number, so the number serves as its birth time too.
    status.hasBirthTime = true;
    status.birthSeconds = static_cast<std::int64_t>(inode);
    return status;
}

}  // namespace

FuzzHost::FuzzHost() : HostWrapper(Host::posix()) { reset(); }

void FuzzHost::reset() {
    _entries.clear();
    _nextInode = 1000;
    _random = 0;
    for (const char* directory : {"/", "/fuzz", "/fuzz/documents", containerPath}) {
        _entries[directory] = {fileStatus(_nextInode++, true, 0), {}};
    }
    _entries[firstDocumentPath] = {fileStatus(101, false, 6.9e8), "first"};
    _entries[secondDocumentPath] = {fileStatus(102, false, 6.9e8), "second"};

    detail::BookmarkRecord bookmark;
    bookmark.options = 0x800;
    bookmark.device = device;
    bookmark.inode = 101;
    bookmark.path = firstDocumentPath;
    detail::JsonTodayProjectProfile record;
    record.id = "first";
    record.name = "First";
    record.sourceOrvFilePath = firstDocumentPath;
    record.securityScopedBookmark = detail::encodeBookmark(bookmark);
    record.lastUpdate = Date(0);
    record.todayWidget = true;
    _entries[std::string(containerPath) + "/projects.json"] = {fileStatus(_nextInode++, false, 0),
                                                               *detail::encodeProfileList({record})};
}

void FuzzHost::requireInsideContainer(const std::string& path) {
    const std::string prefix = std::string(containerPath) + "/";
    const bool inside = path.starts_with(prefix) && path.find('/', prefix.size()) == std::string::npos &&
                        path.find('\0') == std::string::npos && path.size() > prefix.size();
    if (!inside) {
        std::fprintf(stderr, "a change outside the container: %s\n", path.c_str());
        std::abort();
    }
}

bool FuzzHost::exists(const std::string& path) { return _entries.count(path) != 0; }

std::optional<FileStatus> FuzzHost::status(const std::string& path, std::error_code& error) {
    const auto found = _entries.find(path);
    if (found == _entries.end()) return failed<std::optional<FileStatus>>(error, std::nullopt);
    error.clear();
    FileStatus status = found->second.status;
    status.size = found->second.content.size();
    return status;
}

std::optional<Bytes> FuzzHost::readFile(const std::string& path, std::error_code& error) {
    const auto found = _entries.find(path);
    if (found == _entries.end()) return failed<std::optional<Bytes>>(error, std::nullopt);
    if (found->second.status.isDirectory)
        return failed<std::optional<Bytes>>(error, std::nullopt, std::errc::is_a_directory);
    error.clear();
    return Bytes(found->second.content.begin(), found->second.content.end());
}

bool FuzzHost::writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) {
    requireInsideContainer(path);
    if (_entries.count(path)) return failed(error, false, std::errc::file_exists);
    error.clear();
    _entries[path] = {fileStatus(_nextInode++, false, 7e8), std::string(bytes.begin(), bytes.end())};
    return true;
}

bool FuzzHost::rename(const std::string& from, const std::string& to, std::error_code& error) {
    requireInsideContainer(from);
    requireInsideContainer(to);
    const auto found = _entries.find(from);
    if (found == _entries.end()) return failed(error, false);
    error.clear();
    Entry moved = std::move(found->second);
    _entries.erase(found);
    _entries[to] = std::move(moved);
    return true;
}

bool FuzzHost::remove(const std::string& path, std::error_code& error) {
    requireInsideContainer(path);
    if (_entries.erase(path) == 0) return failed(error, false);
    error.clear();
    return true;
}

std::optional<std::vector<DirectoryEntry>> FuzzHost::directoryEntries(const std::string& path, std::error_code& error) {
    const auto found = _entries.find(path);
    if (found == _entries.end() || !found->second.status.isDirectory) {
        return failed<std::optional<std::vector<DirectoryEntry>>>(error, std::nullopt);
    }
    error.clear();
    std::vector<DirectoryEntry> names;
    for (const auto& [entryPath, entry] : _entries) {
        if (entryPath != "/" && detail::parentDirectory(entryPath) == path) {
            names.push_back({std::string(detail::lastPathComponent(entryPath)), entry.status.inode});
        }
    }
    return names;
}

bool FuzzHost::makeDirectory(const std::string& path, unsigned, std::error_code& error) {
    const auto found = _entries.find(path);
    if (found == _entries.end() || !found->second.status.isDirectory)
        return failed(error, false, std::errc::read_only_file_system);
    error.clear();
    return true;
}

std::optional<std::string> FuzzHost::realPath(const std::string& path, std::error_code& error) {
    if (!_entries.count(path)) return failed<std::optional<std::string>>(error, std::nullopt);
    error.clear();
    return path;
}

void FuzzHost::randomBytes(std::span<std::uint8_t> into) {
    for (auto& byte : into) byte = _random++;
}

}  // namespace today::fuzzing
