// Internal access to a manager's persistence operations and paths, for the library's own tools and
// tests. Each operation that changes the list runs as locked work of the manager.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "today/manager/TodayManager.hpp"

namespace today::detail {

struct ManagerAccess {
    static const Url& directoryUrl(const TodayManager& manager) { return manager._directoryUrl; }
    static const Url& dbFileUrl(const TodayManager& manager) { return manager._dbFileUrl; }

    static std::optional<std::string> cacheFilePath(const TodayManager& manager, std::string_view id) {
        return manager.cacheFilePath(id);
    }

    static bool updateProjectProfile(TodayManager& manager, const TodayProjectProfile& profile) {
        return manager.locked([&] { return manager.updateProjectProfile(profile); });
    }

    // Writes the list as one writer alone would: no list lock, no look at the file first.
    static bool saveWithoutSharing(const TodayManager& manager, const std::vector<TodayProjectProfile>& profiles) {
        return TodayManager::saveProjectProfiles(profiles, manager._dbFileUrl);
    }

    static bool removeProjectProfile(TodayManager& manager, std::string_view id) {
        return manager.locked([&] { return manager.removeProjectProfile(id); });
    }
};

}  // namespace today::detail
