// The today manager: the widget's list of chosen plan documents ("projects.json" in the application
// group's shared container), today's tasks of each from its cache file, bookmark resolution, and the
// configuration operations of `TodayConfigable`. This is the chief header of the library.
#pragma once

#include <concepts>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "today/export.hpp"
#include "today/outside/BookmarkOptions.hpp"
#include "today/outside/Bytes.hpp"
#include "today/outside/Date.hpp"
#include "today/outside/GroupContainer.hpp"
#include "today/outside/PlanDocument.hpp"
#include "today/outside/Url.hpp"
#include "today/records/TaskToday.hpp"
#include "today/records/TodayProjectProfile.hpp"

namespace today {

namespace detail {
struct ManagerAccess;
}  // namespace detail

class TODAY_API TodayManager {
public:
    static constexpr std::string_view projectProfilesFileName = "projects.json";

    // The manager of an application group, or nullptr when the group has no container.
    template <std::derived_from<TodayManager> Manager = TodayManager, class... Args>
    static std::unique_ptr<Manager> make(std::string_view securityApplicationGroupIdentifier, Args&&... args) {
        auto container = GroupContainer::lookup(securityApplicationGroupIdentifier);
        if (!container) return nullptr;
        return std::make_unique<Manager>(*container, std::forward<Args>(args)...);
    }

    // A manager over the container's "projects.json", read once now.
    explicit TodayManager(const GroupContainer& container);
    virtual ~TodayManager();
    TodayManager(const TodayManager&) = delete;
    TodayManager& operator=(const TodayManager&) = delete;

    std::vector<TodayProjectProfile> projectProfiles() const;
    // The first profile of the document, found by its standardised, link-resolved path.
    std::optional<TodayProjectProfile> projectProfile(const Url& of) const;
    // The first profile whose source path equals the string as given.
    std::optional<TodayProjectProfile> projectProfile(std::string_view of) const;
    std::optional<TodayProjectProfile> projectProfileById(std::string_view id) const;

    // The tasks of the profile that are on at the date, from its cache file, or from a fresh snapshot
    // when the document's modification date is no longer the profile's, or when the cache file cannot
    // be read; none when the changed document could not be loaded.
    std::optional<std::vector<TaskToday>> tasks(const TodayProjectProfile& of, Date at);
    // The tasks of each profile at the date, each as `tasks(profile, at)` answers it, with the profiles
    // that rebuilds refreshed stored by one write of the list at the end instead of one write each.
    std::vector<std::optional<std::vector<TaskToday>>> tasks(const std::vector<TodayProjectProfile>& of, Date at);
    // The tasks of the profile whose time on overlaps the window from `from` up to `to` (a task: its
    // start is before `to` and its finish after `from`; a milestone: the day before its finish, as the
    // instant query keeps it, overlaps), in the order of the instant query. The same refresh as
    // `tasks(of, at)` comes first (bookmark, newer document, rebuild, failures, none when the changed
    // document could not be loaded); a window of no length at `at` answers as `tasks(of, at)`, and one
    // that ends before it starts holds no task. The snapshot keeps only the tasks that had not finished
    // at the start of the day it was built, so a window before that day shows only those.
    std::optional<std::vector<TaskToday>> tasks(const TodayProjectProfile& of, Date from, Date to);
    // The tasks of each profile in the window, each as `tasks(profile, from, to)` answers it, with one
    // write of the list at the end, as the batch instant query does.
    std::vector<std::optional<std::vector<TaskToday>>> tasks(const std::vector<TodayProjectProfile>& of, Date from,
                                                             Date to);
    // The file a bookmark designates; a stale bookmark is re-created and stored in its profile.
    std::optional<Url> createFileUrl(const Bytes& fromBookmark, BookmarkResolutionOptions bookmarkResolutionOptions);

    // Whether "projects.json" was there, or could not be looked at, but could not be read (damaged or
    // unreadable) when this manager last looked at it. It is kept, under a new name beside it, before the list is
    // written over it.
    bool listFileUnreadable() const;
    // Where this manager kept a "projects.json" that it could not read, before writing the list; none
    // when it did not.
    std::optional<std::string> damagedListCopy() const;

    // Hooks for the host's subclass. The first two are called with the manager's lock held and must
    // not call the same manager; `didChanged` is called after the lock is released.
    virtual std::optional<JsonProject> loadJsonProjectFromOrvFile(const std::string& orvFilePath);
    virtual std::optional<BookmarkResolutionOptions> bookmarkResolutionOptions() const;
    virtual void didChanged(const std::string& to);

private:
    friend class TodayConfigable;
    friend struct detail::ManagerAccess;

    // The state (URLs, the profile list, the list file's bookkeeping, deferred writes, the lock) and the
    // private operations, defined beside the sources.
    class Impl;
    std::unique_ptr<Impl> _impl;
};

// The configuration capability: a host opts in by deriving from it instead of TodayManager.
class TODAY_API TodayConfigable : public TodayManager {
public:
    using TodayManager::TodayManager;

    // Adds the plan document at the file URL as a new profile; true when it was stored and saved.
    bool add(const Url& orvFileUrl);
    // Refreshes the profile of the document at exactly this path when the document is newer.
    bool update(std::string_view orvFilePathWithAccessPermission);
    // Removes the profile with this id and its cache file; true when the list was saved.
    bool deleteProject(std::string_view project);
    // Follows the document of the profile with this id to where its bookmark now leads, when it was
    // moved or renamed: the profile takes the new path, a fresh bookmark and a fresh snapshot and keeps
    // its id, so links that name it keep working. True when it was stored; false when no profile has the
    // id, the bookmark leads nowhere or to the path already listed, or the document cannot be loaded.
    bool adoptMovedDocument(std::string_view project);

private:
    friend struct detail::ManagerAccess;

    // `add`; with `listedAlready`, a document that the list file holds when read again under its lock
    // is not added: the first profile listing it is put there, and the snapshot written for it removed.
    bool addDocument(const Url& orvFileUrl, std::optional<TodayProjectProfile>* listedAlready);
};

}  // namespace today
