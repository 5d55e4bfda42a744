// Reading ISO 8601 dates and the days and instants named on the command line, and finding starts of
// local days.
#include "tools/today/dates/DateArgument.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "tools/today/dates/Calendar.hpp"

namespace today::cli {

namespace {

using detail::readCharacter;
using detail::readDigits;

bool readTime(std::string_view text, std::size_t& pos, IsoDateTime& iso) {
    const auto hour = readDigits(text, pos, 2);
    if (!hour || !readCharacter(text, pos, ':')) return false;
    const auto minute = readDigits(text, pos, 2);
    if (!minute || *hour > 23 || *minute > 59) return false;
    iso.hour = *hour;
    iso.minute = *minute;
    if (readCharacter(text, pos, ':')) {
        const auto second = readDigits(text, pos, 2);
        if (!second || *second > 59) return false;
        iso.second = *second;
        if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
            const std::size_t start = ++pos;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
            const std::size_t count = pos - start;
            if (count == 0 || count > 9) return false;
            iso.fraction = detail::fractionValue(text.substr(start, count));
        }
    }
    iso.hasTime = true;
    return true;
}

bool readOffset(std::string_view text, std::size_t& pos, IsoDateTime& iso) {
    if (readCharacter(text, pos, 'Z') || readCharacter(text, pos, 'z')) {
        iso.offsetSeconds = 0;
        return true;
    }
    int sign = 0;
    if (readCharacter(text, pos, '+')) sign = 1;
    else if (readCharacter(text, pos, '-')) sign = -1;
    else return false;
    const auto hours = readDigits(text, pos, 2);
    if (!hours || *hours > 23) return false;
    int minutes = 0;
    if (pos < text.size()) {
        readCharacter(text, pos, ':');
        const auto m = readDigits(text, pos, 2);
        if (!m || *m > 59) return false;
        minutes = *m;
    }
    iso.offsetSeconds = sign * (*hours * 3600 + minutes * 60);
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

// "+N" or "-N" and a unit: d, w, h or m.
struct Amount {
    std::int64_t count;  // signed
    char unit;           // lower case
};

std::optional<Amount> relativeAmount(std::string_view text) {
    if (text.size() < 3 || (text[0] != '+' && text[0] != '-')) return std::nullopt;
    char unit = text.back();
    if (unit >= 'A' && unit <= 'Z') unit = static_cast<char>(unit - 'A' + 'a');
    if (unit != 'd' && unit != 'w' && unit != 'h' && unit != 'm') return std::nullopt;
    const std::string_view number = text.substr(1, text.size() - 2);
    if (number.size() > 6) return std::nullopt;  // a few thousand years is plenty
    std::int64_t count = 0;
    for (const char c : number) {
        if (c < '0' || c > '9') return std::nullopt;
        count = count * 10 + (c - '0');
    }
    return Amount{text[0] == '-' ? -count : count, unit};
}

struct Clock {
    int hour;
    int minute;
};

// "H", "HH", "H:MM" or "HH:MM"; the bare hour only when `bareHour`.
std::optional<Clock> timeOfDay(std::string_view text, bool bareHour) {
    const std::size_t colon = text.find(':');
    const std::string_view hourText = text.substr(0, colon);
    if (hourText.empty() || hourText.size() > 2 || (colon == std::string_view::npos && !bareHour)) return std::nullopt;
    std::size_t at = 0;
    const auto hour = detail::readDigits(hourText, at, hourText.size());
    if (!hour || *hour > 23) return std::nullopt;
    if (colon == std::string_view::npos) return Clock{*hour, 0};
    at = colon + 1;
    const auto minute = readDigits(text, at, 2);
    if (!minute || *minute > 59 || at != text.size()) return std::nullopt;
    return Clock{*hour, *minute};
}

// 0 for Sunday ... 6 for Saturday, from the full English name or its first three letters.
std::optional<int> weekday(std::string_view word) {
    static constexpr std::array<std::string_view, 7> names = {"sunday",   "monday", "tuesday", "wednesday",
                                                              "thursday", "friday", "saturday"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (equalsIgnoringCase(word, names[i]) || equalsIgnoringCase(word, names[i].substr(0, 3))) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> found;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find_first_of(" \t", at), text.size());
        if (end > at) found.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return found;
}

std::optional<std::int64_t> localDay(Date date, Host& host) {
    const auto local = host.localTime(date);
    if (!local) return std::nullopt;
    return daysFromCivil(local->year, local->month, local->day);
}

// The day that the first words name, counted from `today`, and how many words it took.
std::optional<std::pair<std::int64_t, std::size_t>> namedDay(const std::vector<std::string_view>& split,
                                                             std::int64_t today) {
    const std::string_view first = split.front();
    if (equalsIgnoringCase(first, "today")) return std::pair(today, std::size_t{1});
    if (equalsIgnoringCase(first, "tomorrow")) return std::pair(today + 1, std::size_t{1});
    if (equalsIgnoringCase(first, "yesterday")) return std::pair(today - 1, std::size_t{1});
    if (const auto iso = parseIso8601(first); iso && !iso->hasTime) {
        return std::pair(daysFromCivil(iso->year, iso->month, iso->day), std::size_t{1});
    }
    if (const auto amount = relativeAmount(first); amount && (amount->unit == 'd' || amount->unit == 'w')) {
        return std::pair(today + amount->count * (amount->unit == 'w' ? 7 : 1), std::size_t{1});
    }
    const int current = weekdayFromDays(today);
    if (const auto named = weekday(first)) return std::pair(today + (*named - current + 7) % 7, std::size_t{1});
    if (split.size() < 2) return std::nullopt;
    const auto named = weekday(split[1]);
    if (!named) return std::nullopt;
    if (equalsIgnoringCase(first, "this")) return std::pair(today + (*named - current + 7) % 7, std::size_t{2});
    if (equalsIgnoringCase(first, "next")) {
        const int ahead = (*named - current + 7) % 7;
        return std::pair(today + (ahead == 0 ? 7 : ahead), std::size_t{2});
    }
    if (equalsIgnoringCase(first, "last")) {
        const int back = (current - *named + 7) % 7;
        return std::pair(today - (back == 0 ? 7 : back), std::size_t{2});
    }
    return std::nullopt;
}

// The whole seconds of a local civil time counted from 2001-01-01T00:00 as if the local clock were UTC,
// with fields out of range carried over as the host does; none beyond the calendar's reach.
std::optional<std::int64_t> localSeconds(const LocalTime& local) {
    constexpr std::int64_t yearLimit = 1'000'000'000;
    if (!std::isfinite(local.second) || std::fabs(local.second) > 1e15 || local.year > yearLimit ||
        local.year < -yearLimit) {
        return std::nullopt;
    }
    const std::int64_t months = local.year * 12 + (std::int64_t{local.month} - 1);
    const std::int64_t year = months / 12 - (months % 12 < 0 ? 1 : 0);
    const int month = static_cast<int>(months - year * 12) + 1;
    const std::int64_t days = daysFromCivil(year, month, 1) + local.day - 1 - daysFromCivil(2001, 1, 1);
    return days * 86400 + std::int64_t{local.hour} * 3600 + std::int64_t{local.minute} * 60 +
           static_cast<std::int64_t>(std::floor(local.second));
}

// Seconds east of UTC in force at the date, or none.
std::optional<std::int64_t> offsetAt(Date date, Host& host) {
    const auto local = host.localTime(date);
    const auto seconds = local ? localSeconds(*local) : std::nullopt;
    if (!seconds) return std::nullopt;
    return *seconds - static_cast<std::int64_t>(std::floor(date.timeIntervalSinceReferenceDate()));
}

}  // namespace

std::optional<Date> dateOfLocalTime(const LocalTime& local, Host& host) {
    const auto answered = host.dateFromLocalTime(local);
    const auto asked = localSeconds(local);
    if (!answered || !asked) return answered;
    const auto offset = offsetAt(*answered, host);
    if (!offset) return answered;
    const double whole = std::floor(answered->timeIntervalSinceReferenceDate());
    if (static_cast<double>(*asked - *offset) == whole) return answered;  // the time exists
    // Skipped: the clocks moved forward over it, from the smaller offset to the larger. Read with the
    // smaller one, the offset before the change, it lands after the change by as much as the clocks skipped.
    const double fraction = answered->timeIntervalSinceReferenceDate() - whole;
    const auto other = offsetAt(Date(static_cast<double>(*asked - *offset) + fraction), host);
    if (!other) return answered;
    return Date(static_cast<double>(*asked - std::min(*offset, *other)) + fraction);
}

std::optional<IsoDateTime> parseIso8601(std::string_view text) {
    IsoDateTime iso;
    std::size_t pos = 0;
    const auto year = readDigits(text, pos, 4);
    if (!year || !readCharacter(text, pos, '-')) return std::nullopt;
    const auto month = readDigits(text, pos, 2);
    if (!month || !readCharacter(text, pos, '-')) return std::nullopt;
    const auto day = readDigits(text, pos, 2);
    if (!day || *month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month)) return std::nullopt;
    iso.year = *year;
    iso.month = *month;
    iso.day = *day;
    if (pos == text.size()) return iso;

