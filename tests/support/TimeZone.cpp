// Time zones from the TZif files of the time zone database and from POSIX TZ rules, for the tests' host.
#include "support/TimeZone.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <fstream>
#include <iterator>

namespace today::testing {

namespace {

std::int64_t floorDivide(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = floorDivide(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate civilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = floorDivide(days, 146097);
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const auto month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    return {yearOfEra + era * 400 + (month <= 2), month, day};
}

namespace {

std::int64_t yearOfDay(std::int64_t days) { return civilFromDays(days).year; }

bool isLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int daysInMonth(std::int64_t year, int month) {
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

// The day a rule names, "Mm.w.d" (the zones the tests use name no other kind).
struct DayRule {
    int month = 3, week = 2, weekday = 0;
    std::int64_t time = 7200;  // local time of the change, seconds after midnight

    std::int64_t day(std::int64_t year) const {
        const std::int64_t first = daysFromCivil(year, month, 1);
        const std::int64_t firstWeekday = floorDivide(first + 4, 1) % 7;  // 1970-01-01 was a Thursday
        std::int64_t day = first + (weekday - firstWeekday + 7) % 7 + std::int64_t{week - 1} * 7;
        while (day >= first + daysInMonth(year, month)) day -= 7;
        return day;
    }
};

class RuleReader {
public:
    explicit RuleReader(const std::string& text) : _text(text) {}
    bool atEnd() const { return _at == _text.size(); }
    bool take(char c) {
        if (_at < _text.size() && _text[_at] == c) return ++_at, true;
        return false;
    }
    bool startsOffset() const {
        return _at < _text.size() &&
               (std::isdigit(static_cast<unsigned char>(_text[_at])) || _text[_at] == '+' || _text[_at] == '-');
    }
    bool name() {
        if (take('<')) {
            const auto close = _text.find('>', _at);
            if (close == std::string::npos) return false;
            _at = close + 1;
            return true;
        }
        const std::size_t start = _at;
        while (_at < _text.size() && std::isalpha(static_cast<unsigned char>(_text[_at]))) ++_at;
        return _at - start >= 3;
    }
    // [+-]hh[:mm[:ss]] as seconds.
    std::optional<std::int64_t> time() {
        const bool negative = take('-');
        if (!negative) take('+');
        std::int64_t seconds = 0;
        for (int part = 0; part < 3; ++part) {
            if (part > 0 && !take(':')) break;
            const auto value = number();
            if (!value) return std::nullopt;
            seconds += *value * (part == 0 ? 3600 : part == 1 ? 60 : 1);
        }
        return negative ? -seconds : seconds;
    }
    std::optional<int> number() {
        const std::size_t start = _at;
        int value = 0;
        while (_at < _text.size() && std::isdigit(static_cast<unsigned char>(_text[_at])) && _at - start < 4) {
            value = value * 10 + (_text[_at++] - '0');
        }
        if (_at == start) return std::nullopt;
        return value;
    }
    std::optional<DayRule> day() {
        DayRule rule;
        if (!take('M')) return std::nullopt;
        const auto month = number();
        const auto week = take('.') ? number() : std::nullopt;
        const auto weekday = take('.') ? number() : std::nullopt;
        if (!month || !week || !weekday || *month < 1 || *month > 12 || *week < 1 || *week > 5 || *weekday > 6) {
            return std::nullopt;
        }
        rule.month = *month, rule.week = *week, rule.weekday = *weekday;
        if (take('/')) {
            const auto time = this->time();
            if (!time) return std::nullopt;
            rule.time = *time;
        }
        return rule;
    }

private:
    const std::string& _text;
    std::size_t _at = 0;
};

std::int64_t bigEndian(const unsigned char* at, int size) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) value = value << 8 | at[i];
    if (size == 4) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return static_cast<std::int64_t>(value);
}

}  // namespace

struct TimeZone::Rule {
    std::int64_t standardOffset = 0;  // seconds east of UTC
    bool hasDaylightTime = false;
    std::int64_t daylightOffset = 0;
    DayRule start, end;
};

std::optional<TimeZone::Rule> TimeZone::parseRule(const std::string& text) {
    RuleReader reader(text);
    Rule rule;
    if (!reader.name()) return std::nullopt;
    const auto standard = reader.time();
    if (!standard) return std::nullopt;
    rule.standardOffset = -*standard;
    if (reader.atEnd()) return rule;
    if (!reader.name()) return std::nullopt;
    rule.hasDaylightTime = true;
    rule.daylightOffset = rule.standardOffset + 3600;
    if (reader.startsOffset()) {
        const auto daylight = reader.time();
        if (!daylight) return std::nullopt;
        rule.daylightOffset = -*daylight;
    }
    rule.end = DayRule{11, 1, 0, 7200};  // without rules: the United States' since 2007
    if (reader.take(',')) {
        const auto start = reader.day();
        const auto end = reader.take(',') ? reader.day() : std::nullopt;
        if (!start || !end) return std::nullopt;
        rule.start = *start;
        rule.end = *end;
    }
    if (!reader.atEnd()) return std::nullopt;
    return rule;
}

std::optional<TimeZone> TimeZone::readDatabase(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t at = 0;
    // Reads a header and answers its counts: isutcnt, isstdcnt, leapcnt, timecnt, typecnt, charcnt.
    const auto header = [&]() -> std::optional<std::array<std::int64_t, 6>> {
        if (bytes.size() < at + 44 || bytes.compare(at, 4, "TZif") != 0) return std::nullopt;
        std::array<std::int64_t, 6> counts{};
        for (int i = 0; i < 6; ++i) counts[static_cast<std::size_t>(i)] = bigEndian(data + at + 20 + 4 * i, 4);
        at += 44;
        return counts;
    };
    auto counts = header();
    if (!counts || bytes[4] < '2') return std::nullopt;  // only files with 64-bit data
    const auto skipped = *counts;
    at += static_cast<std::size_t>(skipped[3] * 5 + skipped[4] * 6 + skipped[5] + skipped[2] * 8 + skipped[1] +
                                   skipped[0]);
    counts = header();
    if (!counts) return std::nullopt;
    const auto [isut, isstd, leaps, times, types, chars] = *counts;
    const auto need = static_cast<std::size_t>(times * 9 + types * 6 + chars + leaps * 12 + isstd + isut);
    if (types < 1 || bytes.size() < at + need) return std::nullopt;
    const unsigned char* transitionTimes = data + at;
    const unsigned char* transitionTypes = transitionTimes + times * 8;
    const unsigned char* typeRecords = transitionTypes + times;
    TimeZone zone;
    zone._initialOffset = bigEndian(typeRecords, 4);
    for (std::int64_t i = 0; i < times; ++i) {
        const std::int64_t type = transitionTypes[i];
        if (type >= types) return std::nullopt;
        zone._transitions.push_back({bigEndian(transitionTimes + 8 * i, 8), bigEndian(typeRecords + 6 * type, 4)});
    }
    at += need;
    // The footer: a POSIX TZ rule for the instants after the last transition.
    const auto close = bytes.find('\n', at + 1);
    if (at < bytes.size() && bytes[at] == '\n' && close != std::string::npos && close > at + 1) {
        if (auto rule = parseRule(bytes.substr(at + 1, close - at - 1))) zone._rule = std::make_shared<Rule>(*rule);
    }
    return zone;
}

std::optional<TimeZone> TimeZone::named(const std::string& name) {
    if (name.find("..") == std::string::npos && !name.starts_with('/')) {
        if (auto zone = readDatabase("/usr/share/zoneinfo/" + name)) return zone;
    }
    auto rule = parseRule(name);
    if (!rule) return std::nullopt;
    TimeZone zone;
    zone._rule = std::make_shared<Rule>(*rule);
    return zone;
}

std::int64_t TimeZone::ruleOffsetAt(std::int64_t unixTime) const {
    const Rule& rule = *_rule;
    if (!rule.hasDaylightTime) return rule.standardOffset;
    const std::int64_t year = yearOfDay(floorDivide(unixTime + rule.standardOffset, 86400));
    // The changes of the years around the instant; the last one not after it sets the offset.
    std::int64_t latest = INT64_MIN;
    std::int64_t offset = rule.standardOffset;
    for (std::int64_t y = year - 1; y <= year + 1; ++y) {
        const std::int64_t start = rule.start.day(y) * 86400 + rule.start.time - rule.standardOffset;
        const std::int64_t end = rule.end.day(y) * 86400 + rule.end.time - rule.daylightOffset;
        for (const auto& [at, after] : {std::pair{start, rule.daylightOffset}, std::pair{end, rule.standardOffset}}) {
            if (at <= unixTime && at > latest) latest = at, offset = after;
        }
    }
    return offset;
}

std::int64_t TimeZone::offsetAt(std::int64_t unixTime) const {
    if (_transitions.empty() || unixTime >= _transitions.back().at) {
        if (_rule) return ruleOffsetAt(unixTime);
        return _transitions.empty() ? _initialOffset : _transitions.back().offset;
    }
    const auto after = std::upper_bound(_transitions.begin(), _transitions.end(), unixTime,
                                        [](std::int64_t t, const Transition& transition) { return t < transition.at; });
    return after == _transitions.begin() ? _initialOffset : std::prev(after)->offset;
}

std::int64_t TimeZone::unixTimeOf(std::int64_t localTime) const {
    // Every offset in force within a day of the local time; an offset fits when the instant it gives
    // has that offset.
    std::vector<std::int64_t> offsets;
    for (const std::int64_t around : {-86400, -43200, 0, 43200, 86400}) offsets.push_back(offsetAt(localTime + around));
    std::optional<std::int64_t> first;
    for (const std::int64_t offset : offsets) {
        const std::int64_t instant = localTime - offset;
        if (offsetAt(instant) == offset && (!first || instant < *first)) first = instant;
    }
    if (first) return *first;
    // Skipped: the clocks moved forward over it, from the smaller offset.
    return localTime - *std::min_element(offsets.begin(), offsets.end());
}

}  // namespace today::testing
