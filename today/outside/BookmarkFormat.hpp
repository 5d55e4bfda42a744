// The bytes of a bookmark on this system: a small versioned record of the file it was made for.
//
// Version 2, written today:
//   offset  size  field
//        0     4  magic "TDBK"
//        4     1  format version (2)
//        5     8  creation options, raw value (recorded, not interpreted)
//       13     8  device of the file
//       21     8  inode of the file
//       29     1  1 when the birth time of the file is recorded, else 0
//       30     8  birth time of the file: seconds since 1970 (signed)
//       38     4  birth time of the file: nanoseconds (0...999,999,999)
//       42     4  length n of the path in bytes
//       46     n  absolute path (UTF-8 as the file system gives it, no NUL)
//
// Version 1, still read: the same without offsets 29 to 41 (the path length at 29, the path at 33).
//
// Integers are little-endian. Nothing may follow the path. Decoding accepts exactly these shapes and
// nothing else, whatever bytes it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

#include "today/outside/BookmarkOptions.hpp"
#include "today/outside/Bytes.hpp"
#include "today/outside/Host.hpp"

namespace today::detail {

struct BookmarkRecord {
    std::uint64_t options = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    // The file's birth time, where the file system keeps one (never in version 1): it tells the file
    // from a later one that was given the same inode number.
    bool hasBirthTime = false;
    std::int64_t birthSeconds = 0;
    std::int64_t birthNanoseconds = 0;
    std::string path;
};

inline constexpr std::uint8_t bookmarkFormatVersion = 2;
// Longest path a bookmark records; longer ones are not paths the system can open.
inline constexpr std::size_t bookmarkMaximumPathLength = 4096;

// None when the path is not an absolute path that a bookmark can record.
std::optional<Bytes> encodeBookmark(const BookmarkRecord& record);
std::optional<BookmarkRecord> decodeBookmark(const Bytes& bytes);

// A bookmark of the existing file (not a directory) at the absolute path, symbolic links followed and
// the path recorded as given; none, with the cause, when there is no such file.
std::optional<Bytes> createBookmark(Host& host, const std::string& path, BookmarkCreationOptions options,
                                    std::error_code& error);

// A resolved bookmark: the path it designates and whether the file had to be followed.
struct ResolvedBookmark {
    std::string path;
    bool isStale = false;
};

// The file a bookmark designates: the recorded path while a file is there (stale when it is another
// file), else the entry of the recorded folder that is still the same file (stale); none otherwise.
// The options are accepted and not interpreted: resolving never shows a user interface, mounts a
// volume or grants access to a resource.
std::optional<ResolvedBookmark> resolveBookmark(Host& host, const Bytes& bookmark, BookmarkResolutionOptions options);

}  // namespace today::detail
