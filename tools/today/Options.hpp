// What the command line asked for: the subcommand's arguments and the options every subcommand takes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "today/widget/WidgetHelper.hpp"
#include "tools/today/output/Terminal.hpp"

namespace today::cli {

// Exit codes of the command.
enum ExitCode : int { exitSuccess = 0, exitFailure = 1, exitUsage = 2 };

// What show, agenda, next and list print: text for a person, or one of the forms for scripts.
enum class OutputFormat { text, json, jsonl, tsv };

struct Options {
    std::string group{WidgetHelper::securityApplicationGroupIdentifier};
    ColorChoice color = ColorChoice::automatic;
    bool noColor = false;

    // show, agenda, next, list
    std::optional<std::string> project;
    std::optional<std::string> at;  // show: the instant, none for today's whole day; next: from when
    OutputFormat format = OutputFormat::text;
    bool json = false;  // --json, the same as --format json
    bool pretty = false;

    // agenda: a day (DAY), a number of days, or the first and last day
    std::optional<std::string> day;
    std::optional<int> days;
    std::optional<std::string> from;
    std::optional<std::string> to;

    // add (--again), update (FILE or ID), remove (ID, prefix or FILE), link project (ID), open (URL)
    bool again = false;
    std::string file;
    std::string id;
    std::string url;
    bool launch = false;             // open: do what the link asks
    bool undo = false;               // integrate: remove the registration
    std::vector<std::string> topic;  // help
};

}  // namespace today::cli
