// What the command learns about where its text goes: the width of the terminal, whether the locale's
// characters are UTF-8, and whether colours are wanted.
#pragma once

#include <cstddef>

#include "today/outside/Host.hpp"

namespace today::cli {

enum class ColorChoice { automatic, always, never };

// Columns of the terminal on standard output; else $COLUMNS when it is a number; else 80.
std::size_t outputWidth(Host& host);

// Whether the locale's character set is UTF-8: the first of LC_ALL, LC_CTYPE and LANG that is set and not
// empty names it ("C", "POSIX" and "en_US.ISO-8859-1" do not). With none set the output stays UTF-8, as
// it always was.
bool localeIsUtf8(Host& host);

// Whether text output carries colours: always or never as chosen; automatically only on a terminal,
// without NO_COLOR set and not on TERM=dumb.
bool wantsColor(ColorChoice choice, Host& host);

}  // namespace today::cli
