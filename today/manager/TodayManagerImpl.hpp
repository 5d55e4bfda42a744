// The manager's state and its private operations, behind the one pointer that `TodayManager` holds: the
// container's URLs, the profile list and what is known of the file it mirrors, the writes deferred while
// several profiles' tasks are asked at once, and the manager's lock. Internal: never installed.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "today/manager/TodayManager.hpp"
#include "today/manager/TodayTaskSelection.hpp"
#include "today/outside/Bytes.hpp"
#include "today/outside/Date.hpp"
#include "today/outside/GroupContainer.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Url.hpp"
#include "today/records/TaskToday.hpp"
#include "today/records/TodayProjectProfile.hpp"

namespace today {

namespace detail {
struct JsonTaskToday;
}  // namespace detail

class TodayManager::Impl {
public:
    // The state of `owner`, a manager over the container's "projects.json", read once now. The hooks
    // that the work below calls are `owner`'s, which outlives its state.
    Impl(TodayManager& owner, const GroupContainer& container);
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // The profiles of the list file, or none when it cannot be read or decoded.
    static std::optional<std::vector<TodayProjectProfile>> readProjectProfiles(const std::string& path);
    // Writes the list, or deletes the file when the list is empty; false when encoding, writing or
    // deleting failed.
    static bool saveProjectProfiles(const std::vector<TodayProjectProfile>& profiles, const Url& to);

    // The work below runs only inside `locked` work.
    // Replaces every profile with the same id in place, or appends; then saves the list.
    bool updateProjectProfile(const TodayProjectProfile& profile);
    // Removes the first profile with the id, then always saves the list.
    bool removeProjectProfile(std::string_view id);
    // Applies a change to the list and saves it, under the list file's lock that every manager of
    // every process takes to write it; when another writer changed the file since this manager read
    // or wrote it, the change is applied to the list read again. False (after the message) when the
    // lock, the reading or the writing failed: the file is then untouched and memory holds the change.
    // A query's store (`asQuery`) does not wait for a lock held elsewhere: memory takes the change over
    // the list as the file holds it, the file is left for a later run, and the store counts as done.
    // A store that wrote the list removes the snapshots that no listed profile names (at most once in
    // the time a snapshot must be left alone).
    bool storeChange(const std::function<void(std::vector<TodayProjectProfile>&)>& change);
    // The snapshots ("<id>.prj" in the container) that no profile of `listed` and no id of `keptToo`
    // names and that were last written before a grace period; none while a damaged list set aside
    // beside them may be put back.
    std::vector<std::string> orphanSnapshots(const std::vector<TodayProjectProfile>& listed,
                                             const std::vector<std::string>& keptToo = {}) const;
    // Removes the orphan snapshots under the list file's lock, when no other writer holds it now.
    void removeOrphanSnapshotsIfListFree();
    // Removes the snapshot a rebuild wrote when its profile is no longer listed: another writer removed
    // it, and nothing else would delete the file.
    void dropSnapshotIfUnlisted(std::string_view id, const std::string& cachePath);
    // Reads the list file again when it is not the version this manager last read or wrote; false
    // when it changed and cannot be read. An absent file is an empty list.
    bool followListFile() const;
    // Remembers the profiles of memory that the list read again (`now`) no longer holds.
    void noteRemovedElsewhere(const std::vector<TodayProjectProfile>& now) const;
    // Moves a list file that could not be read at creation aside, under a new name beside it, before
    // the first write over it; false when it could not be moved.
    bool setAsideUnreadListFile();
    // The path of the profile's cache file, or none when the id cannot name a file in the container.
    std::optional<std::string> cacheFilePath(std::string_view id) const;
    // createFileUrl without the lock. `refreshed` receives the profile whose stale bookmark was
    // re-created and stored, if any.
    std::optional<Url> resolveBookmark(const Bytes& bookmark, BookmarkResolutionOptions options,
                                       std::optional<TodayProjectProfile>* refreshed);
    // The batch queries: each profile's answer, then the rebuilt profiles stored by one write.
    std::vector<std::optional<std::vector<TaskToday>>> batchTasks(const std::vector<TodayProjectProfile>& of,
                                                                  const detail::TaskWindow& window);
    std::optional<std::vector<TaskToday>> tasksLocked(const TodayProjectProfile& of, const detail::TaskWindow& window);
    std::optional<std::vector<detail::JsonTaskToday>> todayTaskRecords(const TodayProjectProfile& of,
                                                                       const detail::TaskWindow& window);
    std::optional<std::vector<detail::JsonTaskToday>> rebuildTodayCache(const std::string& documentPath,
                                                                        const std::optional<std::string>& cachePath,
                                                                        Date documentDate,
                                                                        const TodayProjectProfile& profile,
                                                                        const detail::TaskWindow& window);
    // A copy of the first profile whose source path equals `path`, or none.
    std::optional<TodayProjectProfile> firstProfileWithPath(std::string_view path) const;
    // A copy of the first profile with the id, or none.
    std::optional<TodayProjectProfile> profileById(std::string_view id) const;

    // Marks the locked work as a query's while it is held: the stores it makes do not wait for another
    // writer of the list file.
    class QueryScope {
    public:
        explicit QueryScope(bool& flag) : _flag(flag) { _flag = true; }
        ~QueryScope() { _flag = false; }
        QueryScope(const QueryScope&) = delete;
        QueryScope& operator=(const QueryScope&) = delete;

    private:
        bool& _flag;
    };
    [[nodiscard]] QueryScope asQuery() { return QueryScope(_queryStores); }

    // Runs `work` holding the lock and returns its result. Work never gives work to `locked` again.
    template <class Work>
    decltype(auto) locked(Work&& work) const {
        const std::scoped_lock lock(_mutex);
        return std::forward<Work>(work)();
    }

    // The manager whose hooks (`loadJsonProjectFromOrvFile`, `bookmarkResolutionOptions`) the work calls.
    TodayManager& _owner;
    Url _directoryUrl;
    Url _dbFileUrl;
    // The list, and what the manager knows of the file it mirrors. Queries refresh both when another
    // writer changed the file, hence mutable.
    mutable std::vector<TodayProjectProfile> _profiles;
    mutable std::optional<FileStatus> _listFile;  // the version last read or written; none: no file
    mutable bool _listFileKnown = false;          // false: the file must be looked at before a write
    mutable bool _listFileUnread = false;         // `_listFile` is there but could not be read
    std::optional<std::string> _damagedListCopy;  // where an unreadable list file was moved
    // The ids that this manager held and another writer removed from the file (seen when the file was
    // read again): a refresh of such a profile never appends it again.
    mutable std::vector<std::string> _removedElsewhere;
    // While several profiles' tasks are asked at once: the changes that wait for one write of the list,
    // with each rebuilt profile's source path (for the message when that write fails) and snapshot.
    struct Rebuilt {
        std::string id;
        std::string source;
        std::string cachePath;
    };
    bool _deferListWrites = false;
    std::vector<std::function<void(std::vector<TodayProjectProfile>&)>> _deferredChanges;
    std::vector<Rebuilt> _deferredRebuilds;
    // While a query's work runs (`asQuery`).
    bool _queryStores = false;
    // When a store of this manager last removed the orphan snapshots.
    std::optional<Date> _lastSweep;
    // Whether a store failed to write the list since the last look (`ManagerAccess`).
    bool _listWriteFailed = false;
    // The manager's one lock: every public operation runs its whole work, file input and output
    // included, while holding it.
    mutable std::mutex _mutex;
};

}  // namespace today
