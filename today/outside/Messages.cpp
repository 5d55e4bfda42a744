// The library's message lines, written through the host.
#include "today/outside/Messages.hpp"

#include <string>

#include "today/outside/Host.hpp"

namespace today::detail {

void printPlain(std::string_view text) { Host::current().printLine(text); }

void printQuoted(std::string_view text) {
    std::string line;
    line.reserve(text.size() + 2);
    line += '"';
    line += text;
    line += '"';
    Host::current().printLine(line);
}

}  // namespace today::detail
