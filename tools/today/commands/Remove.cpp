// `today remove`: taking a plan off the list by its id.
#include <fmt/format.h>

#include "tools/today/Commands.hpp"

namespace today::cli {

int runRemove(const Context& context) {
    const std::string& id = context.options.id;
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;

    const auto profile = manager->projectProfileById(id);
    if (!profile) {
        printError(fmt::format("no plan has the id \"{}\" (see `today list`)", id));
        return exitFailure;
    }
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
