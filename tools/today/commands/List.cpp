// `today list`: the listed plans, for a person or as JSON.
#include <fmt/format.h>

#include "tools/today/Commands.hpp"
#include "tools/today/output/JsonWriter.hpp"

namespace today::cli {

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
