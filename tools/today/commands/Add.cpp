// `today add`, `update`, `remove` and `list`: the configuration operations and the profile list.
#include <fmt/format.h>

#include "tools/today/Commands.hpp"
#include "tools/today/output/JsonWriter.hpp"

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

// The path as the manager stores it: standardised, with symbolic links resolved.
std::string storedPath(const Url& url) { return url.standardized().resolvingSymlinks().path(); }

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
        printError(fmt::format("cannot add {}: the URL names no file (its path is empty, or escapes a \"/\" or a "
                               "NUL, which no file name holds)",
                               argument));
        return exitFailure;
    }
    if (!context.host.exists(storedPath(url))) {
        printError(fmt::format("cannot add {}: no such file", argument));
        return exitFailure;
    }
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;

    const bool added = manager->add(url);
    const auto id = manager->takeChanged();
    const auto profile = id ? manager->projectProfileById(*id) : std::nullopt;
    if (!added || !profile) {
        const bool unreadable = !manager->takeLoadFailures().empty();
        printError(fmt::format("{} was not added{}", argument, unreadable ? ": the plan could not be read" : ""));
        return exitFailure;
    }
    printLine(fmt::format("Added {} as {} from {}", quotedName(profile->name), printable(profile->id()),
                          printable(profile->sourceOrvFilePath)));
    return exitSuccess;
}

int runUpdate(const Context& context) {
    const std::string& argument = context.options.file;
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;

    // The list holds standardised, link-resolved paths; the path exactly as given is tried as well.
    auto before = manager->projectProfile(std::string_view(storedPath(Url::fileUrl(argument))));
    if (!before) before = manager->projectProfile(std::string_view(argument));
    if (!before) {
        printError(fmt::format("{} is not in the list (see `today list`)", argument));
        return exitFailure;
    }
    if (!context.host.exists(before->sourceOrvFilePath)) {
        printError(fmt::format("cannot update {}: no such file", before->sourceOrvFilePath));
        return exitFailure;
    }

    const bool updated = manager->update(before->sourceOrvFilePath);
    const bool unreadable = !manager->takeLoadFailures().empty();
    if (!updated || unreadable) {
        printError(fmt::format("{} was left as it was{}", quotedName(before->name),
                               unreadable ? ": the plan could not be read" : ""));
        return exitFailure;
    }
    const auto after = manager->projectProfileById(before->id()).value_or(*before);
    // The library counts an update whose snapshot or list could not be written a success; the profile
    // then still carries another date than the document's.
    if (const auto document = context.host.status(before->sourceOrvFilePath); document && document->modified != after.lastUpdate) {
        printError(fmt::format("{} could not be updated: its snapshot or the list of plans could not be written",
                               quotedName(before->name)));
        return exitFailure;
    }
    if (after.lastUpdate == before->lastUpdate) {
        printLine(fmt::format("{} ({}) is up to date", quotedName(after.name), printable(after.id())));
    } else {
        printLine(fmt::format("Updated {} ({}): {}", quotedName(after.name), printable(after.id()),
                              spanText(after.start, after.finish, context.host)));
    }
    return exitSuccess;
}

int runRemove(const Context& context) {
    const std::string& id = context.options.id;
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;

    const auto profile = manager->projectProfileById(id);
    if (!profile) {
        printError(fmt::format("no plan has the id \"{}\" (see `today list`)", id));
        return exitFailure;
    }
    if (!manager->deleteProject(id)) {
        printError(fmt::format("{} ({}) could not be removed", quotedName(profile->name), id));
        return exitFailure;
    }
    printLine(fmt::format("Removed {} ({})", quotedName(profile->name), printable(id)));
    return exitSuccess;
}

int runList(const Context& context) {
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;
    const auto profiles = manager->projectProfiles();
    Host& host = context.host;

    if (context.options.json) {
        JsonWriter out;
        out.beginArray();
        for (const auto& profile : profiles) {
            out.beginObject();
            out.key("id").value(profile.id());
            out.key("name").value(profile.name);
            out.key("start");
            profile.start ? out.value(formatIso8601(*profile.start, host)) : out.null();
            out.key("finish");
            profile.finish ? out.value(formatIso8601(*profile.finish, host)) : out.null();
            out.key("sourceOrvFilePath").value(profile.sourceOrvFilePath);
            out.key("lastUpdate").value(formatIso8601(profile.lastUpdate, host));
            out.key("todayWidget").value(profile.todayWidget);
            out.key("hasBookmark").value(profile.securityScopedBookmark.has_value());
            out.endObject();
        }
        out.endArray();
        fmt::print("{}", out.text());
        return exitSuccess;
    }

    if (profiles.empty()) {
        printLine("No plans are listed yet. Add one with: today add FILE");
        return exitSuccess;
    }
    const Style& style = context.style;
    bool first = true;
    for (const auto& profile : profiles) {
        if (!first) printLine("");
        first = false;
        printLine(style.bold(printable(profile.name)));
        printLine(fmt::format("  id:       {}", printable(profile.id())));
        printLine(fmt::format("  file:     {}", printable(profile.sourceOrvFilePath)));
        printLine(fmt::format("  dates:    {}", spanText(profile.start, profile.finish, host)));
        printLine(fmt::format("  modified: {}", formatLocalMinutes(profile.lastUpdate, host)));
    }
    return exitSuccess;
}

}  // namespace today::cli
