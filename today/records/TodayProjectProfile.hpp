// One plan document registered for the Today widget. A value: copies are independent of the manager.
#pragma once

#include <optional>
#include <string>

#include "today/export.hpp"
#include "today/outside/Bytes.hpp"
#include "today/outside/Date.hpp"

namespace today {

namespace detail {
struct RecordFactory;
}

class TODAY_API TodayProjectProfile {
public:
    const std::string& id() const { return _id; }  // identity; read only

    std::string name;
    std::optional<Date> start;
    std::optional<Date> finish;
    std::string sourceOrvFilePath;
    std::optional<Bytes> securityScopedBookmark;
    Date lastUpdate{0};
    bool todayWidget = false;

private:
    friend struct detail::RecordFactory;
    TodayProjectProfile(std::string id, std::string name, std::optional<Date> start, std::optional<Date> finish,
                        std::string sourceOrvFilePath, std::optional<Bytes> securityScopedBookmark, Date lastUpdate,
                        bool todayWidget)
        : name(std::move(name)),
          start(start),
          finish(finish),
          sourceOrvFilePath(std::move(sourceOrvFilePath)),
          securityScopedBookmark(std::move(securityScopedBookmark)),
          lastUpdate(lastUpdate),
          todayWidget(todayWidget),
          _id(std::move(id)) {}

    std::string _id;
};

}  // namespace today
