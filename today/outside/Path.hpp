// A file named by its path, with whole-file reading and crash-safe whole-file writing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "today/outside/Bytes.hpp"
#include "today/outside/Date.hpp"

namespace today::detail {

class Path {
public:
    explicit Path(std::string path) : _path(std::move(path)) {}

    const std::string& string() const { return _path; }
    bool exists() const;
    std::optional<Bytes> read() const;
    // Replaces the file's whole content atomically: the bytes go to a new temporary file beside it,
    // flushed to disk, which is then renamed over the file. On any failure the temporary file is
    // removed and the old content stays. Readers in other processes see the old or the new content.
    bool write(std::span<const std::uint8_t> bytes) const;
    // The file's last-modification date, or none.
    std::optional<Date> lastUpdateDate() const;

private:
    std::string _path;
};

// The directory of a path: "." for a bare name, "/" for a name at the root.
std::string parentDirectory(std::string_view path);
// The last part of a path (the whole path when it has no "/").
std::string_view lastPathComponent(std::string_view path);
// `name` in `directory`, with one "/" between them (also when the directory is the root).
std::string joinPath(std::string_view directory, std::string_view name);

// Removes the temporary files that writes in `directory` left behind when their process was killed
// between creating and renaming them, once they are older than `age` seconds (younger ones may belong
// to a write in progress in another process).
void removeAbandonedTemporaryFiles(const std::string& directory, double age);

}  // namespace today::detail
