// Creation of the manager, the hooks' defaults, and the persistence of the profile list in
// "projects.json": reading it once, writing it whole after every change, deleting it when empty.
#include "today/manager/TodayManager.hpp"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "today/outside/FileHelper.hpp"
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

}  // namespace

TodayManager::TodayManager(const GroupContainer& container)
    : _directoryUrl(container.url()),
      _dbFileUrl(_directoryUrl.appendingPathComponent(projectProfilesFileName)),
      _profiles(loadProjectProfiles(_dbFileUrl)) {
    // A process killed in the middle of a save leaves its temporary file; nothing else would remove it.
    detail::removeAbandonedTemporaryFiles(_directoryUrl.path(), abandonedTemporaryFileAge);
}

TodayManager::~TodayManager() = default;

std::optional<JsonProject> TodayManager::loadJsonProjectFromOrvFile(const std::string&) { return std::nullopt; }

std::optional<BookmarkResolutionOptions> TodayManager::bookmarkResolutionOptions() const { return std::nullopt; }

void TodayManager::didChanged(const std::string&) {}

std::vector<TodayProjectProfile> TodayManager::loadProjectProfiles(const Url& from) {
    const std::string path = from.path();
    if (!detail::FileHelper::exists(path)) return {};
    auto bytes = detail::Path(path).read();
    if (!bytes) return {};
    auto records = detail::decodeProfileList(*bytes);
    if (!records) return {};

    std::vector<TodayProjectProfile> profiles;
    profiles.reserve(records->size());
    for (auto& record : *records) {
        if (auto profile = std::move(record).todayProjectProfile()) profiles.push_back(std::move(*profile));
    }
    return profiles;
}

bool TodayManager::saveProjectProfiles(const std::vector<TodayProjectProfile>& profiles, const Url& to) {
    const std::string path = to.path();
    if (profiles.empty()) {
        // An empty list is never written: the file goes instead. A failed deletion is only reported.
        // The file is removed without first asking whether it is there, so that a failed check cannot
        // leave the old list behind for the next manager to read; only a file still there has failed.
        if (!detail::FileHelper::deleteFile(path) && detail::FileHelper::exists(path)) {
            detail::printPlain(failedToRemoveProfiles);
        }
        return true;
    }

    const std::optional<std::string> text = detail::encodeProfiles(profiles);  // none: not encodable
    if (!text) return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text->data());
    return detail::Path(path).write(std::span<const std::uint8_t>(bytes, text->size()));
}

bool TodayManager::updateProjectProfile(const TodayProjectProfile& profile) {
    // Every profile with the id is replaced where it stands, the others are kept as they are (in place:
    // copying the whole list would cost more than writing it).
    bool matched = false;
    const detail::CanonicalText id(profile.id());
    for (auto& listed : _profiles) {
        if (id.equals(listed.id())) {
            listed = profile;
            matched = true;
        }
    }
    if (!matched) _profiles.push_back(profile);

    if (!saveProjectProfiles(_profiles, _dbFileUrl)) {
        detail::printPlain(failedToSaveProfiles);
        return false;
    }
    return true;
}

bool TodayManager::removeProjectProfile(std::string_view id) {
    const detail::CanonicalText wanted(id);
    const auto found = std::find_if(_profiles.begin(), _profiles.end(),
                                    [&](const TodayProjectProfile& listed) { return wanted.equals(listed.id()); });
    if (found != _profiles.end()) _profiles.erase(found);

    if (!saveProjectProfiles(_profiles, _dbFileUrl)) {
        detail::printPlain(failedToSaveProfiles);
        return false;
    }
    return true;
}

std::optional<std::string> TodayManager::cacheFilePath(std::string_view id) const {
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
