// Reading ISO 8601 dates and the words of `--at`, and finding starts of local days.
#include "tools/today/dates/DateArgument.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

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

// "+Nd" or "-Nd": a signed number of days.
std::optional<std::int64_t> relativeDays(std::string_view text) {
    if (text.size() < 3 || (text[0] != '+' && text[0] != '-')) return std::nullopt;
    if (text.back() != 'd' && text.back() != 'D') return std::nullopt;
    const std::string_view number = text.substr(1, text.size() - 2);
    if (number.size() > 6) return std::nullopt;  // a few thousand years is plenty
    std::int64_t days = 0;
    for (const char c : number) {
        if (c < '0' || c > '9') return std::nullopt;
        days = days * 10 + (c - '0');
    }
    return text[0] == '-' ? -days : days;
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

std::optional<Date> parseDateArgument(std::string_view text, Host& host) {
    if (equalsIgnoringCase(text, "now")) return host.now();
    if (equalsIgnoringCase(text, "today")) return startOfDay(host.now(), 0, host);
    if (equalsIgnoringCase(text, "tomorrow")) return startOfDay(host.now(), 1, host);
    if (equalsIgnoringCase(text, "yesterday")) return startOfDay(host.now(), -1, host);
    if (const auto days = relativeDays(text)) return addingCalendarDays(host.now(), *days, host);

    const auto iso = parseIso8601(text);
    if (!iso) return std::nullopt;
    if (iso->offsetSeconds) return absoluteDate(*iso);
    if (!iso->hasTime) return startOfCivilDay(daysFromCivil(iso->year, iso->month, iso->day), host);
    return localDate(*iso, host);
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
