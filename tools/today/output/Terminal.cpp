// The width of standard output's terminal, the locale's character set and the choice of colours.
#include "tools/today/output/Terminal.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <charconv>
#include <string>

namespace today::cli {

namespace {

// Text narrower than this cannot hold a task's dates; wider than this is no longer read as lines.
constexpr std::size_t narrowest = 20;
constexpr std::size_t widest = 1000;

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < part.size() && lower(text[i + j]) == part[j]) ++j;
        if (j == part.size()) return true;
    }
    return false;
}

}  // namespace

std::size_t outputWidth(Host& host) {
    std::size_t width = 0;
    winsize size{};
    if (isatty(STDOUT_FILENO) && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        width = size.ws_col;
    } else if (const auto columns = host.environmentVariable("COLUMNS")) {
        const char* end = columns->data() + columns->size();
        if (std::from_chars(columns->data(), end, width).ptr != end) width = 0;
    }
    if (width == 0) return 80;
    return width < narrowest ? narrowest : width > widest ? widest : width;
}

bool localeIsUtf8(Host& host) {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const auto value = host.environmentVariable(name);
        if (!value || value->empty()) continue;
        return containsIgnoringCase(*value, "utf-8") || containsIgnoringCase(*value, "utf8");
    }
    return true;
}

bool wantsColor(ColorChoice choice, Host& host) {
    if (choice != ColorChoice::automatic) return choice == ColorChoice::always;
    if (!isatty(STDOUT_FILENO)) return false;
    const auto noColor = host.environmentVariable("NO_COLOR");
    if (noColor && !noColor->empty()) return false;
    const auto term = host.environmentVariable("TERM");
    return !(term && *term == "dumb");
}

}  // namespace today::cli
