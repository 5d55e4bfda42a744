// `today link` and `today open`: building widget links, and telling what a link opens or opening it.
#include <fmt/format.h>

#include <stdexcept>

#include "tools/today/Commands.hpp"
#include "tools/today/desktop/OpenLink.hpp"

namespace today::cli {

namespace {

// What a link opens, as `today open` says it.
std::string opensText(const std::optional<WidgetHelper::WidgetURLTarget>& target) {
    if (!target) return "opens nothing";
    switch (target->kind()) {
        case WidgetHelper::WidgetURLTarget::Kind::project: return "opens project " + target->projectId();
        case WidgetHelper::WidgetURLTarget::Kind::widgetSettingGuide: return "opens the widget setting guide";
        case WidgetHelper::WidgetURLTarget::Kind::legacyTodaySetting: return "opens the legacy Today setting";
    }
    return "opens nothing";
}

// Whether the link is the one the widget writes for the target.
bool isWrittenAsTheWidgetWrites(const WidgetHelper::WidgetURLTarget& target, std::string_view link) {
    try {
        return WidgetHelper::shared.widgetUrl(target).string() == link;
    } catch (const std::invalid_argument&) {
        return false;  // a host that no link of the widget can carry
    }
}

}  // namespace

int runLink(const Context& context, WidgetHelper::WidgetURLTarget::Kind kind) {
    using Target = WidgetHelper::WidgetURLTarget;
    const Target target = kind == Target::Kind::project              ? Target::project(context.options.id)
                          : kind == Target::Kind::widgetSettingGuide ? Target::widgetSettingGuide()
                                                                     : Target::legacyTodaySetting();
    try {
        const Url url = WidgetHelper::shared.widgetUrl(target);
        // A project's link must open that project again: an empty id gives a link that opens nothing,
        // and the id of a setting screen a link to that screen.
        if (kind == Target::Kind::project) {
            const auto opens = WidgetHelper::shared.target(url);
            if (!opens || opens->kind() != kind || opens->projectId() != context.options.id) {
                printError(fmt::format("project id \"{}\" cannot be linked: {} {}", context.options.id, url.string(),
                                       opensText(opens)));
                return exitUsage;
            }
        }
        printLine(printable(url.string()));
        return exitSuccess;
    } catch (const std::invalid_argument& error) {
        printError(error.what());
        return exitUsage;
    }
}

int runOpen(const Context& context) {
    const std::string& text = context.options.url;
    std::optional<WidgetHelper::WidgetURLTarget> target;
    if (text == "current") {
        target = currentPlanTarget(context);
        if (!target) return exitFailure;
    } else {
        const std::string link = withWidgetScheme(text);
        const auto url = Url::parse(link);
        target = url ? WidgetHelper::shared.target(*url) : std::nullopt;
        // The widget writes its links as the scheme, "://" and the host alone. Reading only the host of
        // a link with a user, a port, a path, a query or a fragment would open a plan that the link
        // merely mentions: such a link is refused.
        if (target && !isWrittenAsTheWidgetWrites(*target, link)) {
            printError(fmt::format(
                "{} is not a widget link: it holds more than the scheme and the {}", text,
                target->kind() == WidgetHelper::WidgetURLTarget::Kind::project ? "plan's id" : "setting's name"));
            return exitUsage;
        }
    }
    if (!target) {
        printError(fmt::format("{} is not a widget link", text));
        return exitFailure;
    }
    if (context.options.launch) return launchTarget(context, *target);
    switch (target->kind()) {
        case WidgetHelper::WidgetURLTarget::Kind::project:
            printLine("project " + printable(target->projectId()));
            break;
        case WidgetHelper::WidgetURLTarget::Kind::widgetSettingGuide: printLine("widget setting guide"); break;
        case WidgetHelper::WidgetURLTarget::Kind::legacyTodaySetting: printLine("legacy Today setting"); break;
    }
    return exitSuccess;
}

}  // namespace today::cli
