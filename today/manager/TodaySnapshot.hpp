// The today snapshot of a plan document: the project's name, dates and completion, and the leaf tasks
// that had not finished by the snapshot day, in document order. This is what a cache file holds.
#pragma once

#include "today/outside/Date.hpp"
#include "today/outside/PlanDocument.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::detail {

// The snapshot of a loaded document, made on the current day (local midnight of the host's clock).
JsonProjectToday makeJsonProjectToday(const JsonProject& jsonProject);

// The snapshot made on a given snapshot day: a leaf enters it when its finish is strictly later than
// `snapshotDay`. The task tree is walked without recursion, so a document of any depth is handled.
JsonProjectToday makeJsonProjectToday(const JsonProject& jsonProject, Date snapshotDay);

}  // namespace today::detail
