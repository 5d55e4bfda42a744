// Internal access to a manager's persistence operations and paths, for the library's own tools and
// tests. Each operation that changes the list runs as locked work of the manager.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "today/manager/TodayManager.hpp"
#include "today/manager/TodayManagerImpl.hpp"

namespace today::detail {

struct ManagerAccess {
    static const Url& directoryUrl(const TodayManager& manager) { return manager._impl->_directoryUrl; }
    static const Url& dbFileUrl(const TodayManager& manager) { return manager._impl->_dbFileUrl; }

    static std::optional<std::string> cacheFilePath(const TodayManager& manager, std::string_view id) {
        return manager._impl->cacheFilePath(id);
    }

    static bool updateProjectProfile(TodayManager& manager, const TodayProjectProfile& profile) {
        TodayManager::Impl& impl = *manager._impl;
        return impl.locked([&] { return impl.updateProjectProfile(profile); });
    }

    // Writes the list as one writer alone would: no list lock, no look at the file first.
    static bool saveWithoutSharing(const TodayManager& manager, const std::vector<TodayProjectProfile>& profiles) {
        return TodayManager::Impl::saveProjectProfiles(profiles, manager._impl->_dbFileUrl);
    }

    static bool removeProjectProfile(TodayManager& manager, std::string_view id) {
        TodayManager::Impl& impl = *manager._impl;
        return impl.locked([&] { return impl.removeProjectProfile(id); });
    }
};

}  // namespace today::detail
