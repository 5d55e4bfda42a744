// Parsing the command line into options and running the subcommand, with the standard streams kept sound.
#include "tools/today/Command.hpp"

#include <unistd.h>
#include <CLI/CLI.hpp>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <new>
#include <sstream>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "tools/today/CommandHost.hpp"
#include "tools/today/CommandLine.hpp"
#include "tools/today/Commands.hpp"

namespace today::cli {

namespace {

using Kind = WidgetHelper::WidgetURLTarget::Kind;

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

// An application group id names a directory of the containers' root: not empty, ".", ".." or holding
// a "/" or a control character.
bool isGroupId(std::string_view group) {
    if (group.empty() || group == "." || group == "..") return false;
    for (const char c : group) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

// Runs the subcommand; `bar` tells whether it was `today bar`, whose exit status is always 0.
int runSubcommand(int argc, char** argv, CommandHost& host, bool outputWasClosed, bool& bar) {
    Context context(host);
    context.outputClosed = outputWasClosed;
    Options& options = context.options;
    if (argc > 0 && argv[0] != nullptr) context.programName = argv[0];

    CLI::App app{"", "today"};
    defineCommandLine(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // A usage error quotes the arguments it refuses: each of its lines passes the sanitiser.
        std::ostringstream refusal;
        const int code = app.exit(error, std::cout, refusal);
        std::cout.flush();
        std::istringstream lines(refusal.str());
        for (std::string line; std::getline(lines, line);) std::fputs((printable(line) + "\n").c_str(), stderr);
        return error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success) ? code : exitUsage;
    }
    const std::string command = chosenCommand(app, options);
    if (command.empty()) return exitUsage;
    if (command == "help") {
        const auto help = helpOf(app, options.topic);
        if (!help) {
            printError(fmt::format("there is no subcommand `{}` (see `today --help`)", fmt::join(options.topic, " ")));
            return exitUsage;
        }
        fmt::print("{}", *help);
        return exitSuccess;
    }
    if (!isGroupId(options.group)) {
        printError(
            fmt::format("--group: \"{}\" is not an application group id (it names a directory: not empty, "
                        "\".\" or \"..\", and without \"/\")",
                        options.group));
        return exitUsage;
    }
    if (options.json) options.format = OutputFormat::json;

    setAsciiOutput(!localeIsUtf8(host));
    context.style.color = wantsColor(options.noColor ? ColorChoice::never : options.color, host);
    context.width = outputWidth(host);
    if (command == "add") return runAdd(context);
    if (command == "update") return runUpdate(context);
    if (command == "remove") return runRemove(context);
    if (command == "list") return runList(context);
    if (command == "agenda") return runAgenda(context);
    if (command == "next") return runNext(context);
    if (command == "link project") return runLink(context, Kind::project);
    if (command == "link guide") return runLink(context, Kind::widgetSettingGuide);
    if (command == "link legacy") return runLink(context, Kind::legacyTodaySetting);
    if (command == "open") return runOpen(context);
    if (command == "integrate") return runIntegrate(context);
    if (command == "demo") return runDemo(context);
    bar = command == "bar";
    if (bar) return runBar(context);
    return runShow(context);
}

}  // namespace

int runCommand(int argc, char** argv) {
    CommandHost host;
    const ScopedHost installed(host);
    const bool outputWasClosed = !isOpen(STDOUT_FILENO);
    keepStandardStreamsOpen();
    int code = exitFailure;
    bool bar = false;
    // Nothing may end the command without a word: not a plan too large for memory, nor a write error.
    try {
        code = runSubcommand(argc, argv, host, outputWasClosed, bar);
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
    // A status bar hides a module whose command fails: the bar has said what went wrong, output included.
    if (bar) return exitSuccess;
    if (!outputWasWritten(outputWasClosed) && code == exitSuccess) code = exitFailure;
    return code;
}

}  // namespace today::cli
