// The library's one-line messages on the standard output, through the host seam.
#pragma once

#include <string_view>

namespace today::detail {

// The text and a newline.
void printPlain(std::string_view text);
// The text between double-quote characters, then a newline (the debug form).
void printQuoted(std::string_view text);

}  // namespace today::detail