    const bool separated =
        readCharacter(text, pos, 'T') || readCharacter(text, pos, 't') || readCharacter(text, pos, ' ');
    if (!separated) return std::nullopt;
    if (!readTime(text, pos, iso)) return std::nullopt;
    if (pos == text.size()) return iso;
    if (!readOffset(text, pos, iso) || pos != text.size()) return std::nullopt;
    return iso;
}

std::optional<Date> absoluteDate(const IsoDateTime& iso) {
    if (!iso.offsetSeconds) return std::nullopt;
    const std::int64_t referenceDays = daysFromCivil(2001, 1, 1);
    const std::int64_t seconds = (daysFromCivil(iso.year, iso.month, iso.day) - referenceDays) * 86400 +
                                 iso.hour * 3600 + iso.minute * 60 + iso.second - *iso.offsetSeconds;
    return Date(static_cast<double>(seconds) + iso.fraction);
}

std::optional<Date> localDate(const IsoDateTime& iso, Host& host) {
    LocalTime local;
    local.year = iso.year;
    local.month = iso.month;
    local.day = iso.day;
    local.hour = iso.hour;
    local.minute = iso.minute;
    local.second = iso.second + iso.fraction;
    return dateOfLocalTime(local, host);
}

std::optional<Date> addingCalendarDays(Date date, std::int64_t days, Host& host) {
    auto local = host.localTime(date);
    if (!local) return std::nullopt;
    local->day += static_cast<int>(days);
    return dateOfLocalTime(*local, host);
}

