// The manager's locker: runs one piece of work at a time and hands back its result.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "today/export.hpp"

namespace today {

class TODAY_API GCDLocker {
public:
    explicit GCDLocker(std::string_view label) : _label(label) {}
    GCDLocker(const GCDLocker&) = delete;
    GCDLocker& operator=(const GCDLocker&) = delete;

    const std::string& label() const { return _label; }

    // Runs `work` to completion, never at the same time as other work given to this locker, and
    // returns its result. Work must not give work to the same locker.
    template <class Work>
    decltype(auto) locked(Work&& work) const {
        std::lock_guard guard(_mutex);
        return std::forward<Work>(work)();
    }

private:
    std::string _label;
    mutable std::mutex _mutex;
};

}  // namespace today
