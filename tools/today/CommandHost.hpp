// The command's host: the POSIX host, with the library's message lines on standard error, so that
// standard output carries only what the command was asked for (with --json, one JSON document).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "today/outside/Host.hpp"
#include "today/outside/Text.hpp"

namespace today::cli {

class CommandHost : public Host {
public:
    void printLine(std::string_view line) override {
        // A message may quote a path from the list: no control character of it reaches the terminal.
        std::string text = detail::terminalSafe(line);
        text.push_back('\n');
        // What standard output holds so far goes first, so that both streams read in order on a terminal.
        std::fflush(stdout);
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
};

}  // namespace today::cli
