// `today integrate`: registers `today open --launch` as the user's handler of the widget's links (a
// desktop entry in $XDG_DATA_HOME/applications, made the default by xdg-mime); `--undo` removes both.
// Running it again changes nothing.
#include <fmt/format.h>

#include <array>
#include <string>

#include "tools/today/Commands.hpp"
#include "tools/today/desktop/DesktopEntry.hpp"
#include "tools/today/desktop/Processes.hpp"

namespace today::cli {

namespace {

// An XDG base directory: the variable when it holds an absolute path, else the default below $HOME.
std::optional<std::string> baseDirectory(Host& host, const std::string& variable, const std::string& underHome) {
    if (const auto set = host.environmentVariable(variable); set && set->starts_with("/")) return *set;
    if (const auto home = host.environmentVariable("HOME"); home && home->starts_with("/")) {
        return *home + "/" + underHome;
    }
    return std::nullopt;
}

bool makeDirectories(Host& host, const std::string& path, std::error_code& error) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        if (!host.makeDirectory(path.substr(0, slash), 0755, error)) return false;
        if (slash == std::string::npos) return true;
    }
}

std::optional<std::string> fileText(Host& host, const std::string& path) {
    std::error_code error;
    const auto bytes = host.readFile(path, error);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

// Replaces the file's content at once, through a new file renamed over it that keeps the permissions of
// the file it replaces.
bool replaceFile(Host& host, const std::string& path, std::string_view text, std::error_code& error) {
    std::array<std::uint8_t, 6> random{};
    host.randomBytes(random);
    std::string temporary = path + ".";
    for (const auto byte : random) temporary += fmt::format("{:02x}", byte);
    const auto replaced = host.status(path, error);
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (!host.writeNewFile(temporary, bytes, error)) return false;
    if ((!replaced || host.setPermissions(temporary, replaced->permissions, error)) &&
        host.rename(temporary, path, error)) {
        return true;
    }
    std::error_code ignored;
    host.remove(temporary, ignored);
    return false;
}

// Refreshes the desktop's cache of handlers, where the tool for it is installed.
void updateDesktopDatabase(const std::string& applications) {
    const ProgramRun run = runProgram({"update-desktop-database", applications});
    if (run.startError == std::errc::no_such_file_or_directory) return;
    if (!run.succeeded()) printError("update-desktop-database " + applications + " failed; desktops may see it later");
}

int integrate(const Context& context, const std::string& applications, const std::string& entry) {
    Host& host = context.host;
    std::error_code error;
    const auto program = host.realPath("/proc/self/exe", error);
    const auto word = program ? execWord(*program) : std::nullopt;
    if (!word) {
        printError(program ? fmt::format("a desktop entry cannot run {}: its path holds a control character", *program)
                           : "cannot tell where this today command is: " + error.message());
        return exitFailure;
    }
    const std::string text = desktopEntryText(*word);
    if (fileText(host, entry) != text) {
        if (!makeDirectories(host, applications, error) || !replaceFile(host, entry, text, error)) {
            printError(fmt::format("cannot write {}: {}", entry, error.message()));
            return exitFailure;
        }
    }
    for (const std::string_view type : {linkHandlerType, linkHandlerTypeAsWritten}) {
        const ProgramRun run = runProgram({"xdg-mime", "default", std::string(desktopEntryName), std::string(type)});
        if (!run.succeeded()) {
            printError(run.startError ? "cannot run xdg-mime: " + run.startError.message() + " (install xdg-utils)"
                                      : fmt::format("xdg-mime default failed with exit status {}", run.exitStatus));
            return exitFailure;
        }
    }
    updateDesktopDatabase(applications);
    printLine(
        fmt::format("orvaneproject: links open with `{} open --launch` ({})", printable(*program), printable(entry)));
    return exitSuccess;
}

int undo(const Context& context, const std::string& applications, const std::string& entry) {
    Host& host = context.host;
    bool removed = false;
    std::error_code error;
    if (host.exists(entry)) {
        if (!host.remove(entry, error)) {
            printError(fmt::format("cannot remove {}: {}", entry, error.message()));
            return exitFailure;
        }
        printLine("Removed " + printable(entry));
        removed = true;
    }
    // xdg-mime keeps the default in the user's mimeapps.list; older desktops read the one beside the entries.
    std::vector<std::string> lists = {applications + "/mimeapps.list"};
    if (const auto config = baseDirectory(host, "XDG_CONFIG_HOME", ".config")) {
        lists.insert(lists.begin(), *config + "/mimeapps.list");
    }
    for (const std::string& list : lists) {
        // A list that is a symbolic link (to a dotfiles repository, say) is changed where it leads.
        const auto target = host.realPath(list, error);
        const auto text = target ? fileText(host, *target) : std::nullopt;
        const auto without = text ? withoutOurHandler(*text) : std::nullopt;
        if (!without) continue;
        if (!replaceFile(host, *target, *without, error)) {
            printError(fmt::format("cannot write {}: {}", list, error.message()));
            return exitFailure;
        }
        printLine(fmt::format("Removed the handler of {} from {}", linkHandlerType, printable(list)));
        removed = true;
    }
    if (removed) updateDesktopDatabase(applications);
    else printLine("Nothing to undo: the widget's links were not registered here");
    return exitSuccess;
}

}  // namespace

int runIntegrate(const Context& context) {
    const auto data = baseDirectory(context.host, "XDG_DATA_HOME", ".local/share");
    if (!data) {
        printError("set HOME or XDG_DATA_HOME to an absolute path: the desktop entry goes below it");
        return exitFailure;
    }
    const std::string applications = *data + "/applications";
    const std::string entry = applications + "/" + std::string(desktopEntryName);
    return context.options.undo ? undo(context, applications, entry) : integrate(context, applications, entry);
}

}  // namespace today::cli
