// Internal access to a manager's persistence operations and paths, for the library's own tools and
// tests. Each operation that changes the list runs as locked work of the manager.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

    // Adds the document as `add` does, unless the list already holds it, as the list file has it under
    // its lock: `listed` then receives the first profile listing it. True when it was added.
    static bool addUnlessListed(TodayConfigable& manager, const Url& orvFileUrl,
                                std::optional<TodayProjectProfile>& listed) {
        return manager.addDocument(orvFileUrl, &listed);
    }

    // Whether a store failed to write the list since the last call. A refresh that could not be stored
    // still counts as done for `update`, which keeps the refreshed profile in memory.
    static bool takeListWriteFailure(TodayManager& manager) {
        TodayManager::Impl& impl = *manager._impl;
        return impl.locked([&] { return std::exchange(impl._listWriteFailed, false); });
    }

    // Removes the snapshots that no listed profile names (and that no add in progress may be about to
    // list), when no other writer holds the list now.
    static void removeOrphanSnapshots(TodayManager& manager) {
        TodayManager::Impl& impl = *manager._impl;
        impl.locked([&] { impl.removeOrphanSnapshotsIfListFree(); });
    }

    static bool removeProjectProfile(TodayManager& manager, std::string_view id) {
        TodayManager::Impl& impl = *manager._impl;
        return impl.locked([&] { return impl.removeProjectProfile(id); });
    }
};

}  // namespace today::detail
