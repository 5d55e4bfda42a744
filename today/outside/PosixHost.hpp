// The real host on this system: POSIX system calls for files and locks, the C library's clock and time
// zone (the zone named by TZ, else the system's), the environment of the process, messages on standard
// output and libsodium's randomness. `Host::posix()` gives the one instance.
#pragma once

#include "today/outside/Host.hpp"

namespace today {

class PosixHost final : public Host {
public:
    bool exists(const std::string& path) override;
    std::optional<FileStatus> status(const std::string& path, std::error_code& error) override;
    std::optional<Bytes> readFile(const std::string& path, std::error_code& error) override;
    bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes, std::error_code& error) override;
    bool rename(const std::string& from, const std::string& to, std::error_code& error) override;
    bool remove(const std::string& path, std::error_code& error) override;
    std::optional<std::vector<DirectoryEntry>> directoryEntries(const std::string& path,
                                                                std::error_code& error) override;
    bool makeDirectory(const std::string& path, unsigned mode, std::error_code& error) override;
    bool setPermissions(const std::string& path, unsigned mode, std::error_code& error) override;
    std::optional<std::string> realPath(const std::string& path, std::error_code& error) override;
    std::string currentDirectory() override;
    std::optional<std::string> environmentVariable(const std::string& name) override;
    std::optional<FileLock> lockFile(const std::string& path, std::chrono::milliseconds timeout,
                                     std::error_code& error) override;
    Date now() override;
    std::optional<LocalTime> localTime(Date date) override;
    std::optional<Date> dateFromLocalTime(const LocalTime& local) override;
    void printLine(std::string_view line) override;
    void randomBytes(std::span<std::uint8_t> into) override;
};

}  // namespace today