std::optional<Date> startOfCivilDay(std::int64_t dayNumber, Host& host) {
    // Noon of the day, then the library's start of that day: local midnight where it exists, else the
    // first instant of the day (clocks that skip midnight start the day later; clocks that repeat it
    // start it at the first one). A day that the zone skips as a whole starts where the next one does.
    for (std::int64_t day = dayNumber; day <= dayNumber + 1; ++day) {
        const CivilDay civil = civilFromDays(day);
        LocalTime noon;
        noon.year = civil.year;
        noon.month = civil.month;
        noon.day = civil.day;
        noon.hour = 12;
        const auto inDay = dateOfLocalTime(noon, host);
        if (!inDay) return std::nullopt;
        const Date start = inDay->toDayOnly();
        const auto local = host.localTime(start);
        if (!local) return start;
        if (daysFromCivil(local->year, local->month, local->day) >= dayNumber) return start;
    }
    return std::nullopt;
}

std::optional<Date> startOfDay(Date date, std::int64_t days, Host& host) {
    const auto local = host.localTime(date);
    if (!local) return std::nullopt;
    return startOfCivilDay(daysFromCivil(local->year, local->month, local->day) + days, host);
}

std::optional<DateArgument> readDateArgument(std::string_view text, Host& host) {
    // ISO text first: its date and time may be parted by a space.
    if (const auto iso = parseIso8601(text)) {
        if (iso->offsetSeconds) return DateArgument{absoluteDate(*iso).value(), std::nullopt};
        if (iso->hasTime) {
            const auto date = localDate(*iso, host);
            if (!date) return std::nullopt;
            return DateArgument{*date, std::nullopt};
        }
    }
    const auto split = words(text);
    const Date now = host.now();
    const auto today = localDay(now, host);
    if (split.empty() || split.size() > 3 || !today) return std::nullopt;

    if (split.size() == 1) {
        if (equalsIgnoringCase(split[0], "now")) return DateArgument{now, std::nullopt};
        if (const auto amount = relativeAmount(split[0])) {
            // Hours and minutes are real ones; days and weeks keep the local time of day.
            if (amount->unit == 'h' || amount->unit == 'm') {
                const double seconds = static_cast<double>(amount->count) * (amount->unit == 'h' ? 3600 : 60);
                return DateArgument{Date(now.timeIntervalSinceReferenceDate() + seconds), std::nullopt};
            }
            const auto date = addingCalendarDays(now, amount->count * (amount->unit == 'w' ? 7 : 1), host);
            const auto day = date ? localDay(*date, host) : std::nullopt;
            if (!day) return std::nullopt;
            return DateArgument{*date, *day};
        }
    }

    std::int64_t day = *today;
    std::size_t used = 0;
    if (const auto named = namedDay(split, *today)) std::tie(day, used) = *named;
    else if (split.size() != 1) return std::nullopt;  // a time of day alone is today's
    if (used == split.size()) {
        const auto start = startOfCivilDay(day, host);
        if (!start) return std::nullopt;
        return DateArgument{*start, day};
    }
    if (used + 1 != split.size()) return std::nullopt;
    const auto clock = timeOfDay(split[used], used > 0);
    if (!clock) return std::nullopt;
    const CivilDay civil = civilFromDays(day);
    LocalTime local;
    local.year = civil.year;
    local.month = civil.month;
    local.day = civil.day;
    local.hour = clock->hour;
    local.minute = clock->minute;
    const auto date = dateOfLocalTime(local, host);
    if (!date) return std::nullopt;
    return DateArgument{*date, std::nullopt};
}

std::optional<Date> parseDateArgument(std::string_view text, Host& host) {
    const auto argument = readDateArgument(text, host);
    if (!argument) return std::nullopt;
    return argument->date;
}

std::string dateArgumentError(std::string_view what, std::string_view text) {
    std::string message(what);
    message += ": \"";
    message += text;
    message +=
        "\" is not a day or time; use today, tomorrow, yesterday, a weekday (fri, friday, next fri, "
        "last fri), 2025-06-10, 2025-06-10T14:30, 2025-06-10T14:30+02:00, now, +3d, -1w, +2h, +90m, or a day "
        "and a time (tomorrow 14:00, fri 9)";
    return message;
}

namespace detail {

std::optional<int> readDigits(std::string_view text, std::size_t& at, std::size_t count) {
    if (text.size() - at < count) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    at += count;
    return value;
}

bool readCharacter(std::string_view text, std::size_t& at, char c) {
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

double fractionValue(std::string_view digits) {
    std::string text = "0.";
    text.append(digits);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace detail

}  // namespace today::cli
