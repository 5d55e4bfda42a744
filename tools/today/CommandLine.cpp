// The subcommands and options of `today`, their help texts (what each does, the files, the environment
// and the exit status, in 80 columns), and the check that every option given does something.
#include "tools/today/CommandLine.hpp"

#include <fmt/format.h>

#include <map>
#include <vector>

#include "today/version.hpp"
#include "tools/today/Commands.hpp"

namespace today::cli {

namespace {

constexpr std::size_t helpColumn = 26;

const std::string filesAndExit =
    "Files (in the group's container, $TODAY_GROUP_CONTAINERS/<group>):\n"
    "  projects.json    the list of plans      <id>.prj   a plan's snapshot\n"
    "Environment:\n"
    "  TODAY_GROUP_CONTAINERS, XDG_DATA_HOME, HOME   where containers are kept\n"
    "  NO_COLOR  no colours      COLUMNS  the width when not on a terminal\n"
    "  LC_ALL, LC_CTYPE, LANG    plain ASCII text unless UTF-8;  TZ  time zone\n"
    "Exit status: 0 success, 1 failure (also a plan that could not be loaded),\n"
    "2 bad usage.  See today(1).";

void addCommonOptions(CLI::App& app, Options& options) {
    app.add_option("--group", options.group,
                   "Application group of the shared container\n(default: " +
                       std::string(WidgetHelper::securityApplicationGroupIdentifier) + ")")
        ->type_name("ID");
    const std::map<std::string, ColorChoice> colors = {
        {"auto", ColorChoice::automatic}, {"always", ColorChoice::always}, {"never", ColorChoice::never}};
    app.add_option("--color", options.color, "Colours: auto (on a terminal), always, never")
        ->transform(CLI::CheckedTransformer(colors))
        ->option_text("WHEN");
    app.add_flag("--no-color", options.noColor, "The same as --color never");
    app.footer(filesAndExit);
}

void addFormatOptions(CLI::App& app, Options& options) {
    const std::map<std::string, OutputFormat> formats = {{"text", OutputFormat::text},
                                                         {"json", OutputFormat::json},
                                                         {"jsonl", OutputFormat::jsonl},
                                                         {"tsv", OutputFormat::tsv}};
    app.add_option("--format", options.format, "text, json (one document), jsonl (a task a\nline) or tsv")
        ->transform(CLI::CheckedTransformer(formats))
        ->option_text("FORMAT");
    app.add_flag("--json", options.json, "The same as --format json");
    app.add_flag("--pretty", options.pretty, "Indented JSON");
}

// The DAY of show and agenda: one text, or the words that name one day (tomorrow 14:00,
// next fri 9), joined as one text.
void addDayArgument(CLI::App& app, Options& options, const std::string& description) {
    app.add_option_function<std::vector<std::string>>(
           "DAY",
           [&options](const std::vector<std::string>& words) {
               std::string text;
               for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
               options.day = text;
           },
           description)
        ->expected(-1)
        ->type_name("");
}

void addHideDone(CLI::App& app, Options& options) {
    app.add_flag("--hide-done", options.hideDone, "Leave out the tasks at 100 %");
}

void addByPlan(CLI::App& app, Options& options) {
    app.add_flag("--by-plan", options.byPlan, "The tasks under their plans instead of one list\nin time order");
}

void addShowOptions(CLI::App& app, Options& options) {
    addDayArgument(app, options,
                   "The day to show instead of today: tomorrow, fri,\nnext mon, 2025-06-10, +3d; with a time "
                   "(fri 9),\nthe tasks on at that instant");
    app.add_option("--project", options.project, "Only the plan with this id")->type_name("ID");
    app.add_option("--at", options.at,
                   "The tasks on at this instant instead of today:\n2025-06-10T14:30, 2025-06-10T14:30+02:00, "
                   "now,\n+2h, tomorrow 14:00, or a day (its start)")
        ->type_name("DATE");
    addHideDone(app, options);
    addByPlan(app, options);
    addFormatOptions(app, options);
}

// A number from `min` to `max`, both included, for every numeric option. Unlike CLI::Range it refuses
// "nan" too, which no comparison puts outside a range.
template <typename Number>
CLI::Validator within(Number min, Number max) {
    return CLI::Validator(
        [min, max](std::string& input) {
            Number value{};
            if (CLI::detail::lexical_cast(input, value) && value >= min && value <= max) return std::string();
            return fmt::format("{} is not a number from {} to {}", input, min, max);
        },
        fmt::format("{} to {}", min, max));
}

CLI::App* addSubcommand(CLI::App& app, const std::string& name, const std::string& description, Options& options) {
    CLI::App* sub = app.add_subcommand(name, description);
    addCommonOptions(*sub, options);
    return sub;
}

// The long name of an option ("--at"), as messages quote it.
std::string optionName(const CLI::Option& option) {
    const auto& names = option.get_lnames();
    return names.empty() ? option.get_name() : "--" + names.front();
}

}  // namespace

void defineCommandLine(CLI::App& app, Options& options) {
    app.description(
        "Shows the tasks of your plans that are on today, and keeps the list of\n"
        "plans that the Today widget shows. Without a subcommand it runs `show`.");
    app.get_formatter()->column_width(helpColumn);
    app.set_version_flag("-V,--version", TODAY_VERSION_STRING, "Print the version and exit");
    app.require_subcommand(0, 1);
    addCommonOptions(app, options);
    addShowOptions(app, options);

    auto* show = addSubcommand(app, "show", "Show today's tasks of each plan (or at an instant)", options);
    addShowOptions(*show, options);

    auto* agenda = addSubcommand(app, "agenda", "The days of a range, each with its tasks", options);
    addDayArgument(*agenda, options, "The first day (default: today): 2025-06-10,\ntomorrow, mon, next fri, +3d");
    auto* days = agenda->add_option("--days", options.days, "This many days (default: 7)")
                     ->type_name("N")
                     ->check(within(1, 3660));
    auto* from = agenda->add_option("--from", options.from, "The first day ...")->type_name("DAY");
    auto* to = agenda->add_option("--to", options.to, "... and the last day (included)")->type_name("DAY");
    from->needs(to)->excludes(days);
    to->needs(from)->excludes(days);
    agenda->add_option("--project", options.project, "Only the plan with this id")->type_name("ID");
    addHideDone(*agenda, options);
    addByPlan(*agenda, options);
    agenda->add_flag("--all-days", options.allDays, "Also the days with nothing on");
    addFormatOptions(*agenda, options);

    auto* next = addSubcommand(app, "next", "The next task to start in any plan, and when", options);
    next->add_option("-n,--count", options.count, "The next N moments (default: 1)")
        ->check(within(1, 1000))
        ->option_text("N");
    next->add_option("--at", options.at, "From this instant instead of now (as show)")->type_name("DATE");
    next->add_option("--project", options.project, "Only the plan with this id")->type_name("ID");
    addHideDone(*next, options);
    addFormatOptions(*next, options);

    auto* list = addSubcommand(app, "list", "List the plans", options);
    addFormatOptions(*list, options);

    auto* add = addSubcommand(app, "add", "Add a plan document to the list", options);
    add->add_option("FILE", options.file, "Path or file:// URL of a JSON plan or\nMicrosoft Project XML")->required();
    add->add_flag("--again", options.again, "Add a file that is already listed once more");

    auto* update = addSubcommand(app, "update", "Read a listed plan again; follow a moved one", options);
    update->add_option("PLAN", options.file, "Id of the plan or the path of its file")->required();

    auto* remove = addSubcommand(app, "remove", "Remove a plan from the list", options);
    remove->add_option("PLAN", options.id, "Id, a unique start of one, or the plan's file")->required();

    auto* link = app.add_subcommand("link", "Print a widget link");
    link->require_subcommand(1);
    link->footer("Exit status: 0 success, 2 bad usage or an id that no link can carry.");
    link->add_subcommand("project", "The link that opens a project")
        ->add_option("ID", options.id, "Id of the project")
        ->required();
    link->add_subcommand("guide", "The link that opens the widget setting guide");
    link->add_subcommand("legacy", "The link that opens the older Today setting");

    auto* open = addSubcommand(app, "open", "Tell what a widget link opens, or open it", options);
    open->footer(
        "Environment:\n"
        "  TODAY_OPEN_COMMAND  opens a plan's file (its one argument) instead of xdg-open\n"
        "Exit status: 0 a widget link, 1 not a widget link, a plan that is not listed\n"
        "or cannot be opened, 2 bad usage or a link with more than its host (a user,\n"
        "a port, a path, a query or a fragment).");
    open->add_option("URL", options.url,
                     "The link (its scheme in any letter case), or\n`current`: the plan that is on now, or next "
                     "today")
        ->required();
    open->add_flag("--launch", options.launch,
                   "Open it: a plan's file with the default\napplication; the setting links print how to\nadd "
                   "the bar module");

    auto* integrate = addSubcommand(app, "integrate", "Make the widget's links open with `today open`", options);
    integrate->footer(
        "Writes com.orvane.project.today.desktop into $XDG_DATA_HOME/applications\n"
        "(~/.local/share/applications) and makes it the handler of orvaneproject:\n"
        "links (xdg-mime). Exit status: 0 success, 1 failure, 2 bad usage.");
    integrate->add_flag("--undo", options.undo, "Remove the desktop entry and the handler");

    auto* bar = addSubcommand(app, "bar", "The day in one line for a status bar (--watch: live)", options);
    const std::map<std::string, BarFormat> barFormats = {{"waybar", BarFormat::waybar},
                                                         {"polybar", BarFormat::polybar},
                                                         {"i3blocks", BarFormat::i3blocks},
                                                         {"plain", BarFormat::plain}};
    bar->add_option("--format", options.barFormat, "waybar (JSON), polybar, i3blocks or plain\n(default)")
        ->transform(CLI::CheckedTransformer(barFormats))
        ->option_text("FORMAT");
    bar->add_option("--project", options.projects, "Only the plans with these ids (repeatable)")
        ->type_name("ID")
        ->allow_extra_args(false);
    bar->add_option("--max-width", options.maxWidth, "Display columns of the text (default: 40)")
        ->check(within(1, 1000))
        ->option_text("N");
    bar->add_flag("--watch", options.watch, "Keep running; print a line whenever it changes");
    bar->add_option("--interval", options.interval, "While watching, also check every SECONDS")
        ->check(within(0.1, 86400.0))
        ->option_text("SECONDS");
    bar->footer(
        "Refreshes on changes of the plans, of projects.json and of the <id>.prj\n"
        "snapshots (inotify), at the next start or finish of a task and at midnight,\n"
        "on SIGUSR1, and every --interval. SIGTERM or SIGINT ends it.\n"
        "Environment: TODAY_GROUP_CONTAINERS (where containers are kept), TZ, LANG.\n"
        "Exit status: 0 always (bars hide a failing module); a plan that cannot be\n"
        "read shows as the class \"error\" and a line on standard error. 2 bad usage.");

    addSubcommand(app, "demo", "Show a sample plan in a fresh temporary container", options);

    app.add_subcommand("help", "Print the help of a subcommand")
        ->add_option("COMMAND", options.topic, "The subcommand (link project: two words)")
        ->expected(0, 2);
}

std::string chosenCommand(const CLI::App& app, const Options& options) {
    const auto parsed = app.get_subcommands();
    const CLI::App* sub = parsed.empty() ? nullptr : parsed.front();
    std::string name = sub ? sub->get_name() : "show";
    if (sub && !sub->get_subcommands().empty()) name += " " + sub->get_subcommands().front()->get_name();

    // Options and a DAY before a subcommand belong to `show`; another subcommand takes only those it has
    // itself.
    if (sub) {
        for (const CLI::Option* option : app.get_options()) {
            if (option->count() == 0) continue;
            if (sub->get_option_no_throw(optionName(*option)) == nullptr) {
                printError(fmt::format("{} does nothing for `today {}`; it is an option of `today show`",
                                       optionName(*option), name));
                return {};
            }
        }
    }
    const bool json = options.json || options.format == OutputFormat::json;
    if (options.pretty && !json) {
        printError("--pretty does nothing without --format json");
        return {};
    }
    if (options.json && options.format != OutputFormat::text && options.format != OutputFormat::json) {
        printError("--json and --format ask for two different formats; give one");
        return {};
    }
    if (options.noColor && options.color == ColorChoice::always) {
        printError("--no-color and --color always contradict each other; give one");
        return {};
    }
    return name;
}

std::optional<std::string> helpOf(const CLI::App& app, const std::vector<std::string>& command) {
    const CLI::App* at = &app;
    std::string prefix = app.get_name();
    for (const std::string& word : command) {
        if (at != &app) prefix += " " + at->get_name();
        const CLI::App* next = nullptr;
        for (const CLI::App* sub : at->get_subcommands([](const CLI::App*) { return true; })) {
            if (sub->get_name() == word) next = sub;
        }
        if (next == nullptr) return std::nullopt;
        at = next;
    }
    return at == &app ? at->help() : at->help(prefix);
}

}  // namespace today::cli
