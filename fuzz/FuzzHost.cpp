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

FuzzHost::FuzzHost() { reset(); }

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

std::optional<FileStatus> FuzzHost::status(const std::string& path, std::error_code* error) {
    const auto found = _entries.find(path);
    if (found == _entries.end()) {
        if (error) *error = std::make_error_code(std::errc::no_such_file_or_directory);
        return std::nullopt;
    }
    if (error) error->clear();
    FileStatus status = found->second.status;
    status.size = found->second.content.size();
    return status;
}

std::optional<Bytes> FuzzHost::readFile(const std::string& path) {
    const auto found = _entries.find(path);
    if (found == _entries.end() || found->second.status.isDirectory) return std::nullopt;
    return Bytes(found->second.content.begin(), found->second.content.end());
}

bool FuzzHost::writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    requireInsideContainer(path);
    if (_entries.count(path)) return false;
    _entries[path] = {fileStatus(_nextInode++, false, 7e8), std::string(bytes.begin(), bytes.end())};
    return true;
}

bool FuzzHost::rename(const std::string& from, const std::string& to) {
    requireInsideContainer(from);
    requireInsideContainer(to);
    const auto found = _entries.find(from);
    if (found == _entries.end()) return false;
    Entry moved = std::move(found->second);
    _entries.erase(found);
    _entries[to] = std::move(moved);
    return true;
}

bool FuzzHost::remove(const std::string& path) {
    requireInsideContainer(path);
    return _entries.erase(path) != 0;
}

std::optional<std::vector<DirectoryEntry>> FuzzHost::directoryEntries(const std::string& path) {
    const auto found = _entries.find(path);
    if (found == _entries.end() || !found->second.status.isDirectory) return std::nullopt;
    std::vector<DirectoryEntry> names;
    for (const auto& [entryPath, entry] : _entries) {
        if (entryPath != "/" && detail::parentDirectory(entryPath) == path) {
            names.push_back({std::string(detail::lastPathComponent(entryPath)), entry.status.inode});
        }
    }
    return names;
}

bool FuzzHost::makeDirectory(const std::string& path, unsigned) {
    const auto found = _entries.find(path);
    return found != _entries.end() && found->second.status.isDirectory;
}

std::optional<std::string> FuzzHost::realPath(const std::string& path) {
    if (!_entries.count(path)) return std::nullopt;
    return path;
}

void FuzzHost::randomBytes(std::span<std::uint8_t> into) {
    for (auto& byte : into) byte = _random++;
}

}  // namespace today::fuzzing
