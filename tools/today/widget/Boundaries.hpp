// When the bar's line can next change by the clock alone: the next start or finish of a task (a
// milestone's window included) or the next local midnight, whichever comes first.
#pragma once

#include <vector>

#include "today/outside/Host.hpp"
#include "today/records/TaskToday.hpp"

namespace today::cli {

// The first instant after `now` at which a task of `tasks` starts or finishes, or the local day of `now`
// ends (in the host's zone, which must be the current host's), whichever is first.
Date nextBoundary(const std::vector<TaskToday>& tasks, Date now, Host& host);

}  // namespace today::cli
