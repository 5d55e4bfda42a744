// `today remove`: taking a plan off the list, named by its id, a unique start of its id, or its file.
#include <fmt/format.h>

#include "tools/today/Commands.hpp"

namespace today::cli {

int runRemove(const Context& context) {
    const std::string& argument = context.options.id;
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;

    bool ambiguous = false;
    const auto profile = findPlan(*manager, argument, ambiguous);
    if (ambiguous) {
        printError(fmt::format("\"{}\" starts more than one plan's id; give more of it (see `today list`)", argument));
        return exitUsage;
    }
    if (!profile) {
        printError(fmt::format("no plan has the id \"{}\" or that file (see `today list`)", argument));
        return exitFailure;
    }
    const std::string& id = profile->id();
    context.host.clearFailure();
    if (!manager->deleteProject(id)) {
        const auto cause = failureCause(context.host, {});
        printError(fmt::format("{} ({}) could not be removed{}", quotedName(profile->name), id,
                               cause ? ": " + *cause : std::string()));
        return exitFailure;
    }
    printLine(fmt::format("Removed {} ({})", quotedName(profile->name), printable(id)));
    return exitSuccess;
}

}  // namespace today::cli
