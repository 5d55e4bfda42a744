// Plans and tasks for scripts: the members of their JSON objects, JSON Lines and tab-separated rows.
// Every document and line carries "version": 1; ids are strings, so that 64-bit ids survive readers
// that hold numbers as doubles.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/today/Options.hpp"
#include "tools/today/PlanViews.hpp"
#include "tools/today/output/JsonWriter.hpp"

namespace today::cli {

inline constexpr std::int64_t recordsVersion = 1;

// A writer for the options' JSON layout: compact unless --pretty.
JsonWriter jsonWriter(const Options& options);

// The members of a plan's object: id, name, start, finish, file, link, document, movedTo, and whether
// its tasks could be loaded when `withTasks`.
void writePlanMembers(JsonWriter& out, const PlanView& plan, Host& host, bool withTasks = true);
// The members of a task's object: id, name, start, finish, completedPercent, colorIndex, isMilestone,
// projectTaskId, projectTaskName, due (a milestone's finish, else null) and state (on, done, due, late).
void writeTaskMembers(JsonWriter& out, const TaskToday& task, const PlanView& plan, Host& host);
// "errors": one object (plan, file, message) for a list of plans that could not be read (its plan null),
// then one for each plan that could not be loaded.
void writeErrors(JsonWriter& out, const std::vector<PlanView>& plans, const std::optional<ListError>& listError);
// "plans": the object of each plan, without its tasks, for documents that list tasks across plans.
void writePlans(JsonWriter& out, const std::vector<PlanView>& plans, Host& host);
// A task in a list across plans: its plan's id, then the task's members.
void writeTaskOfPlan(JsonWriter& out, const TaskToday& task, const PlanView& plan, Host& host);

// A task as a line of JSON Lines or a row of TSV: with its plan and the day it is listed on.
struct TaskRow {
    const PlanView* plan;
    const TaskToday* task;
    std::string day;  // YYYY-MM-DD
};

// The rows as JSON Lines (one complete object per line) or as TSV (a header row first).
std::string taskRows(const std::vector<TaskRow>& rows, OutputFormat format, Host& host);
// Prints the document, ended with its "errors", for JSON; else the rows in the options' format.
void printTaskRecords(JsonWriter& out, const std::vector<PlanView>& plans, const std::optional<ListError>& listError,
                      const std::vector<TaskRow>& rows, const Options& options, Host& host);

// A field of a TSV row: backslash, tab, newline and carriage return written as \\, \t, \n and \r, other
// terminal controls as \u escapes, bytes that are not UTF-8 as U+FFFD.
std::string tsvField(std::string_view text);

}  // namespace today::cli
