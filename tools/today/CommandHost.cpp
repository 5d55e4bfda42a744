// The command's host: failures remembered for the command's messages, messages on standard error.
#include "tools/today/CommandHost.hpp"

#include <fmt/format.h>

#include <cstdio>

#include "today/outside/Messages.hpp"

namespace today::cli {

bool CommandHost::note(bool succeeded, std::string_view operation, const std::string& path,
                       const std::error_code& error, bool absentIsFailure) {
    // A path below a file (ENOTDIR) is as absent as a missing one.
    const bool absent = error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory;
    if (!succeeded && !_failure && (absentIsFailure || !absent)) {
        _failure = HostFailure{std::string(operation), path, error};
    }
    return succeeded;
}

std::optional<FileStatus> CommandHost::status(const std::string& path, std::error_code& error) {
    auto result = HostWrapper::status(path, error);
    note(result.has_value(), "look at", path, error, false);
    return result;
}

std::optional<Bytes> CommandHost::readFile(const std::string& path, std::error_code& error) {
    auto result = HostWrapper::readFile(path, error);
    note(result.has_value(), "read", path, error);
    return result;
}

bool CommandHost::writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) {
    return note(HostWrapper::writeNewFile(path, bytes, error), "write", path, error);
}

bool CommandHost::rename(const std::string& from, const std::string& to, std::error_code& error) {
    return note(HostWrapper::rename(from, to, error), "replace", to, error);
}

bool CommandHost::remove(const std::string& path, std::error_code& error) {
    return note(HostWrapper::remove(path, error), "remove", path, error, false);
}

std::optional<std::vector<DirectoryEntry>> CommandHost::directoryEntries(const std::string& path,
                                                                         std::error_code& error) {
    auto result = HostWrapper::directoryEntries(path, error);
    note(result.has_value(), "list", path, error, false);
    return result;
}

bool CommandHost::makeDirectory(const std::string& path, unsigned mode, std::error_code& error) {
    return note(HostWrapper::makeDirectory(path, mode, error), "make the directory", path, error);
}

std::optional<FileLock> CommandHost::lockFile(const std::string& path, std::chrono::milliseconds timeout,
                                              std::error_code& error) {
    auto result = HostWrapper::lockFile(path, timeout, error);
    note(result.has_value(), "lock", path, error);
    return result;
}

std::optional<std::string> CommandHost::environmentVariable(const std::string& name) {
    if (const auto set = _environment.find(name); set != _environment.end()) return set->second;
    return HostWrapper::environmentVariable(name);
}

void CommandHost::printLine(std::string_view line) {
    if (_eachMessageOnce && !_said.emplace(line).second) return;
    // What standard output holds so far goes first, so that both streams read in order on a terminal.
    std::fflush(stdout);
    detail::writeMessageLine(stderr, line);
}

std::optional<std::string> failureCause(const CommandHost& host, std::string_view subject) {
    const auto& failure = host.firstFailure();
    if (!failure) return std::nullopt;
    const std::string cause = failure->error.message();
    if (failure->path == subject) return cause;
    return fmt::format("cannot {} {}: {}", failure->operation, failure->path, cause);
}

}  // namespace today::cli
