// A host of the installed library: a manager subclass and a widget link.
#include <cstdio>

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
    auto manager = today::TodayManager::make<AppManager>("");  // no container for an empty identifier
    if (manager) return 1;
    const auto url = today::WidgetHelper::shared.widgetUrl(today::WidgetHelper::WidgetURLTarget::widgetSettingGuide());
    std::printf("%s\n", url.string().c_str());
    return 0;
}
