// Reading the text values of MSPDI elements (numbers, flags, durations, date-times) and positions in a document.
#include "tools/today/plans/MspdiValues.hpp"

#include <charconv>

#include "today/outside/Host.hpp"

namespace today::cli::detail {

namespace {

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly `count` digits at `at` and advances past them.
std::optional<int> fixedDigits(std::string_view text, std::size_t& at, std::size_t count) {
    if (text.size() - at < count) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (!isDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    at += count;
    return value;
}

bool expect(std::string_view text, std::size_t& at, char c) {
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

bool isLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(std::int64_t year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Days since 1970-01-01 of a day of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<std::int64_t>(year - era * 400);
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::string_view trimXmlSpace(std::string_view text) {
    while (!text.empty() && isXmlSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isXmlSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::int64_t> mspdiInteger(std::string_view text) {
    text = trimXmlSpace(text);
    if (text.size() > 1 && text.front() == '+' && isDigit(text[1])) {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> mspdiFlag(std::string_view text) {
    text = trimXmlSpace(text);
    if (text == "1" || text == "true") {
        return true;
    }
    if (text == "0" || text == "false") {
        return false;
    }
    return std::nullopt;
}

bool mspdiDurationIsZero(std::string_view text) {
    bool sawDigit = false;
    for (const char c : text) {
        if (isDigit(c)) {
            if (c != '0') {
                return false;
            }
            sawDigit = true;
        }
    }
    return sawDigit;
}

std::optional<Date> mspdiDateTime(std::string_view text) {
    text = trimXmlSpace(text);
    std::size_t at = 0;

    // Year: four digits or more (no sign; plans do not reach before year 1).
    std::int64_t year = 0;
    while (at < text.size() && isDigit(text[at]) && at < 9) {
        year = year * 10 + (text[at] - '0');
        ++at;
    }
    if (at < 4 || !expect(text, at, '-')) {
        return std::nullopt;
    }
    const auto month = fixedDigits(text, at, 2);
    if (!month || *month < 1 || *month > 12 || !expect(text, at, '-')) {
        return std::nullopt;
    }
    const auto day = fixedDigits(text, at, 2);
    if (!day || *day < 1 || *day > daysInMonth(year, *month)) {
        return std::nullopt;
    }

    LocalTime local;
    local.year = year;
    local.month = *month;
    local.day = *day;
    if (expect(text, at, 'T')) {
        const auto hour = fixedDigits(text, at, 2);
        if (!hour || !expect(text, at, ':')) {
            return std::nullopt;
        }
        const auto minute = fixedDigits(text, at, 2);
        if (!minute || *minute > 59) {
            return std::nullopt;
        }
        double second = 0;
        if (expect(text, at, ':')) {
            const std::size_t secondStart = at;
            if (!fixedDigits(text, at, 2)) {
                return std::nullopt;
            }
            if (expect(text, at, '.')) {
                const std::size_t fractionStart = at;
                while (at < text.size() && isDigit(text[at])) {
                    ++at;
                }
                if (at == fractionStart) {
                    return std::nullopt;
                }
            }
            std::from_chars(text.data() + secondStart, text.data() + at, second);
            if (second >= 60) {
                return std::nullopt;
            }
        }
        // 24:00:00 is the end of the day, which the host normalises to the next midnight.
        if (*hour > 24 || (*hour == 24 && (*minute != 0 || second != 0))) {
            return std::nullopt;
        }
        local.hour = *hour;
        local.minute = *minute;
        local.second = second;
    }

    if (at == text.size()) {
        return Host::current().dateFromLocalTime(local);
    }
    std::int64_t offsetSeconds = 0;
    if (expect(text, at, 'Z')) {
        offsetSeconds = 0;
    } else if (text[at] == '+' || text[at] == '-') {
        const int sign = text[at] == '-' ? -1 : 1;
        ++at;
        const auto hours = fixedDigits(text, at, 2);
        if (!hours || !expect(text, at, ':')) {
            return std::nullopt;
        }
        const auto minutes = fixedDigits(text, at, 2);
        if (!minutes || *hours > 14 || *minutes > 59) {
            return std::nullopt;
        }
        offsetSeconds = sign * (*hours * 3600 + *minutes * 60);
    } else {
        return std::nullopt;
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    const double unixSeconds = static_cast<double>(daysFromCivil(local.year, local.month, local.day) * 86400 +
                                                   local.hour * 3600 + local.minute * 60 - offsetSeconds) +
                               local.second;
    return Date::fromUnixTime(unixSeconds);
}

std::optional<std::int64_t> outlineLevelOfNumber(std::string_view text) {
    text = trimXmlSpace(text);
    if (text == "0") {
        return 0;
    }
    std::int64_t parts = 1;
    bool partHasDigit = false;
    for (const char c : text) {
        if (isDigit(c)) {
            partHasDigit = true;
        } else if (c == '.' && partHasDigit) {
            ++parts;
            partHasDigit = false;
        } else {
            return std::nullopt;
        }
    }
    if (!partHasDigit) {
        return std::nullopt;
    }
    return parts;
}

TextPosition textPositionOf(std::string_view utf8, std::size_t offset) {
    if (offset > utf8.size()) {
        offset = utf8.size();
    }
    std::size_t at = utf8.starts_with("\xEF\xBB\xBF") && offset >= 3 ? 3 : 0;
    TextPosition position;
    for (; at < offset; ++at) {
        const auto c = static_cast<unsigned char>(utf8[at]);
        if (c == '\n') {
            ++position.line;
            position.column = 1;
        } else if ((c & 0xC0) != 0x80 && !(c == '\r' && at + 1 < utf8.size() && utf8[at + 1] == '\n')) {
            ++position.column;  // a character starts here (continuation bytes and the CR of CRLF do not count)
        }
    }
    return position;
}

}  // namespace today::cli::detail
