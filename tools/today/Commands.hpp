// The subcommands of `today`, each run with the parsed options; each returns the exit code.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "today/outside/Host.hpp"
#include "tools/today/CommandHost.hpp"
#include "tools/today/CommandManager.hpp"
#include "tools/today/Options.hpp"
#include "tools/today/output/Format.hpp"

namespace today::cli {

struct Context {
    explicit Context(CommandHost& host) : host(host) {}

    Options options;
    Style style;
    std::size_t width = 80;  // columns of text output
    std::string programName = "today";
    bool outputClosed = false;  // standard output was closed when the command started
    CommandHost& host;
};

int runShow(const Context& context);
int runAgenda(const Context& context);
int runNext(const Context& context);
int runList(const Context& context);
int runAdd(const Context& context);
int runUpdate(const Context& context);
int runRemove(const Context& context);
int runLink(const Context& context, WidgetHelper::WidgetURLTarget::Kind kind);
int runOpen(const Context& context);
int runIntegrate(const Context& context);
int runDemo(const Context& context);
int runBar(const Context& context);

// Whether a command makes the group's container when it is missing (adding a plan), or only uses it
// where it is (every other command: a container never made holds no plans, and reading makes nothing).
enum class ContainerUse { find, make };

// The manager of the group the options name, or nullptr after saying why on standard error.
std::unique_ptr<CommandManager> makeManager(const Context& context, ContainerUse use = ContainerUse::find);

// "today: <message>" on standard error, after what standard output holds so far; terminal controls in
// the message are replaced.
void printError(std::string_view message) noexcept;
// A line on standard output.
void printLine(std::string_view line);

// The path of a file URL as the manager stores it: standardised, with symbolic links resolved.
std::string storedPath(const Url& url);

// The listed plan that an argument names: its id, its file, or a unique start of its id (in any letter
// case); none when none does, or when several ids start so (`ambiguous`).
std::optional<TodayProjectProfile> findPlan(CommandManager& manager, const std::string& argument, bool& ambiguous);

// A profile's name as the command quotes it.
std::string quotedName(std::string_view name);

}  // namespace today::cli
