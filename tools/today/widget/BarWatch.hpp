// Keeping the bar's line current: inotify on the list's container and on each plan's directory (with
// their parents, so that a directory deleted and made again is seen), a real-time timer at the next
// boundary, signals through a signalfd, and an optional periodic check. Nothing polls while nothing
// changes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "today/outside/Date.hpp"

namespace today::cli {

// What one refresh found: the output for the bar, when the clock alone can change it next, and the
// files the output depends on.
struct BarUpdate {
    std::string output;  // whole lines
    Date wakeAt{0};
    std::string container;               // the directory of the list and the snapshots; empty if none
    std::vector<std::string> planFiles;  // the documents of the chosen plans
};

// Prints the first update, then a new one whenever its output differs from the last printed, until
// SIGTERM or SIGINT, or until standard output is closed. `refresh` is called on a change of a watched
// file, at `wakeAt`, on SIGUSR1, and every `intervalSeconds` when given. Returns the exit code: 0, or 1
// when the watch cannot be set up.
int watchBar(const std::function<BarUpdate()>& refresh, std::optional<double> intervalSeconds);

// Writes all of the text to standard output; false when it cannot (a closed pipe, say).
bool writeOutput(std::string_view text);

}  // namespace today::cli
