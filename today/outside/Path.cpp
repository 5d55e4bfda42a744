// Whole-file reading and crash-safe whole-file writing on the host seam.
#include "today/outside/Path.hpp"

#include <array>

#include "today/outside/Hex.hpp"
#include "today/outside/Host.hpp"

namespace today::detail {

namespace {

// Longest file name most file systems take.
constexpr std::size_t maximumNameLength = 255;

// "<dir>/.<name>.tmp-<16 random hex digits>", beside the file so that the rename stays within one
// file system; the name part is shortened when the whole would be too long for a file name.
std::string temporaryPathBeside(const std::string& path) {
    std::string name(lastPathComponent(path));
    std::array<std::uint8_t, 8> random{};
    Host::current().randomBytes(random);
    std::string suffix = ".tmp-";
    for (const std::uint8_t byte : random) appendHexByte(suffix, byte, HexCase::lower);
    const std::size_t room = maximumNameLength - 1 - suffix.size();
    if (name.size() > room) name.resize(room);
    return joinPath(parentDirectory(path), "." + name + suffix);
}

// Whether a directory entry is a temporary file of `Path::write`: ".<name>.tmp-<16 hex digits>".
bool isTemporaryName(std::string_view name) {
    constexpr std::string_view marker = ".tmp-";
    constexpr std::size_t digits = 16;
    if (name.size() < 1 + marker.size() + digits || name.front() != '.') return false;
    const std::string_view tail = name.substr(name.size() - digits);
    if (name.substr(name.size() - digits - marker.size(), marker.size()) != marker) return false;
    return tail.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}  // namespace

std::string parentDirectory(std::string_view path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

std::string_view lastPathComponent(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string joinPath(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (!path.ends_with('/')) path += '/';
    path += name;
    return path;
}

void removeAbandonedTemporaryFiles(const std::string& directory, double age) {
    Host& host = Host::current();
    std::error_code error;
    const auto entries = host.directoryEntries(directory, error);
    if (!entries) return;
    const Date now = host.now();
    for (const auto& [name, inode] : *entries) {
        if (!isTemporaryName(name)) continue;
        const std::string path = joinPath(directory, name);
        const auto status = host.status(path, error);
        if (status && !status->isDirectory &&
            status->modified.timeIntervalSinceReferenceDate() < now.timeIntervalSinceReferenceDate() - age) {
            host.remove(path, error);
        }
    }
}

bool Path::exists() const { return Host::current().exists(_path); }

std::optional<Bytes> Path::read() const {
    std::error_code error;
    return Host::current().readFile(_path, error);
}

bool Path::write(std::span<const std::uint8_t> bytes) const {
    if (_path.empty() || _path.ends_with('/')) return false;
    Host& host = Host::current();
    const std::string temporary = temporaryPathBeside(_path);
    std::error_code error;
    std::error_code unused;  // the cause of the write or rename is what counts, not that of the clean-up
    if (!host.writeNewFile(temporary, bytes, error)) {
        host.remove(temporary, unused);  // a host may fail after creating the file
        return false;
    }
    if (!host.rename(temporary, _path, error)) {
        host.remove(temporary, unused);
        return false;
    }
    return true;
}

std::optional<Date> Path::lastUpdateDate() const {
    std::error_code error;
    const auto status = Host::current().status(_path, error);
    if (!status) return std::nullopt;
    return status->modified;
}

}  // namespace today::detail
