// Text helpers: canonical-equivalence equality of identifiers and paths, and file-name checks.
#pragma once

#include <string_view>

namespace today::detail {

// True when the two UTF-8 texts are canonically equivalent (equal after NFC normalisation);
// case-sensitive, no trimming. Byte-equal and pure-ASCII texts are decided without normalising.
bool canonicallyEqual(std::string_view a, std::string_view b);

// True when the text can be used as one plain file-name component inside a directory: not empty,
// not "." or "..", no "/" or NUL, at most 255 bytes.
bool isPlainFileName(std::string_view name);

}  // namespace today::detail
