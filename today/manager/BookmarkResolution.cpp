// Turning a profile's security-scoped bookmark back into the document's URL; a stale bookmark is
// re-created from the resolved document and stored in the profile of that document.
#include "today/manager/TodayManager.hpp"
#include "today/manager/TodayManagerImpl.hpp"
#include "today/outside/Messages.hpp"

namespace today {

std::optional<Url> TodayManager::createFileUrl(const Bytes& fromBookmark,
                                               BookmarkResolutionOptions bookmarkResolutionOptions) {
    // A stale bookmark changes the profile list, so the public call is locked work like any other.
    return _impl->locked([&] {
        _impl->followListFile();
        return _impl->resolveBookmark(fromBookmark, bookmarkResolutionOptions, nullptr);
    });
}

std::optional<Url> TodayManager::Impl::resolveBookmark(const Bytes& bookmark, BookmarkResolutionOptions options,
                                                       std::optional<TodayProjectProfile>* refreshed) {
    bool isStale = false;
    auto url = Url::resolvingBookmarkData(bookmark, options, isStale);
    if (!url) return std::nullopt;
    if (!isStale) return url;

    detail::printQuoted("Bookmark is stale.");
    auto profile = firstProfileWithPath(url->path());
    if (!profile) return std::nullopt;
    auto renewed = url->bookmarkData(BookmarkCreationOptions::withSecurityScope);
    if (!renewed) return std::nullopt;
    profile->securityScopedBookmark = std::move(*renewed);
    if (!updateProjectProfile(*profile)) return std::nullopt;
    if (refreshed) *refreshed = std::move(profile);
    return url;
}

}  // namespace today
