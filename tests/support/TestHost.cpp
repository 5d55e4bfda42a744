// The tests' host: real files, captured message lines, a fixed clock, faults at any operation.
#include "support/TestHost.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace today::testing {

const char* toString(HostOp op) {
    switch (op) {
        case HostOp::exists: return "exists";
        case HostOp::status: return "status";
        case HostOp::readFile: return "readFile";
        case HostOp::writeNewFile: return "writeNewFile";
        case HostOp::rename: return "rename";
        case HostOp::remove: return "remove";
        case HostOp::directoryEntries: return "directoryEntries";
        case HostOp::makeDirectory: return "makeDirectory";
        case HostOp::realPath: return "realPath";
        case HostOp::createBookmark: return "createBookmark";
        case HostOp::resolveBookmark: return "resolveBookmark";
        case HostOp::lockFile: return "lockFile";
    }
    return "?";
}

TestHost::TestHost() = default;

void TestHost::failAll(HostOp op, std::string pathPart) {
    setFaultRule([op, pathPart](HostOp o, const std::string& path, long) {
        return o == op && (pathPart.empty() || path.find(pathPart) != std::string::npos);
    });
}

void TestHost::failNth(long n) {
    const long target = _count.load() + n;
    setFaultRule([target](HostOp, const std::string&, long count) { return count == target; });
}

void TestHost::setFaultRule(FaultRule rule) {
    std::lock_guard guard(_mutex);
    _rule = std::move(rule);
}

void TestHost::clearFaults() { setFaultRule(nullptr); }

void TestHost::setNow(std::optional<Date> now) {
    std::lock_guard guard(_mutex);
    _now = now;
}

std::vector<std::string> TestHost::lines() const {
    std::lock_guard guard(_mutex);
    return _lines;
}

std::vector<std::string> TestHost::takeLines() {
    std::lock_guard guard(_mutex);
    return std::exchange(_lines, {});
}

bool TestHost::fails(HostOp op, const std::string& path) {
    const long count = ++_count;
    FaultRule rule;
    {
        std::lock_guard guard(_mutex);
        rule = _rule;
    }
    return rule && rule(op, path, count);
}

bool TestHost::exists(const std::string& path) { return !fails(HostOp::exists, path) && Host::exists(path); }

std::optional<FileStatus> TestHost::status(const std::string& path, std::error_code* error) {
    if (fails(HostOp::status, path)) {
        if (error) *error = std::make_error_code(std::errc::io_error);
        return std::nullopt;
    }
    return Host::status(path, error);
}

std::optional<FileLock> TestHost::lockFile(const std::string& path, std::chrono::milliseconds timeout) {
    if (fails(HostOp::lockFile, path)) return std::nullopt;
    return Host::lockFile(path, timeout);
}

std::optional<Bytes> TestHost::readFile(const std::string& path) {
    if (fails(HostOp::readFile, path)) return std::nullopt;
    return Host::readFile(path);
}

bool TestHost::writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    return !fails(HostOp::writeNewFile, path) && Host::writeNewFile(path, bytes);
}

bool TestHost::rename(const std::string& from, const std::string& to) {
    return !fails(HostOp::rename, to) && Host::rename(from, to);
}

bool TestHost::remove(const std::string& path) { return !fails(HostOp::remove, path) && Host::remove(path); }

std::optional<std::vector<DirectoryEntry>> TestHost::directoryEntries(const std::string& path) {
    if (fails(HostOp::directoryEntries, path)) return std::nullopt;
    return Host::directoryEntries(path);
}

bool TestHost::makeDirectory(const std::string& path, unsigned mode) {
    return !fails(HostOp::makeDirectory, path) && Host::makeDirectory(path, mode);
}

std::optional<std::string> TestHost::realPath(const std::string& path) {
    if (fails(HostOp::realPath, path)) return std::nullopt;
    return Host::realPath(path);
}

Date TestHost::now() {
    {
        std::lock_guard guard(_mutex);
        if (_now) return *_now;
    }
    return Host::now();
}

std::optional<Bytes> TestHost::createBookmark(const std::string& path, BookmarkCreationOptions options) {
    if (fails(HostOp::createBookmark, path)) return std::nullopt;
    return Host::createBookmark(path, options);
}

std::optional<ResolvedBookmark> TestHost::resolveBookmark(const Bytes& bookmark, BookmarkResolutionOptions options) {
    if (fails(HostOp::resolveBookmark, {})) return std::nullopt;
    return Host::resolveBookmark(bookmark, options);
}

void TestHost::printLine(std::string_view line) {
    std::lock_guard guard(_mutex);
    _lines.emplace_back(line);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "today-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    // Resolve links (e.g. a linked /tmp) so that paths compare equal to resolved ones.
    _path = std::filesystem::canonical(pattern).string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(_path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(_path, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& content) const {
    const std::string path = file(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool fileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

ScopedTimeZone::ScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) _previous = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (_previous) ::setenv("TZ", _previous->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
}

}  // namespace today::testing
