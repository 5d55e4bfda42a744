// `today update`: reading a listed plan again when its file has changed, and following one whose file was
// moved or renamed.
#include <fmt/format.h>

#include "today/manager/ManagerAccess.hpp"
#include "tools/today/Commands.hpp"
#include "tools/today/PlanViews.hpp"
#include "tools/today/output/PlanText.hpp"

namespace today::cli {

int runUpdate(const Context& context) {
    const std::string& argument = context.options.file;
    const auto manager = makeManager(context);
    if (!manager) return exitFailure;

    // An id, or the plan's file (its old path, for a plan that moved).
    bool ambiguous = false;
    auto before = findPlan(*manager, argument, ambiguous);
    if (ambiguous) {
        printError(fmt::format("\"{}\" starts more than one plan's id; give more of it (see `today list`)", argument));
        return exitUsage;
    }
    if (!before) {
        printError(fmt::format("{} is not in the list (see `today list`)", argument));
        return exitFailure;
    }
    if (const DocumentPlace place = locateDocument(*before, context.host); place.state == DocumentState::moved) {
        if (!manager->adoptMovedDocument(before->id())) {
            printError(fmt::format("{} moved to {} but could not follow it{}", quotedName(before->name), place.movedTo,
                                   manager->takeLoadFailures().empty() ? "" : ": the plan could not be read"));
            return exitFailure;
        }
        const auto after = manager->projectProfileById(before->id()).value_or(*before);
        printLine(fmt::format("Followed {} ({}) from {} to {}", quotedName(after.name), printable(after.id()),
                              printable(before->sourceOrvFilePath), printable(after.sourceOrvFilePath)));
        return exitSuccess;
    }
    if (!context.host.exists(before->sourceOrvFilePath)) {
        printError(fmt::format("cannot update {}: no such file", before->sourceOrvFilePath));
        return exitFailure;
    }

    context.host.clearFailure();
    detail::ManagerAccess::takeListWriteFailure(*manager);
    const bool updated = manager->update(before->sourceOrvFilePath);
    const bool listNotWritten = detail::ManagerAccess::takeListWriteFailure(*manager);
    const bool unreadable = !manager->takeLoadFailures().empty();
    if (!updated || unreadable) {
        const auto cause = failureCause(context.host, before->sourceOrvFilePath);
        printError(fmt::format("{} was left as it was{}", quotedName(before->name),
                               cause        ? ": " + *cause
                               : unreadable ? ": the plan could not be read"
                                            : ""));
        return exitFailure;
    }
    const auto after = manager->projectProfileById(before->id()).value_or(*before);
    // The library counts an update whose snapshot or list could not be written a success: the profile
    // then still carries another date than the document's, or carries the new one in memory only.
    std::error_code error;
    if (const auto document = context.host.status(before->sourceOrvFilePath, error);
        listNotWritten || (document && document->modified != after.lastUpdate)) {
        const auto cause = failureCause(context.host, before->sourceOrvFilePath);
        printError(fmt::format("{} could not be updated: {}", quotedName(before->name),
                               cause.value_or("its snapshot or the list of plans could not be written")));
        return exitFailure;
    }
    if (after.lastUpdate == before->lastUpdate) {
        printLine(fmt::format("{} ({}) is up to date", quotedName(after.name), printable(after.id())));
    } else {
        printLine(fmt::format("Updated {} ({}): {}", quotedName(after.name), printable(after.id()),
                              spanText(after.start, after.finish, context.host)));
    }
    return exitSuccess;
}

}  // namespace today::cli
