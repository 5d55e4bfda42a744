// Fuzzes the reader of a cache file: any bytes either are refused whole or decode to a snapshot that
// writes back as text which reads back the same; today's tasks of the records at a few dates obey the
// half-open interval. Dates compare as numbers: "-0" may come back as 0, the same instant.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.hpp"
#include "today/manager/TodayTaskSelection.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

using namespace today;

namespace {

bool sameTask(const detail::JsonTaskToday& a, const detail::JsonTaskToday& b) {
    return a.id == b.id && a.name == b.name && a.start == b.start && a.finish == b.finish &&
           a.completed == b.completed && a.color == b.color && a.isMilestone == b.isMilestone &&
           a.directProjectTaskId == b.directProjectTaskId;
}

bool sameSnapshot(const detail::JsonProjectToday& a, const detail::JsonProjectToday& b) {
    if (a.name != b.name || a.start != b.start || a.finish != b.finish || a.completed != b.completed) return false;
    if (a.tasks.has_value() != b.tasks.has_value()) return false;
    return !a.tasks || std::equal(a.tasks->begin(), a.tasks->end(), b.tasks->begin(), b.tasks->end(), sameTask);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto snapshot = detail::decodeProjectToday(text);
    if (!snapshot) return 0;
    const auto written = detail::encodeProjectToday(*snapshot);
    fuzzing::require(written.has_value(), "a decoded snapshot encodes");
    const auto reread = detail::decodeProjectToday(*written);
    fuzzing::require(reread.has_value() && sameSnapshot(*reread, *snapshot), "a written snapshot reads back the same");
    if (!snapshot->tasks) return 0;
    for (const auto& record : *snapshot->tasks) {
        const auto task = detail::taskToday(record);
        fuzzing::require(task.has_value() == (record.id && record.start && record.finish),
                         "a record becomes a task exactly when it has an id, a start and a finish");
        for (const double at : {-1e300, 0.0, 7e8, 1e300}) {
            const bool active = detail::isTaskActive(record, Date(at));
            fuzzing::require(
                !active || (record.start && record.finish && !(Date(at) < *record.start) && Date(at) < *record.finish),
                "an active record is on from its start up to its finish");
        }
    }
    return 0;
}
