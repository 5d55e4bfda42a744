// Parsing the command line into options and running the subcommand, with the standard streams kept sound.
#include "tools/today/Command.hpp"

#include <unistd.h>
#include <CLI/CLI.hpp>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>

#include "today/version.hpp"
#include "tools/today/CommandHost.hpp"
#include "tools/today/Commands.hpp"

namespace today::cli {

namespace {

using Kind = WidgetHelper::WidgetURLTarget::Kind;

// --group and --no-color, accepted by every subcommand.
void addCommonOptions(CLI::App& app, Options& options) {
    app.add_option("--group", options.group, "Application group whose shared container holds the list")
        ->type_name("ID")
        ->capture_default_str();
    app.add_flag("--no-color", options.noColor, "Print without colours (also when NO_COLOR is set)");
}

void addShowOptions(CLI::App& app, Options& options) {
    app.add_option("--project", options.project, "Only the plan with this id")->type_name("ID");
    app.add_option("--at", options.at,
                   "The date: ISO 8601 (2025-06-10, 2025-06-10T14:30, 2025-06-10T14:30+02:00), now, today, "
                   "tomorrow, yesterday, +Nd or -Nd")
        ->type_name("DATE")
        ->capture_default_str();
    app.add_flag("--json", options.json, "Print JSON for scripts");
}

bool wantsColor(const Options& options, Host& host) {
    if (options.noColor || !isatty(STDOUT_FILENO)) return false;
    const auto noColor = host.environmentVariable("NO_COLOR");
    if (noColor && !noColor->empty()) return false;
    const auto term = host.environmentVariable("TERM");
    return !(term && *term == "dumb");
}

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// Gives each closed standard stream /dev/null. Otherwise the next file the command opens (a plan's
// snapshot, the list) would take the stream's number, and printing would write into that file.
void keepStandardStreamsOpen() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (isOpen(fd)) continue;
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

// Whether everything printed reached standard output; if not, says so on standard error. Output that
// was only buffered is written now, so a full disk or a closed pipe shows up here at the latest.
bool outputWasWritten(bool outputWasClosed) {
    if (outputWasClosed) {
        printError("cannot write the output: standard output is closed");
        return false;
    }
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout)) return true;
    printError(std::string("cannot write the output") + (error != 0 ? std::string(": ") + std::strerror(error) : ""));
    return false;
}

int runSubcommand(int argc, char** argv, CommandHost& host) {
    Context context(host);
    Options& options = context.options;
    if (argc > 0 && argv[0] != nullptr) context.programName = argv[0];

    CLI::App app{
        "Shows the tasks of your plans that are on today, and keeps the list of plans that the Today "
        "widget shows. Without a subcommand it runs `show`.",
        "today"};
    app.set_version_flag("--version", TODAY_VERSION_STRING);
    app.require_subcommand(0, 1);
    addCommonOptions(app, options);
    addShowOptions(app, options);

    auto* show = app.add_subcommand("show", "Show the tasks of each plan on a date (default: now)");
    addCommonOptions(*show, options);
    addShowOptions(*show, options);

    auto* add = app.add_subcommand("add", "Add a plan document to the list");
    add->add_option("FILE", options.file, "Path or file:// URL of a plan (JSON or Microsoft Project XML)")->required();
    addCommonOptions(*add, options);

    auto* update = app.add_subcommand("update", "Read a listed plan again if its file has changed");
    update->add_option("FILE", options.file, "Path of the plan")->required();
    addCommonOptions(*update, options);

    auto* remove = app.add_subcommand("remove", "Remove a plan from the list");
    remove->add_option("ID", options.id, "Id of the plan (see `today list`)")->required();
    addCommonOptions(*remove, options);

    auto* list = app.add_subcommand("list", "List the plans");
    list->add_flag("--json", options.json, "Print JSON for scripts");
    addCommonOptions(*list, options);

    auto* link = app.add_subcommand("link", "Print a widget link");
    link->require_subcommand(1);
    auto* linkProject = link->add_subcommand("project", "The link that opens a project");
    linkProject->add_option("ID", options.id, "Id of the project")->required();
    auto* linkGuide = link->add_subcommand("guide", "The link that opens the widget setting guide");
    auto* linkLegacy = link->add_subcommand("legacy", "The link that opens the older Today setting");

    auto* open = app.add_subcommand("open", "Tell what a widget link opens");
    open->add_option("URL", options.url, "The link")->required();

    auto* demo = app.add_subcommand("demo", "Add a sample plan in a fresh temporary container and show today");
    addCommonOptions(*demo, options);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success) ? code : exitUsage;
    }

    context.style.color = wantsColor(options, context.host);
    if (add->parsed()) return runAdd(context);
    if (update->parsed()) return runUpdate(context);
    if (remove->parsed()) return runRemove(context);
    if (list->parsed()) return runList(context);
    if (linkProject->parsed()) return runLink(context, Kind::project);
    if (linkGuide->parsed()) return runLink(context, Kind::widgetSettingGuide);
    if (linkLegacy->parsed()) return runLink(context, Kind::legacyTodaySetting);
    if (open->parsed()) return runOpen(context);
    if (demo->parsed()) return runDemo(context);
    return runShow(context);
}

}  // namespace

int runCommand(int argc, char** argv) {
    CommandHost host;
    const ScopedHost installed(host);
    const bool outputWasClosed = !isOpen(STDOUT_FILENO);
    keepStandardStreamsOpen();
    int code = exitFailure;
    // Nothing may end the command without a word: not a plan too large for memory, nor a write error.
    try {
        code = runSubcommand(argc, argv, host);
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fputs("today: out of memory\n", stderr);
        code = exitFailure;
    } catch (const std::exception& error) {
        if (!std::ferror(stdout)) printError(error.what());  // a failed write is told below
        code = exitFailure;
    } catch (...) {
        printError("an unexpected error ended the command");
        code = exitFailure;
    }
    if (!outputWasWritten(outputWasClosed) && code == exitSuccess) code = exitFailure;
    return code;
}

}  // namespace today::cli
