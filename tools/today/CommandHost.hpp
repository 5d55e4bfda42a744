// The command's host: the POSIX host, with the library's message lines on standard error (so that
// standard output carries only what the command was asked for), environment variables the command
// sets for itself, and the first failed file operation remembered, so that the command can say why an
// operation of the library failed.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>

#include "today/outside/Host.hpp"

namespace today::cli {

// A file operation that failed: which, on what, and the system's cause.
struct HostFailure {
    std::string operation;  // "read", "write", "lock", …
    std::string path;
    std::error_code error;
};

class CommandHost : public HostWrapper {
public:
    CommandHost() : HostWrapper(Host::posix()) {}

    // The first failure since the last `clearFailure` (or since the start). Looking for a file that is
    // not there is not a failure: the library does that to learn that a file is absent.
    const std::optional<HostFailure>& firstFailure() const { return _failure; }
    void clearFailure() { _failure.reset(); }
    // Remembers a failure that the command found itself, when it is the first.
    void noteFailure(HostFailure failure) {
        if (!_failure) _failure = std::move(failure);
    }

    // Seen by the library instead of the process's own environment variable of that name.
    void setEnvironmentVariable(const std::string& name, std::string value) { _environment[name] = std::move(value); }

    std::optional<FileStatus> status(const std::string& path, std::error_code& error) override;
    std::optional<Bytes> readFile(const std::string& path, std::error_code& error) override;
    bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) override;
    bool rename(const std::string& from, const std::string& to, std::error_code& error) override;
    bool remove(const std::string& path, std::error_code& error) override;
    std::optional<std::vector<DirectoryEntry>> directoryEntries(const std::string& path,
                                                                std::error_code& error) override;
    bool makeDirectory(const std::string& path, unsigned mode, std::error_code& error) override;
    std::optional<FileLock> lockFile(const std::string& path, std::chrono::milliseconds timeout,
                                     std::error_code& error) override;
    std::optional<std::string> environmentVariable(const std::string& name) override;
    void printLine(std::string_view line) override;
    // Prints each distinct message line of the library once only, for a process that runs for days
    // and would otherwise repeat the same note ("Bookmark is stale.") at every save of a plan.
    void printEachMessageOnce() { _eachMessageOnce = true; }

private:
    // Passes `succeeded` through, remembering the failure when it is the first.
    bool note(bool succeeded, std::string_view operation, const std::string& path, const std::error_code& error,
              bool absentIsFailure = true);

    std::optional<HostFailure> _failure;
    std::map<std::string, std::string, std::less<>> _environment;
    bool _eachMessageOnce = false;
    std::set<std::string, std::less<>> _said;
};

// "Permission denied" when the failure was on `subject` itself, else "<path>: <cause>" (for a file
// of the container, say); none when no operation failed.
std::optional<std::string> failureCause(const CommandHost& host, std::string_view subject);

}  // namespace today::cli
