// Writes a plan document in the JSON plan format (docs/plan-format.md): what `today demo` saves, and what
// reading the result gives back unchanged.
#pragma once

#include <string>

#include "today/outside/Host.hpp"
#include "today/outside/PlanDocument.hpp"

namespace today::cli {

// The plan as JSON text. Dates of whole seconds are written as ISO 8601 in the host's local time with its
// offset; others as seconds since 2001-01-01T00:00:00Z, so that every date reads back exactly.
std::string writeJsonPlan(const JsonProject& project, Host& host);

}  // namespace today::cli
