// The widget's deep links ("OrvaneProject://<project id>", "OrvaneProject://today-setting-guide",
// "OrvaneProject://today-setting"), its kind string and the application-group identifier.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "today/export.hpp"
#include "today/outside/Url.hpp"

namespace today {

class TODAY_API WidgetHelper {
public:
    class WidgetURLTarget {
    public:
        enum class Kind { project, widgetSettingGuide, legacyTodaySetting };

        static WidgetURLTarget project(std::string id) { return WidgetURLTarget(Kind::project, std::move(id)); }
        static WidgetURLTarget widgetSettingGuide() { return WidgetURLTarget(Kind::widgetSettingGuide, {}); }
        static WidgetURLTarget legacyTodaySetting() { return WidgetURLTarget(Kind::legacyTodaySetting, {}); }

        Kind kind() const { return _kind; }
        const std::string& projectId() const { return _projectId; }  // the payload of `project`; empty otherwise

    private:
        WidgetURLTarget(Kind kind, std::string projectId) : _kind(kind), _projectId(std::move(projectId)) {}

        Kind _kind;
        std::string _projectId;
    };

    static const WidgetHelper shared;
    static constexpr std::string_view securityApplicationGroupIdentifier = "group.com.orvane.project";
    static const std::string& widgetKind();  // "widgets"

    // The deep link of a target. Throws std::invalid_argument for a project id that does not parse as a
    // URL host: the caller broke its contract.
    Url widgetUrl(const WidgetURLTarget& to) const;
    // The target a URL names, or none when it is not a widget link.
    std::optional<WidgetURLTarget> target(const Url& from) const;

private:
    WidgetHelper() = default;
};

}  // namespace today
