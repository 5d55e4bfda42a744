// The widget's deep links: building a link for a target and reading a link back.
#include "today/widget/WidgetHelper.hpp"

#include <stdexcept>
#include <string>

namespace today {

namespace {

constexpr std::string_view urlScheme = "OrvaneProject";
constexpr std::string_view schemeSeparator = "://";
constexpr std::string_view widgetSettingGuideHost = "today-setting-guide";
constexpr std::string_view legacyTodaySettingHost = "today-setting";

}  // namespace

const WidgetHelper WidgetHelper::shared{};

const std::string& WidgetHelper::widgetKind() {
    static const std::string kind = "widgets";
    return kind;
}

Url WidgetHelper::widgetUrl(const WidgetURLTarget& to) const {
    std::string_view host;
    switch (to.kind()) {
        case WidgetURLTarget::Kind::project: host = to.projectId(); break;
        case WidgetURLTarget::Kind::widgetSettingGuide: host = widgetSettingGuideHost; break;
        case WidgetURLTarget::Kind::legacyTodaySetting: host = legacyTodaySettingHost; break;
    }

    std::string text;
    text.reserve(urlScheme.size() + schemeSeparator.size() + host.size());
    text.append(urlScheme).append(schemeSeparator).append(host);

    // The host part goes in unescaped, so an identifier that is not a plain URL host either fails to
    // parse or turns into something else (a path, a port, a user): both would link to the wrong place.
    auto url = Url::parse(text);
    if (!url || url->host().value_or(std::string()) != host) {
        throw std::invalid_argument("project id \"" + std::string(host) + "\" cannot be the host of a widget link");
    }
    return *std::move(url);
}

std::optional<WidgetHelper::WidgetURLTarget> WidgetHelper::target(const Url& from) const {
    const auto scheme = from.scheme();
    if (!scheme || *scheme != urlScheme) return std::nullopt;

    auto host = from.host();
    if (!host || host->empty()) return std::nullopt;
    if (*host == legacyTodaySettingHost) return WidgetURLTarget::legacyTodaySetting();
    if (*host == widgetSettingGuideHost) return WidgetURLTarget::widgetSettingGuide();
    return WidgetURLTarget::project(*std::move(host));
}

}  // namespace today
