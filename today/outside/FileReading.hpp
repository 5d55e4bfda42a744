// Reading whole files safely: only regular files, opened without blocking, and never more than the
// limit of their kind, so that a named pipe cannot hang a reader and a sparse file of a terabyte cannot
// exhaust its memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "today/export.hpp"
#include "today/outside/Bytes.hpp"
#include "today/outside/Host.hpp"

namespace today::detail {

// The largest file of each kind that is read; a larger one is refused as unreadable. Each is many
// times what real use produces: a plan of 1,000,000 tasks is about 130 MB as Microsoft Project XML,
// its snapshot about 91 MB, and a list of 100,000 plans about 104 MB.
inline constexpr std::uint64_t maximumPlanDocumentBytes = std::uint64_t{1} << 30;   // 1 GiB
inline constexpr std::uint64_t maximumSnapshotBytes = std::uint64_t{1} << 30;       // 1 GiB
inline constexpr std::uint64_t maximumProfileListBytes = std::uint64_t{512} << 20;  // 512 MiB

// The limit of the file a path names, by its name: "projects.json" is the profile list, a name ending
// in ".prj" a snapshot, anything else a plan document.
std::uint64_t maximumFileBytes(std::string_view path);

// The whole content of the regular file at `path`, or none when it is not one, is larger than
// `limit` bytes (also when it grows past it while it is read), cannot be read, or does not fit in
// memory (`error` says which). Never blocks on a named pipe or a device.
std::optional<Bytes> readRegularFile(const std::string& path, std::uint64_t limit, std::error_code& error) noexcept;

// Why `readRegularFile` refused the path, for a message: "no such file", "is a directory", "is a named
// pipe (FIFO), not a file", "is larger than 1 GiB, the most such a file may have", "cannot be read:
// Permission denied". Looks at the path again, so it tells what is there now. Exported from a shared
// library for the today command.
TODAY_API std::string unreadableReason(const std::string& path, std::uint64_t limit);

// "1 GiB", "512 MiB", "1,500 bytes": a size limit as a person reads it.
std::string sizeText(std::uint64_t bytes);

}  // namespace today::detail
