// The configuration operations: adding a plan document as a new profile, refreshing a listed one, and
// deleting a profile with its cache file. Each body is one piece of locked work; `didChanged` follows
// after the lock, and only on success.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "today/manager/TodayManager.hpp"
#include "today/manager/TodayManagerImpl.hpp"
#include "today/manager/TodaySnapshot.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Identifier.hpp"
#include "today/outside/Messages.hpp"
#include "today/outside/Path.hpp"
#include "today/outside/Text.hpp"
#include "today/records/DefaultNames.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"
#include "today/records/RecordFactory.hpp"

namespace today {

bool TodayConfigable::add(const Url& orvFileUrl) { return addDocument(orvFileUrl, nullptr); }

bool TodayConfigable::addDocument(const Url& orvFileUrl, std::optional<TodayProjectProfile>* listedAlready) {
    // Whether the document is listed already is looked at before it is loaded, and decided again under
    // the list file's lock, where another process may have listed it meanwhile.
    const auto firstListing = [&](const std::vector<TodayProjectProfile>& profiles, const std::string& path) {
        const detail::CanonicalText wanted(path);
        const auto found = std::find_if(profiles.begin(), profiles.end(), [&](const TodayProjectProfile& listed) {
            return wanted.equals(listed.sourceOrvFilePath);
        });
        return found == profiles.end() ? std::nullopt : std::optional(*found);
    };
    const auto added = _impl->locked([&]() -> std::optional<TodayProjectProfile> {
        if (!orvFileUrl.isFileUrl()) return std::nullopt;
        const std::string documentPath = orvFileUrl.standardized().resolvingSymlinks().path();
        // The list keeps paths as JSON text: a path that is not UTF-8 could never be saved, so it is
        // refused before its snapshot is written.
        if (!detail::isUtf8(documentPath)) return std::nullopt;
        if (!Host::current().exists(documentPath)) return std::nullopt;

        std::string id = detail::newIdentifier();
        const auto cachePath = _impl->cacheFilePath(id);
        if (!cachePath) return std::nullopt;
        if (listedAlready && _impl->followListFile() &&
            (*listedAlready = firstListing(_impl->_profiles, documentPath))) {
            return std::nullopt;
        }

        const auto project = loadJsonProjectFromOrvFile(documentPath);
        if (!project) return std::nullopt;
        auto bookmark =
            orvFileUrl.standardized().resolvingSymlinks().bookmarkData(BookmarkCreationOptions::withSecurityScope);
        if (!bookmark) return std::nullopt;

        const detail::ProjectTodayCacheFile cacheFile(detail::makeJsonProjectToday(*project));
        if (!cacheFile.save(*cachePath)) return std::nullopt;
        const auto lastUpdate = detail::Path(documentPath).lastUpdateDate();
        if (!lastUpdate) return std::nullopt;

        const JsonTask* root = project->rootTask ? &*project->rootTask : nullptr;
        auto profile = detail::RecordFactory::profile(
            std::move(id), project->name.value_or(std::string(detail::unknownProjectName)),
            root ? root->start : std::nullopt, root ? root->finish : std::nullopt, documentPath, std::move(bookmark),
            *lastUpdate, true);
        if (!listedAlready) {
            if (!_impl->updateProjectProfile(profile)) return std::nullopt;
            return profile;
        }
        const bool stored = _impl->storeChange([&](std::vector<TodayProjectProfile>& profiles) {
            if ((*listedAlready = firstListing(profiles, documentPath))) return;
            profiles.push_back(profile);
        });
        if (stored && !*listedAlready) return profile;
        // Refused, or refused by a list that could not be written: nothing names the new snapshot.
        if (*listedAlready) {
            std::error_code error;
            Host::current().remove(*cachePath, error);
            if (!stored) listedAlready->reset();
        }
        return std::nullopt;
    });
    if (!added) return false;
    didChanged(added->id());
    return true;
}

bool TodayConfigable::update(std::string_view orvFilePathWithAccessPermission) {
    const auto found = _impl->locked([&]() -> std::optional<TodayProjectProfile> {
        _impl->followListFile();  // the document may have been added by another process
        auto listed = _impl->firstProfileWithPath(orvFilePathWithAccessPermission);
        if (!listed) return std::nullopt;
        const std::string documentPath(orvFilePathWithAccessPermission);
        if (!Host::current().exists(documentPath)) return std::nullopt;

        const auto lastUpdate = detail::Path(documentPath).lastUpdateDate();
        if (!lastUpdate) return listed;
        const auto cachePath = _impl->cacheFilePath(listed->id());
        // The document is read again when its date is no longer the profile's, newer or older (a
        // restored backup), and when its snapshot is missing or damaged.
        // Whether the snapshot can be read is all that matters here, so none of its tasks is kept.
        const auto keepNone = [](const detail::JsonTaskToday&) { return false; };
        if (*lastUpdate == listed->lastUpdate && cachePath &&
            detail::ProjectTodayCacheFile::read(*cachePath, keepNone)) {
            return listed;
        }
        const auto project = loadJsonProjectFromOrvFile(documentPath);
        if (!project) return listed;

        const detail::ProjectTodayCacheFile cacheFile(detail::makeJsonProjectToday(*project));
        if (!cachePath || !cacheFile.save(*cachePath)) return listed;

        auto bookmark = Url::fileUrl(documentPath)
                            .standardized()
                            .resolvingSymlinks()
                            .bookmarkData(BookmarkCreationOptions::withSecurityScope);
        if (!bookmark) {
            detail::printQuoted("Failed to re-create project bookmark");
            return listed;
        }

        const detail::JsonProjectToday& snapshot = cacheFile.project();
        TodayProjectProfile refreshed = *listed;
        refreshed.name = snapshot.name.value_or(std::string(detail::unknownProjectName));
        refreshed.start = snapshot.start;
        refreshed.finish = snapshot.finish;
        refreshed.lastUpdate = *lastUpdate;
        refreshed.securityScopedBookmark = std::move(*bookmark);
        if (!_impl->updateProjectProfile(refreshed)) detail::printQuoted("Failed to update project profile");
        return listed;
    });
    if (!found) return false;
    didChanged(found->id());
    return true;
}

bool TodayConfigable::deleteProject(std::string_view project) {
    const bool removed = _impl->locked([&] {
        if (!_impl->removeProjectProfile(project)) return false;
        // An id that names no file in the container deletes nothing.
        std::error_code error;  // a snapshot that cannot be removed is only left behind
        if (const auto cachePath = _impl->cacheFilePath(project)) Host::current().remove(*cachePath, error);
        return true;
    });
    if (removed) didChanged(std::string(project));
    return removed;
}

}  // namespace today
