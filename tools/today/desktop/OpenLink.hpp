// Opening what a widget link asks for: a plan's file with the user's default application, or how to
// add the bar module; and the plan that is on now, which the bar's click opens.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/today/Commands.hpp"

namespace today::cli {

// The text with its URL scheme written as the widget's links write it, when it is the widget's scheme
// in another letter case ("orvaneproject://…" from a desktop's URL handler); other text as it is.
std::string withWidgetScheme(std::string_view text);

// The link of the plan that is on now: the first listed plan with a task on at this instant, else the
// plan whose task starts next today; none after saying so when no plan has a task on for the rest of
// today.
std::optional<WidgetHelper::WidgetURLTarget> currentPlanTarget(const Context& context);

// Does what the link asks: opens the plan's file with $TODAY_OPEN_COMMAND (its one argument) or
// xdg-open, or prints the bar settings. Returns the exit code.
int launchTarget(const Context& context, const WidgetHelper::WidgetURLTarget& target);

}  // namespace today::cli
