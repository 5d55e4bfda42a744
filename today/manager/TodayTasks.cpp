// Today's tasks of a profile: served from its cache file, or from a fresh snapshot when the plan
// document has been modified since the profile was last refreshed.
#include <string>
#include <utility>

#include "today/manager/TodayManager.hpp"
#include "today/manager/TodayManagerImpl.hpp"
#include "today/manager/TodaySnapshot.hpp"
#include "today/manager/TodayTaskSelection.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Messages.hpp"
#include "today/outside/Path.hpp"
#include "today/outside/Text.hpp"
#include "today/records/DefaultNames.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"
#include "today/records/RecordFactory.hpp"

namespace today {

namespace detail {

bool isTaskActive(const JsonTaskToday& task, Date at) {
    if (!task.start || !task.finish) return false;
    if (at < *task.start) return false;
    return at < *task.finish;
}

bool TaskWindow::holds(const JsonTaskToday& task) const {
    if (from == to) return isTaskActive(task, from);
    if (!task.start || !task.finish || to < from) return false;
    return *task.start < to && from < *task.finish;
}

std::optional<TaskToday> taskToday(const JsonTaskToday& task) {
    if (!task.id || !task.start || !task.finish) return std::nullopt;
    return RecordFactory::task(*task.id, task.name.value_or("Task"), *task.start, *task.finish,
                               task.completed.value_or(0), task.color.value_or(0), task.isMilestone.value_or(false),
                               task.directProjectTaskId);
}

}  // namespace detail

namespace {

std::vector<detail::JsonTaskToday> activeTasks(const detail::JsonProjectToday& snapshot,
                                               const detail::TaskWindow& window) {
    std::vector<detail::JsonTaskToday> active;
    if (!snapshot.tasks) return active;
    for (const auto& task : *snapshot.tasks) {
        if (window.holds(task)) active.push_back(task);
    }
    return active;
}

}  // namespace

std::optional<std::vector<TaskToday>> TodayManager::tasks(const TodayProjectProfile& of, Date at) {
    return _impl->locked([&] {
        const auto query = _impl->asQuery();
        _impl->followListFile();  // a stale bookmark is stored in the listed profile, as the file now has it
        return _impl->tasksLocked(of, detail::TaskWindow::instant(at));
    });
}

std::optional<std::vector<TaskToday>> TodayManager::tasks(const TodayProjectProfile& of, Date from, Date to) {
    return _impl->locked([&] {
        const auto query = _impl->asQuery();
        _impl->followListFile();
        return _impl->tasksLocked(of, detail::TaskWindow{from, to});
    });
}

std::vector<std::optional<std::vector<TaskToday>>> TodayManager::tasks(const std::vector<TodayProjectProfile>& of,
                                                                       Date at) {
    return _impl->batchTasks(of, detail::TaskWindow::instant(at));
}

std::vector<std::optional<std::vector<TaskToday>>> TodayManager::tasks(const std::vector<TodayProjectProfile>& of,
                                                                       Date from, Date to) {
    return _impl->batchTasks(of, detail::TaskWindow{from, to});
}

std::vector<std::optional<std::vector<TaskToday>>> TodayManager::Impl::batchTasks(
    const std::vector<TodayProjectProfile>& of, const detail::TaskWindow& window) {
    return locked([&] {
        const auto query = asQuery();
        followListFile();
        std::vector<std::optional<std::vector<TaskToday>>> answers;
        answers.reserve(of.size());
        _deferListWrites = true;
        for (const auto& profile : of) answers.push_back(tasksLocked(profile, window));
        _deferListWrites = false;

        auto changes = std::exchange(_deferredChanges, {});
        const auto rebuilds = std::exchange(_deferredRebuilds, {});
        if (changes.empty()) return answers;
        // Every change replaces or appends a profile, so applying it again to the list that memory
        // already holds changes nothing, and applying it to the list read again (when another writer
        // changed the file meanwhile) keeps what that writer stored.
        if (!storeChange([&](std::vector<TodayProjectProfile>& profiles) {
                for (const auto& change : changes) change(profiles);
            })) {
            // Each rebuilt profile keeps its old date in the file, so the next call rebuilds it again.
            for (const auto& rebuilt : rebuilds) {
                detail::printPlain("Failed to save project today cache file: " + rebuilt.source);
            }
        }
        for (const auto& rebuilt : rebuilds) dropSnapshotIfUnlisted(rebuilt.id, rebuilt.cachePath);
        return answers;
    });
}

std::optional<std::vector<TaskToday>> TodayManager::Impl::tasksLocked(const TodayProjectProfile& of,
                                                                      const detail::TaskWindow& window) {
    const auto records = todayTaskRecords(of, window);
    if (!records) return std::nullopt;
    std::vector<TaskToday> tasks;
    tasks.reserve(records->size());
    for (const auto& record : *records) {
        if (auto task = detail::taskToday(record)) tasks.push_back(std::move(*task));
    }
    return tasks;
}

std::optional<std::vector<detail::JsonTaskToday>> TodayManager::Impl::todayTaskRecords(
    const TodayProjectProfile& of, const detail::TaskWindow& window) {
    const auto cachePath = cacheFilePath(of.id());

    // The document, when the profile's bookmark leads to one whose modification date can be read.
    std::optional<std::string> documentPath;
    std::optional<Date> documentDate;
    TodayProjectProfile profile = of;
    if (of.securityScopedBookmark) {
        if (const auto options = _owner.bookmarkResolutionOptions()) {
            std::optional<TodayProjectProfile> refreshed;
            if (const auto documentUrl = resolveBookmark(*of.securityScopedBookmark, *options, &refreshed)) {
                documentPath = documentUrl->path();
                if (Host::current().exists(*documentPath)) documentDate = detail::Path(*documentPath).lastUpdateDate();
                // A bookmark re-created for this very profile in this call is kept by the refreshed
                // profile, rather than the stale one the caller passed in.
                if (refreshed && detail::canonicallyEqual(refreshed->id(), of.id())) {
                    profile.securityScopedBookmark = refreshed->securityScopedBookmark;
                }
            }
        }
    }

    // A document whose date is no longer the profile's was saved since, or replaced by an older copy
    // (a restored backup): either way the snapshot no longer shows it.
    if (documentDate && *documentDate != of.lastUpdate) {
        return rebuildTodayCache(*documentPath, cachePath, *documentDate, profile, window);
    }

    // An id that names no file in the container has no cache file.
    if (!cachePath) return std::vector<detail::JsonTaskToday>{};
    // Only the records on in the window are kept while the file is read: they are the answer.
    const auto cacheFile = detail::ProjectTodayCacheFile::read(
        *cachePath, [&window](const detail::JsonTaskToday& task) { return window.holds(task); });
    if (cacheFile) return cacheFile->project().tasks.value_or(std::vector<detail::JsonTaskToday>{});
    // A snapshot that is missing or damaged is made again from the document when it can be loaded, for a
    // listed profile only: a deleted profile has no snapshot, and a widget still holding it must not
    // bring it back into the list.
    if (documentDate && profileById(of.id())) {
        if (auto rebuilt = rebuildTodayCache(*documentPath, cachePath, *documentDate, profile, window)) return rebuilt;
    }
    return std::vector<detail::JsonTaskToday>{};
}

std::optional<std::vector<detail::JsonTaskToday>> TodayManager::Impl::rebuildTodayCache(
    const std::string& documentPath, const std::optional<std::string>& cachePath, Date documentDate,
    const TodayProjectProfile& profile, const detail::TaskWindow& window) {
    const auto project = _owner.loadJsonProjectFromOrvFile(documentPath);
    if (!project) return std::nullopt;

    detail::ProjectTodayCacheFile cacheFile(detail::makeJsonProjectToday(*project));
    const detail::JsonProjectToday& snapshot = cacheFile.project();
    const std::string failedToSaveCache = "Failed to save project today cache file: " + profile.sourceOrvFilePath;

    if (cachePath && cacheFile.save(*cachePath)) {
        TodayProjectProfile refreshed = profile;
        refreshed.name = snapshot.name.value_or(std::string(detail::untitledProjectName));
        refreshed.start = snapshot.start;
        refreshed.finish = snapshot.finish;
        refreshed.lastUpdate = documentDate;
        if (_deferListWrites) _deferredRebuilds.push_back({profile.id(), profile.sourceOrvFilePath, *cachePath});
        if (!updateProjectProfile(refreshed)) detail::printPlain(failedToSaveCache);
        if (!_deferListWrites) dropSnapshotIfUnlisted(profile.id(), *cachePath);
    } else {
        // The profile keeps its old date, so the next call rebuilds again.
        detail::printPlain(failedToSaveCache);
    }

    // The fresh snapshot answers for the asked date or window, as the cache file would.
    return activeTasks(snapshot, window);
}

}  // namespace today
