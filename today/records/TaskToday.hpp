// One task that the widget shows for a date. A read-only value made only by `TodayManager::tasks`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "today/export.hpp"
#include "today/outside/Date.hpp"

namespace today {

namespace detail {
struct RecordFactory;
}

class TODAY_API TaskToday {
public:
    std::int64_t id() const { return _id; }
    const std::string& name() const { return _name; }
    Date start() const { return _start; }
    Date finish() const { return _finish; }
    std::int64_t completed() const { return _completed; }
    std::int64_t color() const { return _color; }
    bool isMilestone() const { return _isMilestone; }
    std::optional<std::int64_t> directProjectTaskId() const { return _directProjectTaskId; }

private:
    friend struct detail::RecordFactory;
    TaskToday(std::int64_t id, std::string name, Date start, Date finish, std::int64_t completed, std::int64_t color,
              bool isMilestone, std::optional<std::int64_t> directProjectTaskId)
        : _id(id),
          _name(std::move(name)),
          _start(start),
          _finish(finish),
          _completed(completed),
          _color(color),
          _isMilestone(isMilestone),
          _directProjectTaskId(directProjectTaskId) {}

    std::int64_t _id;
    std::string _name;
    Date _start;
    Date _finish;
    std::int64_t _completed;
    std::int64_t _color;
    bool _isMilestone;
    std::optional<std::int64_t> _directProjectTaskId;
};

}  // namespace today
