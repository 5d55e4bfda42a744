// The library's one-line messages on the standard output, through the host seam.
#pragma once

#include <cstdio>
#include <string_view>

#include "today/export.hpp"

namespace today::detail {

// The text and a newline.
void printPlain(std::string_view text);
// The text between double-quote characters, then a newline (the debug form).
void printQuoted(std::string_view text);

// Writes one message line to the stream and flushes it, in one locked write so that lines from several
// threads never interleave. A message may quote a path from the profile list: no control character of
// it reaches the terminal.
TODAY_API void writeMessageLine(std::FILE* stream, std::string_view line);

}  // namespace today::detail
