// The read operations on the profile list: all profiles, and one found by document or by id. Each is
// one piece of locked work, answered from memory once the list file has been looked at: a list that
// another writer changed since is read again (one `stat` when it has not changed).
#include "today/manager/TodayManager.hpp"

#include "today/manager/TodayManagerImpl.hpp"
#include "today/outside/Text.hpp"

namespace today {

std::vector<TodayProjectProfile> TodayManager::projectProfiles() const {
    return _impl->locked([&] {
        _impl->followListFile();
        return _impl->_profiles;
    });
}

std::optional<TodayProjectProfile> TodayManager::projectProfile(const Url& of) const {
    // The URL is normalised on the caller's thread, before the locked work.
    const std::string path = of.standardized().resolvingSymlinks().path();
    return projectProfile(std::string_view(path));
}

std::optional<TodayProjectProfile> TodayManager::projectProfile(std::string_view of) const {
    return _impl->locked([&] {
        _impl->followListFile();
        return _impl->firstProfileWithPath(of);
    });
}

std::optional<TodayProjectProfile> TodayManager::projectProfileById(std::string_view id) const {
    return _impl->locked([&] {
        _impl->followListFile();
        return _impl->profileById(id);
    });
}

std::optional<TodayProjectProfile> TodayManager::Impl::profileById(std::string_view id) const {
    const detail::CanonicalText wanted(id);
    for (const auto& profile : _profiles) {
        if (wanted.equals(profile.id())) return profile;
    }
    return std::nullopt;
}

std::optional<TodayProjectProfile> TodayManager::Impl::firstProfileWithPath(std::string_view path) const {
    const detail::CanonicalText wanted(path);
    for (const auto& profile : _profiles) {
        if (wanted.equals(profile.sourceOrvFilePath)) return profile;
    }
    return std::nullopt;
}

}  // namespace today
