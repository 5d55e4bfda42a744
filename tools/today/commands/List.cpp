// `today list`: the listed plans, for a person or for scripts.
#include <fmt/format.h>

#include "today/manager/ManagerAccess.hpp"
#include "tools/today/Commands.hpp"
#include "tools/today/PlanViews.hpp"
#include "tools/today/output/PlanRecords.hpp"
#include "tools/today/output/PlanText.hpp"

namespace today::cli {

namespace {

std::string_view documentWords(DocumentState state) {
    switch (state) {
        case DocumentState::present: return "";
        case DocumentState::moved: return " (moved)";
        case DocumentState::missing: return " (gone: shown from its snapshot)";
    }
    return "";
}

void printRecords(const std::vector<PlanView>& plans, const std::optional<ListError>& listError,
                  const Context& context) {
    Host& host = context.host;
    const OutputFormat format = context.options.format;
    if (format == OutputFormat::tsv) {
        std::string out = "id\tname\tstart\tfinish\tfile\tlastUpdate\tdocument\tmovedTo\n";
        for (const PlanView& plan : plans) {
            const TodayProjectProfile& profile = plan.profile;
            const auto iso = [&](const std::optional<Date>& date) { return date ? formatIso8601(*date, host) : ""; };
            const std::string state = plan.document.state == DocumentState::present ? "present"
                                      : plan.document.state == DocumentState::moved ? "moved"
                                                                                    : "missing";
            for (const std::string& field :
                 {profile.id(), profile.name, iso(profile.start), iso(profile.finish), profile.sourceOrvFilePath,
                  formatIso8601(profile.lastUpdate, host), state}) {
                out += tsvField(field) + '\t';
            }
            out += tsvField(plan.document.movedTo) + '\n';
        }
        fmt::print("{}", out);
        return;
    }
    const auto writePlan = [&](JsonWriter& out, const PlanView& plan) {
        out.beginObject();
        if (format == OutputFormat::jsonl) out.key("version").value(recordsVersion);
        writePlanMembers(out, plan, host, false);
        out.key("lastUpdate").value(formatIso8601(plan.profile.lastUpdate, host));
        out.key("todayWidget").value(plan.profile.todayWidget);
        out.key("hasBookmark").value(plan.profile.securityScopedBookmark.has_value());
        out.endObject();
    };
    if (format == OutputFormat::jsonl) {
        JsonWriter line(JsonWriter::Layout::compact);
        for (const PlanView& plan : plans) {
            line.clear();
            writePlan(line, plan);
            fmt::print("{}", line.text());
        }
        return;
    }
    JsonWriter out = jsonWriter(context.options);
    out.beginObject().key("version").value(recordsVersion).key("command").value("list");
    out.key("plans").beginArray();
    for (const PlanView& plan : plans) writePlan(out, plan);
    out.endArray();
    writeErrors(out, {}, listError);
    out.endObject();
    fmt::print("{}", out.text());
}

}  // namespace

int runList(const Context& context) {
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;
    // Snapshots left behind by plans removed while another process rebuilt them go now.
    detail::ManagerAccess::removeOrphanSnapshots(*manager);
    Host& host = context.host;
    // The list as stored: no plan is loaded, so each counts as loaded.
    std::vector<PlanView> plans;
    for (auto& profile : manager->projectProfiles()) {
        const DocumentPlace place = locateDocument(profile, host);
        plans.push_back({std::move(profile), std::vector<TaskToday>{}, {}, place, {}});
    }
    const auto unreadList = listError(*manager);
    const int exitCode = unreadList ? exitFailure : exitSuccess;
    if (context.options.format != OutputFormat::text) {
        printRecords(plans, unreadList, context);
        return exitCode;
    }

    const TextView view{context.style, context.width};
    if (plans.empty()) {
        printNoPlans(unreadList, view);
        return exitCode;
    }
    bool first = true;
    for (const PlanView& plan : plans) {
        const TodayProjectProfile& profile = plan.profile;
        if (!first) printLine("");
        first = false;
        printLine(TextLine().add(printable(profile.name), Tone::bold), view);
        // Ids and paths are never cut: they are copied from here.
        printLine("  id:       " + printable(profile.id()));
        printLine("  file:     " + printable(profile.sourceOrvFilePath) +
                  context.style.red(documentWords(plan.document.state)));
        if (plan.document.state == DocumentState::moved) {
            printLine(context.style.red("  moved to: " + printable(plan.document.movedTo)));
        }
        printLine(TextLine().add("  dates:    " + spanText(profile.start, profile.finish, host)), view);
        printLine(TextLine().add("  modified: " + formatLocalMinutes(profile.lastUpdate, host)), view);
    }
    return exitCode;
}

}  // namespace today::cli
