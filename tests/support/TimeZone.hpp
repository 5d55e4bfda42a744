// Time zones for the tests' host, without touching the process's TZ: a zone of the system's time zone
// database (/usr/share/zoneinfo, the TZif format) or a POSIX TZ rule such as "EST5EDT,M3.2.0,M11.1.0".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace today::testing {

struct CivilDate {
    std::int64_t year;
    int month;  // 1...12
    int day;    // 1...31
};
// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
std::int64_t daysFromCivil(std::int64_t year, int month, int day);
CivilDate civilFromDays(std::int64_t days);

class TimeZone {
public:
    // The zone of that name in the time zone database, else the zone the text describes as a POSIX TZ
    // rule; none when it is neither.
    static std::optional<TimeZone> named(const std::string& name);

    // Seconds east of UTC at the instant (seconds since 1970).
    std::int64_t offsetAt(std::int64_t unixTime) const;
    // The instant of a local time (seconds since 1970 as if the local clock were UTC). A time that the
    // clocks skip is read with the offset before the change, one they repeat at its first occurrence.
    std::int64_t unixTimeOf(std::int64_t localTime) const;

private:
    struct Rule;  // a POSIX TZ rule
    struct Transition {
        std::int64_t at;
        std::int64_t offset;
    };
    static std::optional<Rule> parseRule(const std::string& text);
    static std::optional<TimeZone> readDatabase(const std::string& path);
    std::int64_t ruleOffsetAt(std::int64_t unixTime) const;

    std::vector<Transition> _transitions;  // from the database, in order
    std::int64_t _initialOffset = 0;       // before the first transition
    std::shared_ptr<const Rule> _rule;     // after the last transition, or always when there are none
};

}  // namespace today::testing
