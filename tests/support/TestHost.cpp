// The tests' host: real files, captured message lines, a fixed clock, faults at any operation.
#include "support/TestHost.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
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
        case HostOp::lockFile: return "lockFile";
    }
    return "?";
}

TestHost::TestHost() : HostWrapper(Host::posix()), _zone(TimeZone::named("UTC")) {}

void TestHost::failAll(HostOp op, std::string pathPart) {
    setFaultRule([op, pathPart](HostOp o, const std::string& path, long) {
        return o == op && (pathPart.empty() || path.find(pathPart) != std::string::npos);
    });
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

bool TestHost::fails(HostOp op, const std::string& path, std::error_code& error) {
    if (!fails(op, path)) return false;
    error = std::make_error_code(std::errc::io_error);
    return true;
}

bool TestHost::exists(const std::string& path) { return !fails(HostOp::exists, path) && HostWrapper::exists(path); }

std::optional<FileStatus> TestHost::status(const std::string& path, std::error_code& error) {
    if (fails(HostOp::status, path, error)) return std::nullopt;
    return HostWrapper::status(path, error);
}

std::optional<FileLock> TestHost::lockFile(const std::string& path, std::chrono::milliseconds timeout,
                                           std::error_code& error) {
    if (fails(HostOp::lockFile, path, error)) return std::nullopt;
    return HostWrapper::lockFile(path, timeout, error);
}

std::optional<Bytes> TestHost::readFile(const std::string& path, std::error_code& error) {
    if (fails(HostOp::readFile, path, error)) return std::nullopt;
    return HostWrapper::readFile(path, error);
}

bool TestHost::writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) {
    return !fails(HostOp::writeNewFile, path, error) && HostWrapper::writeNewFile(path, bytes, error);
}

bool TestHost::rename(const std::string& from, const std::string& to, std::error_code& error) {
    return !fails(HostOp::rename, to, error) && HostWrapper::rename(from, to, error);
}

bool TestHost::remove(const std::string& path, std::error_code& error) {
    return !fails(HostOp::remove, path, error) && HostWrapper::remove(path, error);
}

std::optional<std::vector<DirectoryEntry>> TestHost::directoryEntries(const std::string& path, std::error_code& error) {
    if (fails(HostOp::directoryEntries, path, error)) return std::nullopt;
    return HostWrapper::directoryEntries(path, error);
}

bool TestHost::makeDirectory(const std::string& path, unsigned mode, std::error_code& error) {
    return !fails(HostOp::makeDirectory, path, error) && HostWrapper::makeDirectory(path, mode, error);
}

std::optional<std::string> TestHost::realPath(const std::string& path, std::error_code& error) {
    if (fails(HostOp::realPath, path, error)) return std::nullopt;
    return HostWrapper::realPath(path, error);
}

void TestHost::setTimeZone(std::optional<std::string> zone) {
    std::optional<TimeZone> found;
    if (zone) {
        found = TimeZone::named(*zone);
        if (!found) throw std::invalid_argument("unknown time zone " + *zone);
    }
    std::lock_guard guard(_mutex);
    _zone = std::move(found);
}

void TestHost::setEnvironmentVariable(const std::string& name, std::optional<std::string> value) {
    std::lock_guard guard(_mutex);
    _environment[name] = std::move(value);
}

std::optional<std::string> TestHost::environmentVariable(const std::string& name) {
    {
        std::lock_guard guard(_mutex);
        if (const auto set = _environment.find(name); set != _environment.end()) return set->second;
    }
    return HostWrapper::environmentVariable(name);
}

Date TestHost::now() {
    {
        std::lock_guard guard(_mutex);
        if (_now) return *_now;
    }
    return HostWrapper::now();
}

std::optional<LocalTime> TestHost::localTime(Date date) {
    std::optional<TimeZone> zone;
    {
        std::lock_guard guard(_mutex);
        zone = _zone;
    }
    if (!zone) return HostWrapper::localTime(date);
    // Whole seconds and fraction apart, so that the fraction stays exact.
    const double sinceReference = date.timeIntervalSinceReferenceDate();
    const double whole = std::floor(sinceReference);
    if (!std::isfinite(whole) || std::fabs(whole) > 1e15) return std::nullopt;
    const auto unixTime = static_cast<std::int64_t>(whole) + static_cast<std::int64_t>(Date::referenceUnixTime);
    const std::int64_t local = unixTime + zone->offsetAt(unixTime);
    const std::int64_t days = local / 86400 - (local % 86400 < 0);
    const std::int64_t secondOfDay = local - days * 86400;
    const auto civil = civilFromDays(days);
    return LocalTime{civil.year,
                     civil.month,
                     civil.day,
                     static_cast<int>(secondOfDay / 3600),
                     static_cast<int>(secondOfDay / 60 % 60),
                     static_cast<double>(secondOfDay % 60) + (sinceReference - whole)};
}

std::optional<Date> TestHost::dateFromLocalTime(const LocalTime& local) {
    std::optional<TimeZone> zone;
    {
        std::lock_guard guard(_mutex);
        zone = _zone;
    }
    if (!zone) return HostWrapper::dateFromLocalTime(local);
    if (!std::isfinite(local.second) || std::llabs(local.year) > 1'000'000) return std::nullopt;
    // Out-of-range fields are carried into the next larger field, as the C library does.
    const std::int64_t months = local.year * 12 + (local.month - 1);
    const std::int64_t year = months / 12 - (months % 12 < 0);
    const int month = static_cast<int>(months - year * 12) + 1;
    const double wholeSecond = std::floor(local.second);
    const std::int64_t localTime = (daysFromCivil(year, month, 1) + local.day - 1) * 86400 +
                                   std::int64_t{local.hour} * 3600 + std::int64_t{local.minute} * 60 +
                                   static_cast<std::int64_t>(wholeSecond);
    const std::int64_t unixTime = zone->unixTimeOf(localTime);
    return Date(static_cast<double>(unixTime - static_cast<std::int64_t>(Date::referenceUnixTime)) +
                (local.second - wholeSecond));
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

}  // namespace today::testing
