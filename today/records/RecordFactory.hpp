// The library's own constructors of the public records, which hosts cannot call.
#pragma once

#include "today/records/TaskToday.hpp"
#include "today/records/TodayProjectProfile.hpp"

namespace today::detail {

struct RecordFactory {
    static TodayProjectProfile profile(std::string id, std::string name, std::optional<Date> start,
                                       std::optional<Date> finish, std::string sourceOrvFilePath,
                                       std::optional<Bytes> securityScopedBookmark, Date lastUpdate, bool todayWidget) {
        return TodayProjectProfile(std::move(id), std::move(name), start, finish, std::move(sourceOrvFilePath),
                                   std::move(securityScopedBookmark), lastUpdate, todayWidget);
    }

    static TaskToday task(std::int64_t id, std::string name, Date start, Date finish, std::int64_t completed,
                          std::int64_t color, bool isMilestone, std::optional<std::int64_t> directProjectTaskId) {
        return TaskToday(id, std::move(name), start, finish, completed, color, isMilestone, directProjectTaskId);
    }
};

}  // namespace today::detail
