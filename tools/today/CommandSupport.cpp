// What the subcommands share: making the manager, printing, stored paths, and the texts of names and date spans.
#include <fmt/format.h>

#include <cstdio>

#include "today/manager/ManagerAccess.hpp"
#include "tools/today/Commands.hpp"

namespace today::cli {

std::unique_ptr<CommandManager> makeManager(const Context& context) {
    context.host.clearFailure();
    auto manager = TodayManager::make<CommandManager>(context.options.group);
    if (!manager) {
        const auto& failure = context.host.firstFailure();
        if (failure && failure->error == std::errc::not_a_directory) {
            printError(fmt::format("the application group \"{}\" has no shared container: {} is not a directory",
                                   context.options.group, failure->path));
        } else if (failure) {
            printError(fmt::format("the application group \"{}\" has no shared container: cannot {} {}: {}",
                                   context.options.group, failure->operation, failure->path,
                                   failure->error.message()));
        } else {
            printError(fmt::format("the application group \"{}\" has no shared container (set "
                                   "TODAY_GROUP_CONTAINERS, XDG_DATA_HOME or HOME to an absolute directory)",
                                   context.options.group));
        }
    } else if (manager->listFileUnreadable()) {
        printError(
            fmt::format("the list of plans {} could not be read; it is kept under a new name beside it "
                        "when the list is next saved",
                        printable(detail::ManagerAccess::dbFileUrl(*manager).path())));
    }
    return manager;
}

void printError(std::string_view message) noexcept {
    std::fflush(stdout);
    try {
        // Messages quote paths, keys and names from files: they pass the same sanitiser as the output.
        const std::string line = "today: " + printable(message) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    } catch (...) {
        std::fputs("today: out of memory\n", stderr);
    }
    std::fflush(stderr);
}

void printLine(std::string_view line) { fmt::print("{}\n", line); }

std::string storedPath(const Url& url) { return url.standardized().resolvingSymlinks().path(); }

std::string quotedName(std::string_view name) { return fmt::format("“{}”", printable(name)); }

std::string spanText(const std::optional<Date>& start, const std::optional<Date>& finish, Host& host) {
    if (start && finish) return formatLocalMinutes(*start, host) + " → " + formatLocalMinutes(*finish, host);
    if (start) return "from " + formatLocalMinutes(*start, host);
    if (finish) return "until " + formatLocalMinutes(*finish, host);
    return "no dates";
}

}  // namespace today::cli
