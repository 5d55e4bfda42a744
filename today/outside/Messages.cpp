// The library's message lines, written through the host.
#include "today/outside/Messages.hpp"

#include <string>

#include "today/outside/Host.hpp"
#include "today/outside/Text.hpp"

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

void writeMessageLine(std::FILE* stream, std::string_view line) {
    std::string text = terminalSafe(line);
    text.push_back('\n');
    flockfile(stream);
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
    funlockfile(stream);
}

}  // namespace today::detail
