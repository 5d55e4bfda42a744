// Following a listed document that was moved or renamed: the profile adopts the path its bookmark now
// leads to and keeps its id. One piece of locked work; `didChanged` follows after the lock, on success.
#include <string>

#include "today/manager/TodayManager.hpp"
#include "today/manager/TodayManagerImpl.hpp"
#include "today/manager/TodaySnapshot.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Path.hpp"
#include "today/records/DefaultNames.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today {

bool TodayConfigable::adoptMovedDocument(std::string_view project) {
    const bool adopted = _impl->locked([&] {
        _impl->followListFile();
        const auto listed = _impl->profileById(project);
        const auto options = bookmarkResolutionOptions();
        if (!listed || !listed->securityScopedBookmark || !options) return false;
        bool stale = false;
        const auto resolved = Url::resolvingBookmarkData(*listed->securityScopedBookmark, *options, stale);
        if (!resolved) return false;
        const Url documentUrl = resolved->standardized().resolvingSymlinks();
        const std::string documentPath = documentUrl.path();
        if (documentPath == listed->sourceOrvFilePath || !Host::current().exists(documentPath)) return false;

        const auto project = loadJsonProjectFromOrvFile(documentPath);
        if (!project) return false;
        const auto cachePath = _impl->cacheFilePath(listed->id());
        const detail::ProjectTodayCacheFile cacheFile(detail::makeJsonProjectToday(*project));
        if (!cachePath || !cacheFile.save(*cachePath)) return false;
        auto bookmark = documentUrl.bookmarkData(BookmarkCreationOptions::withSecurityScope);
        const auto lastUpdate = detail::Path(documentPath).lastUpdateDate();
        if (!bookmark || !lastUpdate) return false;

        const detail::JsonProjectToday& snapshot = cacheFile.project();
        TodayProjectProfile moved = *listed;
        moved.name = snapshot.name.value_or(std::string(detail::unknownProjectName));
        moved.start = snapshot.start;
        moved.finish = snapshot.finish;
        moved.sourceOrvFilePath = documentPath;
        moved.securityScopedBookmark = std::move(*bookmark);
        moved.lastUpdate = *lastUpdate;
        return _impl->updateProjectProfile(moved);
    });
    if (adopted) didChanged(std::string(project));
    return adopted;
}

}  // namespace today
