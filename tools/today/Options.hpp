// What the command line asked for: the subcommand's arguments and the options every subcommand takes.
#pragma once

#include <optional>
#include <string>

#include "today/widget/WidgetHelper.hpp"

namespace today::cli {

// Exit codes of the command.
enum ExitCode : int { exitSuccess = 0, exitFailure = 1, exitUsage = 2 };

struct Options {
    std::string group{WidgetHelper::securityApplicationGroupIdentifier};
    bool noColor = false;

    // show
    std::optional<std::string> project;
    std::string at = "now";
    bool json = false;

    // add, update (FILE), remove, link project (ID), open (URL)
    std::string file;
    std::string id;
    std::string url;
};

}  // namespace today::cli
