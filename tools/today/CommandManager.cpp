// The manager hook that loads plan documents for the library and remembers which ones failed.
#include "tools/today/CommandManager.hpp"

#include <fmt/format.h>

#include <exception>
#include <new>

#include "tools/today/Commands.hpp"
#include "tools/today/plans/PlanLoader.hpp"

namespace today::cli {

CommandManager::~CommandManager() {
    if (const auto copy = damagedListCopy()) {
        printError(fmt::format("the list of plans could not be read; what it held was kept in {}", *copy));
    }
}

std::optional<JsonProject> CommandManager::loadJsonProjectFromOrvFile(const std::string& orvFilePath) {
    // The hook runs inside the library's locked work: nothing may be thrown out of it.
    PlanLoadResult result;
    try {
        result = loadPlanDocument(orvFilePath);
    } catch (const std::bad_alloc&) {
        result = {std::nullopt, orvFilePath + ": the plan does not fit in memory"};
    } catch (const std::exception& error) {
        result = {std::nullopt, orvFilePath + ": " + error.what()};
    }
    if (!result.project) {
        if (_reportLoadFailures) printError(result.error);
        _loadFailures.push_back({orvFilePath, result.error});
    }
    return std::move(result.project);
}

}  // namespace today::cli
