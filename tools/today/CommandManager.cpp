#include "tools/today/CommandManager.hpp"

#include <fmt/format.h>

#include <cstdio>

#include "tools/today/PlanLoader.hpp"

namespace today::cli {

std::optional<JsonProject> CommandManager::loadJsonProjectFromOrvFile(const std::string& orvFilePath) {
    PlanLoadResult result = loadPlanDocument(orvFilePath);
    if (!result.project) {
        std::fflush(stdout);
        fmt::print(stderr, "today: {}\n", result.error);
        _loadFailures.push_back(orvFilePath);
    }
    return std::move(result.project);
}

}  // namespace today::cli
