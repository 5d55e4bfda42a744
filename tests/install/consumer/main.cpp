// A host of the installed library: a manager subclass and a widget link.
#include <cstdio>
#include <type_traits>

#include "today/today.hpp"

static_assert(TODAY_VERSION_NUMBER >= 100, "today/version.hpp gives the version");

class AppManager : public today::TodayConfigable {
public:
    using TodayConfigable::TodayConfigable;
    std::optional<today::BookmarkResolutionOptions> bookmarkResolutionOptions() const override {
        return today::BookmarkResolutionOptions::withSecurityScope;
    }
};

int main() {
    // Options combine into their own type.
    auto options = today::BookmarkResolutionOptions::withoutUI | today::BookmarkResolutionOptions::withoutMounting;
    static_assert(std::is_same_v<decltype(options), today::BookmarkResolutionOptions>);
    if (!options.contains(today::BookmarkResolutionOptions::withoutUI)) return 1;
    auto manager = today::TodayManager::make<AppManager>("");  // no container for an empty identifier
    if (manager) return 1;
    const auto url = today::WidgetHelper::shared.widgetUrl(today::WidgetHelper::WidgetURLTarget::widgetSettingGuide());
    std::printf("%s\n", url.string().c_str());
    return 0;
}
