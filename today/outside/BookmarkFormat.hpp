// The bytes of a bookmark on this system: a small versioned record of the file it was made for.
//
//   offset  size  field
//        0     4  magic "TDBK"
//        4     1  format version (1)
//        5     8  creation options, raw value (recorded, not interpreted)
//       13     8  device of the file
//       21     8  inode of the file
//       29     4  length n of the path in bytes
//       33     n  absolute path (UTF-8 as the file system gives it, no NUL)
//
// Integers are little-endian. Nothing may follow the path. Decoding accepts exactly this shape and
// nothing else, whatever bytes it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "today/outside/Bytes.hpp"

namespace today::detail {

struct BookmarkRecord {
    std::uint64_t options = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::string path;
};

inline constexpr std::uint8_t bookmarkFormatVersion = 1;
// Longest path a bookmark records; longer ones are not paths the system can open.
inline constexpr std::size_t bookmarkMaximumPathLength = 4096;

// None when the path is not an absolute path that a bookmark can record.
std::optional<Bytes> encodeBookmark(const BookmarkRecord& record);
std::optional<BookmarkRecord> decodeBookmark(const Bytes& bytes);

}  // namespace today::detail
