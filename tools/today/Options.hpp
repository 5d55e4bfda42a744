// What the command line asked for: the subcommand's arguments and the options every subcommand takes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "today/widget/WidgetHelper.hpp"
#include "tools/today/output/Terminal.hpp"
#include "tools/today/widget/BarState.hpp"

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
    bool hideDone = false;  // show, agenda, next: leave out the tasks at 100 %
    bool byPlan = false;    // show, agenda: the tasks under their plans instead of one list in time order
    bool allDays = false;   // agenda: also the days with nothing on
    int count = 1;          // next: how many moments

    // show: the day (DAY); agenda: the first day (DAY), a number of days, or the first and last day
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

    // bar: the bar's protocol, the plans (all when none), the width of the text, and watching
    BarFormat barFormat = BarFormat::plain;
    std::vector<std::string> projects;
    std::size_t maxWidth = 40;
    bool watch = false;
    std::optional<double> interval;  // seconds between periodic checks while watching
};

}  // namespace today::cli
