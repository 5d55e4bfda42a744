// Writing plans and tasks as JSON members, JSON Lines and TSV rows.
#include "tools/today/output/PlanRecords.hpp"

#include <fmt/format.h>
#include <utf8proc.h>

#include <stdexcept>

#include "today/outside/Text.hpp"
#include "tools/today/output/Format.hpp"
#include "tools/today/output/JsonWriter.hpp"
#include "tools/today/output/TaskMoments.hpp"

namespace today::cli {

namespace {

void writeOptionalDate(JsonWriter& out, const char* key, const std::optional<Date>& date, Host& host) {
    out.key(key);
    if (date) out.value(formatIso8601(*date, host));
    else out.null();
}

std::string_view documentText(DocumentState state) {
    switch (state) {
        case DocumentState::present: return "present";
        case DocumentState::moved: return "moved";
        case DocumentState::missing: return "missing";
    }
    return "present";
}

// The widget link that opens the plan, or none for an id that no link can carry.
std::optional<std::string> widgetLink(const std::string& id) {
    try {
        const Url url = WidgetHelper::shared.widgetUrl(WidgetHelper::WidgetURLTarget::project(id));
        const auto target = WidgetHelper::shared.target(url);
        if (target && target->kind() == WidgetHelper::WidgetURLTarget::Kind::project && target->projectId() == id) {
            return url.string();
        }
    } catch (const std::invalid_argument&) {
    }
    return std::nullopt;
}

std::optional<std::string> projectTaskName(const TaskToday& task, const PlanView& plan) {
    const auto id = task.directProjectTaskId();
    if (!id) return std::nullopt;
    const auto found = plan.projectTaskNames.find(*id);
    if (found == plan.projectTaskNames.end()) return std::nullopt;
    return found->second;
}

void appendRow(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += '\t';
        out += tsvField(fields[i]);
    }
    out += '\n';
}

}  // namespace

JsonWriter jsonWriter(const Options& options) {
    return JsonWriter(options.pretty ? JsonWriter::Layout::indented : JsonWriter::Layout::compact);
}

void writePlanMembers(JsonWriter& out, const PlanView& plan, Host& host, bool withTasks) {
    const TodayProjectProfile& profile = plan.profile;
    out.key("id").value(profile.id());
    out.key("name").value(profile.name);
    writeOptionalDate(out, "start", profile.start, host);
    writeOptionalDate(out, "finish", profile.finish, host);
    out.key("file").value(profile.sourceOrvFilePath);
    out.key("link");
    if (const auto link = widgetLink(profile.id())) out.value(*link);
    else out.null();
    out.key("document").value(documentText(plan.document.state));
    out.key("movedTo");
    if (plan.document.state == DocumentState::moved) out.value(plan.document.movedTo);
    else out.null();
    if (withTasks) out.key("loaded").value(plan.tasks.has_value());
}

void writeTaskMembers(JsonWriter& out, const TaskToday& task, const PlanView& plan, Host& host) {
    out.key("id").value(std::to_string(task.id()));
    out.key("name").value(task.name());
    out.key("start").value(formatIso8601(task.start(), host));
    out.key("finish").value(formatIso8601(task.finish(), host));
    out.key("completedPercent").value(task.completed());
    out.key("colorIndex").value(task.color());
    out.key("isMilestone").value(task.isMilestone());
    out.key("projectTaskId");
    if (const auto id = task.directProjectTaskId()) out.value(std::to_string(*id));
    else out.null();
    out.key("projectTaskName");
    if (const auto name = projectTaskName(task, plan)) out.value(*name);
    else out.null();
    out.key("due");
    if (task.isMilestone()) out.value(formatIso8601(task.finish(), host));
    else out.null();
    out.key("state").value(stateText(taskState(task, host.now())));
}

void writeErrors(JsonWriter& out, const std::vector<PlanView>& plans, const std::optional<ListError>& listError) {
    out.key("errors").beginArray();
    if (listError) {
        out.beginObject().key("plan").null();
        out.key("file").value(listError->file).key("message").value(listError->message).endObject();
    }
    for (const PlanView& plan : plans) {
        if (plan.tasks) continue;
        out.beginObject();
        out.key("plan").value(plan.profile.id());
        out.key("file").value(plan.profile.sourceOrvFilePath);
        out.key("message").value(plan.error);
        out.endObject();
    }
    out.endArray();
}

void writePlans(JsonWriter& out, const std::vector<PlanView>& plans, Host& host) {
    out.key("plans").beginArray();
    for (const PlanView& plan : plans) {
        out.beginObject();
        writePlanMembers(out, plan, host);
        out.endObject();
    }
    out.endArray();
}

void writeTaskOfPlan(JsonWriter& out, const TaskToday& task, const PlanView& plan, Host& host) {
    out.beginObject().key("plan").value(plan.profile.id());
    writeTaskMembers(out, task, plan, host);
    out.endObject();
}

void printTaskRecords(JsonWriter& out, const std::vector<PlanView>& plans, const std::optional<ListError>& listError,
                      const std::vector<TaskRow>& rows, const Options& options, Host& host) {
    if (options.format != OutputFormat::json) {
        fmt::print("{}", taskRows(rows, options.format, host));
        return;
    }
    writeErrors(out, plans, listError);
    out.endObject();
    fmt::print("{}", out.text());
}

std::string taskRows(const std::vector<TaskRow>& rows, OutputFormat format, Host& host) {
    std::string out;
    if (format == OutputFormat::tsv) {
        appendRow(out, {"plan", "planName", "day", "id", "name", "start", "finish", "completedPercent", "colorIndex",
                        "isMilestone", "projectTaskId", "projectTaskName", "document", "due", "state"});
        for (const TaskRow& row : rows) {
            const TaskToday& task = *row.task;
            const auto projectTaskId = task.directProjectTaskId();
            appendRow(out, {row.plan->profile.id(), row.plan->profile.name, row.day, std::to_string(task.id()),
                            task.name(), formatIso8601(task.start(), host), formatIso8601(task.finish(), host),
                            std::to_string(task.completed()), std::to_string(task.color()),
                            task.isMilestone() ? "true" : "false", projectTaskId ? std::to_string(*projectTaskId) : "",
                            projectTaskName(task, *row.plan).value_or(""),
                            std::string(documentText(row.plan->document.state)),
                            task.isMilestone() ? formatIso8601(task.finish(), host) : "",
                            std::string(stateText(taskState(task, host.now())))});
        }
        return out;
    }
    JsonWriter line(JsonWriter::Layout::compact);
    for (const TaskRow& row : rows) {
        line.clear();
        line.beginObject().key("version").value(recordsVersion);
        line.key("plan").value(row.plan->profile.id());
        line.key("planName").value(row.plan->profile.name);
        line.key("day").value(row.day);
        writeTaskMembers(line, *row.task, *row.plan, host);
        line.key("document").value(documentText(row.plan->document.state));
        line.endObject();
        out += line.text();
    }
    return out;
}

std::string tsvField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text, false);
    return out;
}

}  // namespace today::cli
