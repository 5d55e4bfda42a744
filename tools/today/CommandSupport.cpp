// What the subcommands share: making the manager, printing, stored paths, and quoted names.
#include <fmt/format.h>

#include <cstdio>

#include "today/manager/ManagerAccess.hpp"
#include "tools/today/Commands.hpp"

namespace today::cli {

namespace {

// The group's container: made when missing for `make`; for `find` only where it would be, since a
// container not made yet holds no plans. None after noting the cause in the host when it cannot serve.
std::optional<GroupContainer> groupContainer(const Context& context, ContainerUse use) {
    if (use == ContainerUse::make) return GroupContainer::lookup(context.options.group);
    auto container = GroupContainer::find(context.options.group);
    if (!container) return std::nullopt;
    std::error_code error;
    std::string path = container->url().path();
    auto status = context.host.status(path, error);
    if (status ? status->isDirectory : error == std::errc::no_such_file_or_directory) return container;
    // Below a file (ENOTDIR), the file that stands in the way is named.
    for (auto slash = path.find_last_of('/');
         !status && error == std::errc::not_a_directory && slash != 0 && slash != std::string::npos;
         slash = path.find_last_of('/')) {
        path.resize(slash);
        status = context.host.status(path, error);
    }
    if (status) error = std::make_error_code(std::errc::not_a_directory);
    context.host.noteFailure({"look at", path, error});
    return std::nullopt;
}

}  // namespace

std::unique_ptr<CommandManager> makeManager(const Context& context, ContainerUse use) {
    context.host.clearFailure();
    const auto container = groupContainer(context, use);
    auto manager = container ? std::make_unique<CommandManager>(*container) : nullptr;
    if (!manager) {
        const auto& failure = context.host.firstFailure();
        if (failure && failure->error == std::errc::not_a_directory) {
            printError(
                fmt::format("the application group \"{}\" has no shared container: {} is not a directory "
                            "(set TODAY_GROUP_CONTAINERS to a writable directory)",
                            context.options.group, failure->path));
        } else if (failure) {
            printError(
                fmt::format("the application group \"{}\" has no shared container: cannot {} {}: {} "
                            "(set TODAY_GROUP_CONTAINERS to a writable directory)",
                            context.options.group, failure->operation, failure->path, failure->error.message()));
        } else if (const auto root = context.host.environmentVariable("TODAY_GROUP_CONTAINERS");
                   root && !root->empty() && !root->starts_with('/')) {
            printError(fmt::format("TODAY_GROUP_CONTAINERS must be an absolute path, not \"{}\"", *root));
        } else {
            printError(
                fmt::format("the application group \"{}\" has no shared container: set "
                            "TODAY_GROUP_CONTAINERS (or HOME) to an absolute path",
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

std::optional<TodayProjectProfile> findPlan(CommandManager& manager, const std::string& argument, bool& ambiguous) {
    ambiguous = false;
    if (auto profile = manager.projectProfileById(argument)) return profile;
    // The plan's file: as the list stores paths (standardised, links resolved), or exactly as given.
    if (!argument.empty()) {
        if (auto profile = manager.projectProfile(std::string_view(storedPath(Url::fileUrl(argument))))) return profile;
        if (auto profile = manager.projectProfile(std::string_view(argument))) return profile;
    }
    // A unique start of an id, in any letter case.
    const auto upper = [](std::string text) {
        for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return text;
    };
    if (argument.empty()) return std::nullopt;
    std::optional<TodayProjectProfile> found;
    for (auto& profile : manager.projectProfiles()) {
        if (!upper(profile.id()).starts_with(upper(argument))) continue;
        if (found && found->id() != profile.id()) {
            ambiguous = true;
            return std::nullopt;
        }
        found = std::move(profile);
    }
    return found;
}

std::string quotedName(std::string_view name) {
    return fmt::format("{}{}{}", glyphs().openQuote, printable(name), glyphs().closeQuote);
}

}  // namespace today::cli
