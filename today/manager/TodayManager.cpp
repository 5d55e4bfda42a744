// Creation of the manager, the hooks' defaults, and the persistence of the profile list in
// "projects.json": reading it once, writing it whole after every change, deleting it when empty.
#include "today/manager/TodayManager.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>
#include <utility>

#include <fmt/format.h>

#include "today/manager/TodayManagerImpl.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/Messages.hpp"
#include "today/outside/Path.hpp"
#include "today/outside/Text.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"

namespace today {

namespace {

constexpr std::string_view failedToSaveProfiles = "Failed to save today project profiles to file";
constexpr std::string_view failedToRemoveProfiles = "Failed to remove the project profiles db file";

// Seconds after which a temporary file of a save can no longer belong to a save in progress.
constexpr double abandonedTemporaryFileAge = 600;

// Seconds after which a snapshot that no listed profile names can no longer belong to an add in
// progress: an add writes its snapshot, then waits at most `listLockTimeout` to list it.
constexpr double orphanSnapshotAge = 60;

// How long a change waits for another writer of the list, in any process, to finish its save.
constexpr std::chrono::seconds listLockTimeout{5};

// How many copies of lists that could not be read are kept: the newest, so that a list damaged again
// and again cannot fill the container.
constexpr std::size_t keptDamagedCopies = 5;

// "projects.json.damaged-20261207T093000Z": the name a list file that could not be read is kept under.
constexpr std::string_view damagedCopyMarker = ".damaged-";
std::string damagedCopyName(std::string_view fileName, Date now) {
    const double unixSeconds = now.unixTime();
    std::tm utc{};
    const auto seconds = static_cast<std::time_t>(unixSeconds >= -1e15 && unixSeconds <= 1e15 ? unixSeconds : 0);
    if (!::gmtime_r(&seconds, &utc)) utc = std::tm{};
    return fmt::format("{}{}{:04}{:02}{:02}T{:02}{:02}{:02}Z", fileName, damagedCopyMarker, utc.tm_year + 1900,
                       utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
}

// A kept copy of a list that could not be read, ordered by when it was made: its time stamp, then its
// number among the copies of that second ("-2", "-3" ...; the first has none).
struct DamagedCopy {
    std::string stamp;
    int number = 1;
    std::string name;
    auto operator<=>(const DamagedCopy&) const = default;
};

std::string damagedCopyPrefix(std::string_view fileName) { return std::string(fileName) + ".damaged-"; }

// The kept copies in the directory, newest first; other names are left out.
std::vector<DamagedCopy> damagedCopies(Host& host, const Url& directory, std::string_view fileName) {
    constexpr std::size_t stampLength = std::string_view("20261207T093000Z").size();
    const std::string prefix = damagedCopyPrefix(fileName);
    std::error_code error;
    const auto entries = host.directoryEntries(directory.path(), error);
    std::vector<DamagedCopy> copies;
    for (const DirectoryEntry& entry : entries.value_or(std::vector<DirectoryEntry>())) {
        const std::string_view name = entry.name;
        if (!name.starts_with(prefix) || name.size() < prefix.size() + stampLength) continue;
        DamagedCopy copy{std::string(name.substr(prefix.size(), stampLength)), 1, entry.name};
        const std::string_view rest = name.substr(prefix.size() + stampLength);
        const char* end = rest.data() + rest.size();
        const bool numbered = !rest.empty() && rest.front() == '-' &&
                              std::from_chars(rest.data() + 1, end, copy.number).ptr == end && copy.number > 1 &&
                              copy.number < 1'000'000;
        if (rest.empty() || numbered) copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(), std::greater<>());
    return copies;
}

}  // namespace

TodayManager::Impl::Impl(TodayManager& owner, const GroupContainer& container)
    : _owner(owner),
      _directoryUrl(container.url()),
      _dbFileUrl(_directoryUrl.appendingPathComponent(projectProfilesFileName)) {
    // The file is looked at before it is read, so that a file replaced in between is read again
    // before the next write rather than taken for the one read.
    const std::string path = _dbFileUrl.path();
    std::error_code error;
    _listFile = Host::current().status(path, error);
    _listFileKnown = _listFile || error == std::errc::no_such_file_or_directory;
    // A list that cannot even be looked at (a loop of links, a directory that cannot be searched) may be
    // there: it is unread, not empty.
    _listFileUnread = !_listFileKnown;
    if (_listFile) {
        auto profiles = readProjectProfiles(path);
        _listFileUnread = !profiles;
        if (profiles) _profiles = std::move(*profiles);
    }
    // A process killed in the middle of a save leaves its temporary file; nothing else would remove it.
    detail::removeAbandonedTemporaryFiles(_directoryUrl.path(), abandonedTemporaryFileAge);
}

TodayManager::TodayManager(const GroupContainer& container) : _impl(std::make_unique<Impl>(*this, container)) {}

TodayManager::~TodayManager() = default;

std::optional<JsonProject> TodayManager::loadJsonProjectFromOrvFile(const std::string&) { return std::nullopt; }

std::optional<BookmarkResolutionOptions> TodayManager::bookmarkResolutionOptions() const { return std::nullopt; }

void TodayManager::didChanged(const std::string&) {}

std::optional<std::vector<TodayProjectProfile>> TodayManager::Impl::readProjectProfiles(const std::string& path) {
    auto bytes = detail::Path(path).read();
    if (!bytes) return std::nullopt;
    auto records = detail::decodeProfileList(*bytes);
    if (!records) return std::nullopt;

    std::vector<TodayProjectProfile> profiles;
    profiles.reserve(records->size());
    for (auto& record : *records) {
        if (auto profile = std::move(record).todayProjectProfile()) profiles.push_back(std::move(*profile));
    }
    return profiles;
}

bool TodayManager::Impl::saveProjectProfiles(const std::vector<TodayProjectProfile>& profiles, const Url& to) {
    const std::string path = to.path();
    if (profiles.empty()) {
        // An empty list is never written: the file goes instead. A failed deletion is only reported.
        // The file is removed without first asking whether it is there, so that a failed check cannot
        // leave the old list behind for the next manager to read; only a file still there has failed.
        std::error_code error;
        if (Host& host = Host::current(); !host.remove(path, error) && host.exists(path)) {
            detail::printPlain(failedToRemoveProfiles);
            return false;
        }
        return true;
    }

    const std::optional<std::string> text = detail::encodeProfiles(profiles);  // none: not encodable
    if (!text) return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text->data());
    return detail::Path(path).write(std::span<const std::uint8_t>(bytes, text->size()));
}

bool TodayManager::Impl::updateProjectProfile(const TodayProjectProfile& profile) {
    // The change holds its own copy of the profile: it may be applied again later (see `storeChange`).
    return storeChange([this, profile](std::vector<TodayProjectProfile>& profiles) {
        // Every profile with the id is replaced where it stands, the others are kept as they are (in
        // place: copying the whole list would cost more than writing it).
        bool matched = false;
        const detail::CanonicalText id(profile.id());
        for (auto& listed : profiles) {
            if (id.equals(listed.id())) {
                listed = profile;
                matched = true;
            }
        }
        // A profile that another writer removed while this manager held it is not brought back by a
        // refresh of this manager's older copy: the removal wins.
        const bool removedElsewhere = std::any_of(_removedElsewhere.begin(), _removedElsewhere.end(),
                                                  [&](const std::string& removed) { return id.equals(removed); });
        if (!matched && !removedElsewhere) profiles.push_back(profile);
    });
}

bool TodayManager::Impl::removeProjectProfile(std::string_view id) {
    return storeChange([id = std::string(id)](std::vector<TodayProjectProfile>& profiles) {
        const detail::CanonicalText wanted(id);
        const auto found = std::find_if(profiles.begin(), profiles.end(),
                                        [&](const TodayProjectProfile& listed) { return wanted.equals(listed.id()); });
        if (found != profiles.end()) profiles.erase(found);
    });
}

bool TodayManager::listFileUnreadable() const {
    return _impl->locked([&] { return _impl->_listFileUnread; });
}

std::optional<std::string> TodayManager::damagedListCopy() const {
    return _impl->locked([&] { return _impl->_damagedListCopy; });
}

bool TodayManager::Impl::storeChange(const std::function<void(std::vector<TodayProjectProfile>&)>& change) {
    if (_deferListWrites) {
        // Applied now, so that the rest of the batch sees it; written with the others at the end.
        change(_profiles);
        _deferredChanges.push_back(change);
        return true;
    }
    Host& host = Host::current();
    const std::string path = _dbFileUrl.path();
    // Held until the list is written: no other manager, here or in another process, writes between
    // this manager's look at the file and its own write. A query only tries it, so that it answers at
    // once while another writer is at work.
    std::error_code error;
    const auto lock =
        host.lockFile(path + ".lock", _queryStores ? std::chrono::milliseconds(0) : listLockTimeout, error);
    if (!lock && _queryStores && error == std::errc::operation_would_block) {
        // The refreshed profile keeps its old date in the file, so a later run rebuilds and stores it.
        followListFile();
        change(_profiles);
        return true;
    }
    // A list that cannot be read again is never taken for an empty one: nothing is written then.
    const bool current = lock && followListFile() && setAsideUnreadListFile();
    // An orphan is left alone for `orphanSnapshotAge` anyway, so a manager sweeps at most once in that
    // time: one that stores often does not list the container at each store.
    const Date now = host.now();
    const double sinceSweep =
        _lastSweep ? now.timeIntervalSinceReferenceDate() - _lastSweep->timeIntervalSinceReferenceDate() : 0;
    const bool sweep = !_lastSweep || !(sinceSweep >= 0 && sinceSweep < orphanSnapshotAge);
    // The snapshot of a profile that this change removes is its remover's to delete, not the sweep's.
    std::vector<std::string> listedBefore;
    if (sweep) {
        listedBefore.reserve(_profiles.size());
        for (const auto& profile : _profiles) listedBefore.push_back(profile.id());
    }
    change(_profiles);
    if (!current || !saveProjectProfiles(_profiles, _dbFileUrl)) {
        detail::printPlain(failedToSaveProfiles);
        _listWriteFailed = true;
        return false;
    }

    // The file now holds this manager's list; its version tells the next write whether anyone else
    // wrote in between. When it cannot be looked at, the next write reads the file again.
    _listFile = host.status(path, error);
    _listFileKnown = _listFile || error == std::errc::no_such_file_or_directory;
    _listFileUnread = false;
    if (sweep) {
        _lastSweep = now;
        for (const auto& orphan : orphanSnapshots(_profiles, listedBefore)) host.remove(orphan, error);
    }
    return true;
}

std::vector<std::string> TodayManager::Impl::orphanSnapshots(const std::vector<TodayProjectProfile>& listed,
                                                             const std::vector<std::string>& keptToo) const {
    Host& host = Host::current();
    std::error_code error;
    const auto entries = host.directoryEntries(_directoryUrl.path(), error);
    if (!entries) return {};
    // A list set aside as damaged may be put back by hand, with the snapshots that its profiles name.
    const std::string damagedPrefix = std::string(projectProfilesFileName) + std::string(damagedCopyMarker);
    std::unordered_set<std::string_view> exact;
    exact.reserve(listed.size() + keptToo.size());
    for (const auto& profile : listed) exact.insert(profile.id());
    exact.insert(keptToo.begin(), keptToo.end());
    const auto isListed = [&](std::string_view id) {
        if (exact.contains(id)) return true;
        const detail::CanonicalText wanted(id);
        return std::any_of(listed.begin(), listed.end(),
                           [&](const TodayProjectProfile& profile) { return wanted.equals(profile.id()); }) ||
               std::any_of(keptToo.begin(), keptToo.end(),
                           [&](const std::string& kept) { return wanted.equals(kept); });
    };

    std::vector<std::string> orphans;
    const double writtenBefore = host.now().timeIntervalSinceReferenceDate() - orphanSnapshotAge;
    for (const auto& entry : *entries) {
        const std::string_view name = entry.name;
        if (name.starts_with(damagedPrefix)) return {};
        if (!name.ends_with(".prj") || name.size() == 4) continue;
        const std::string_view id = name.substr(0, name.size() - 4);
        auto path = cacheFilePath(id);
        if (!path || isListed(id)) continue;
        const auto status = host.status(*path, error);
        if (status && !status->isDirectory && status->modified.timeIntervalSinceReferenceDate() < writtenBefore) {
            orphans.push_back(std::move(*path));
        }
    }
    return orphans;
}

void TodayManager::Impl::removeOrphanSnapshotsIfListFree() {
    // Looked for without the lock first, so that a list without orphans is only read.
    if (!followListFile() || _listFileUnread || orphanSnapshots(_profiles).empty()) return;
    Host& host = Host::current();
    const std::string path = _dbFileUrl.path();
    std::error_code error;
    const auto lock = host.lockFile(path + ".lock", std::chrono::milliseconds(0), error);
    if (!lock) return;
    // The orphans are those of the list as the file holds it now, whatever memory holds.
    std::vector<TodayProjectProfile> listed;
    if (host.status(path, error)) {
        auto profiles = readProjectProfiles(path);
        if (!profiles) return;
        listed = std::move(*profiles);
    } else if (error != std::errc::no_such_file_or_directory) {
        return;
    }
    for (const auto& orphan : orphanSnapshots(listed)) host.remove(orphan, error);
}

void TodayManager::Impl::dropSnapshotIfUnlisted(std::string_view id, const std::string& cachePath) {
    std::error_code error;
    if (!profileById(id)) Host::current().remove(cachePath, error);
}

bool TodayManager::Impl::followListFile() const {
    std::error_code error;
    const std::string path = _dbFileUrl.path();
    auto status = Host::current().status(path, error);
    if (!status) {
        if (error != std::errc::no_such_file_or_directory) return false;
        // Another writer emptied the list (or it never had a file): memory keeps what it holds only
        // while the file was already absent when last looked at.
        if (!_listFileKnown || _listFile) {
            noteRemovedElsewhere({});
            _profiles.clear();
        }
        _listFile.reset();
        _listFileKnown = true;
        _listFileUnread = false;
        return true;
    }
    if (_listFileKnown && _listFile && _listFile->sameVersionAs(*status)) return true;

    // A list that turns unreadable keeps the profiles last read in memory, and is said to be unreadable.
    auto profiles = readProjectProfiles(path);
    if (!profiles) {
        _listFileUnread = true;
        return false;
    }
    noteRemovedElsewhere(*profiles);
    _profiles = std::move(*profiles);
    _listFile = std::move(status);
    _listFileKnown = true;
    _listFileUnread = false;
    return true;
}

void TodayManager::Impl::noteRemovedElsewhere(const std::vector<TodayProjectProfile>& now) const {
    // Ids kept byte for byte are found by hashing; only the few others are compared canonically.
    std::unordered_set<std::string_view> exact;
    exact.reserve(now.size());
    for (const auto& profile : now) exact.insert(profile.id());
    for (const auto& listed : _profiles) {
        if (exact.contains(listed.id())) continue;
        const detail::CanonicalText id(listed.id());
        const bool kept = std::any_of(now.begin(), now.end(),
                                      [&](const TodayProjectProfile& profile) { return id.equals(profile.id()); });
        if (!kept) _removedElsewhere.push_back(listed.id());
    }
}

bool TodayManager::Impl::setAsideUnreadListFile() {
    if (!_listFileUnread || !_listFile) return true;
    Host& host = Host::current();
    const std::string base = damagedCopyName(projectProfilesFileName, host.now());
    const auto earlier = damagedCopies(host, _directoryUrl, projectProfilesFileName);
    // Numbered after every copy of the same second, so that the newest copy also sorts as the newest.
    int first = 1;
    for (const DamagedCopy& copy : earlier) {
        if (damagedCopyPrefix(projectProfilesFileName) + copy.stamp == base) first = std::max(first, copy.number + 1);
    }
    // Never over an earlier copy: writers of the list hold its lock here, so a name seen free stays free.
    for (int attempt = first; attempt < first + 100; ++attempt) {
        const std::string name = attempt == 1 ? base : fmt::format("{}-{}", base, attempt);
        const std::string copy = _directoryUrl.appendingPathComponent(name).path();
        std::error_code error;
        if (host.status(copy, error) || error != std::errc::no_such_file_or_directory) continue;
        if (!host.rename(_dbFileUrl.path(), copy, error)) return false;
        // The new copy is always kept, with the newest of the earlier ones.
        for (std::size_t i = keptDamagedCopies - 1; i < earlier.size(); ++i) {
            host.remove(_directoryUrl.appendingPathComponent(earlier[i].name).path(), error);
        }
        _damagedListCopy = copy;
        _listFile.reset();
        _listFileUnread = false;
        return true;
    }
    return false;
}

std::optional<std::string> TodayManager::Impl::cacheFilePath(std::string_view id) const {
    // The id names a file directly in the container; an id that could reach elsewhere names none.
    std::string fileName(id);
    fileName += ".prj";
    if (!detail::isPlainFileName(id) || !detail::isPlainFileName(fileName)) return std::nullopt;
    std::string path = _directoryUrl.appendingPathComponent(fileName).path();
    const std::string directory = _directoryUrl.path();
    if (path != (directory == "/" ? directory : directory + "/") + fileName) return std::nullopt;
    return path;
}

}  // namespace today
