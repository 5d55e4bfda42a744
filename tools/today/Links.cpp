// `today link` and `today open`: building widget links and telling what a link opens.
#include <fmt/format.h>

#include <stdexcept>

#include "tools/today/Commands.hpp"

namespace today::cli {

int runLink(const Context& context, WidgetHelper::WidgetURLTarget::Kind kind) {
    using Target = WidgetHelper::WidgetURLTarget;
    const Target target = kind == Target::Kind::project              ? Target::project(context.options.id)
                          : kind == Target::Kind::widgetSettingGuide ? Target::widgetSettingGuide()
                                                                     : Target::legacyTodaySetting();
    try {
        printLine(WidgetHelper::shared.widgetUrl(target).string());
        return exitSuccess;
    } catch (const std::invalid_argument& error) {
        printError(error.what());
        return exitFailure;
    }
}

int runOpen(const Context& context) {
    const std::string& text = context.options.url;
    const auto url = Url::parse(text);
    const auto target = url ? WidgetHelper::shared.target(*url) : std::nullopt;
    if (!target) {
        printError(fmt::format("{} is not a widget link", text));
        return exitFailure;
    }
    switch (target->kind()) {
        case WidgetHelper::WidgetURLTarget::Kind::project: printLine("project " + target->projectId()); break;
        case WidgetHelper::WidgetURLTarget::Kind::widgetSettingGuide: printLine("widget setting guide"); break;
        case WidgetHelper::WidgetURLTarget::Kind::legacyTodaySetting: printLine("legacy Today setting"); break;
    }
    return exitSuccess;
}

}  // namespace today::cli
