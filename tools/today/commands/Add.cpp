// `today add`: adding a plan document, named by a path or a file URL, to the list.
#include <fmt/format.h>

#include "today/manager/ManagerAccess.hpp"
#include "today/outside/Text.hpp"
#include "tools/today/Commands.hpp"

namespace today::cli {

namespace {

// The URL of the FILE argument: a path, or a URL when no file has that name and it reads as one.
Url documentUrl(const std::string& argument, Host& host) {
    const Url asPath = Url::fileUrl(argument);
    if (!host.exists(asPath.path())) {
        if (auto url = Url::parse(argument); url && url->scheme()) return *std::move(url);
    }
    return asPath;
}

}  // namespace

int runAdd(const Context& context) {
    const std::string& argument = context.options.file;
    const Url url = documentUrl(argument, context.host);
    if (!url.isFileUrl()) {
        printError(fmt::format("cannot add {}: only plan files can be added (a path or a file:// URL)", argument));
        return exitFailure;
    }
    if (const auto host = url.host(); host && !Url::isLocalHost(*host)) {
        printError(fmt::format("cannot add {}: the file URL names a file on the host \"{}\", not on this machine",
                               argument, *host));
        return exitFailure;
    }
    if (url.path().empty()) {
        printError(
            fmt::format("cannot add {}: the URL names no file (its path is empty, or escapes a \"/\" or a "
                        "NUL, which no file name holds)",
                        argument));
        return exitFailure;
    }
    if (!context.host.exists(storedPath(url))) {
        printError(fmt::format("cannot add {}: no such file", argument));
        return exitFailure;
    }
    if (!today::detail::isUtf8(storedPath(url))) {
        printError(fmt::format("cannot add {}: its path is not valid UTF-8, and the list keeps paths as UTF-8 text",
                               argument));
        return exitFailure;
    }
    const auto manager = makeManager(context, ContainerUse::make);
    if (!manager) return exitFailure;

    context.host.clearFailure();
    // Whether the file is listed already is decided by the library under the list's lock, so that
    // commands adding the same file at once list it once.
    std::optional<TodayProjectProfile> listed;
    const bool added =
        context.options.again ? manager->add(url) : detail::ManagerAccess::addUnlessListed(*manager, url, listed);
    if (listed) {
        printError(
            fmt::format("{} is already listed as {} ({}); `today update {}` reads it again, --again adds it "
                        "once more",
                        argument, printable(listed->id()), quotedName(listed->name), printable(listed->id())));
        return exitFailure;
    }
    const auto id = manager->takeChanged();
    const auto profile = id ? manager->projectProfileById(*id) : std::nullopt;
    if (!added || !profile) {
        const bool unreadable = !manager->takeLoadFailures().empty();
        const auto cause = failureCause(context.host, storedPath(url));
        printError(
            fmt::format("cannot add {}: {}", argument,
                        cause.value_or(unreadable ? "the plan could not be read" : "the list could not be saved")));
        return exitFailure;
    }
    printLine(fmt::format("Added {} as {} from {}", quotedName(profile->name), printable(profile->id()),
                          printable(profile->sourceOrvFilePath)));
    return exitSuccess;
}

}  // namespace today::cli
