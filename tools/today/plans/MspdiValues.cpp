// Reading the text values of MSPDI elements (numbers, flags, durations, date-times) and positions in a document.
#include "tools/today/plans/MspdiValues.hpp"

#include <charconv>

#include "today/outside/Host.hpp"
#include "tools/today/dates/Calendar.hpp"
#include "tools/today/dates/DateArgument.hpp"

namespace today::cli::detail {

namespace {

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

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
    IsoDateTime iso;

    // Year: four to nine digits (no sign; plans do not reach before year 1).
    iso.year = 0;
    while (at < text.size() && isDigit(text[at]) && at < 9) {
        iso.year = iso.year * 10 + (text[at] - '0');
        ++at;
    }
    if (at < 4 || !readCharacter(text, at, '-')) {
        return std::nullopt;
    }
    const auto month = readDigits(text, at, 2);
    if (!month || *month < 1 || *month > 12 || !readCharacter(text, at, '-')) {
        return std::nullopt;
    }
    const auto day = readDigits(text, at, 2);
    if (!day || *day < 1 || *day > daysInMonth(iso.year, *month)) {
        return std::nullopt;
    }
    iso.month = *month;
    iso.day = *day;

    if (readCharacter(text, at, 'T')) {
        const auto hour = readDigits(text, at, 2);
        if (!hour || !readCharacter(text, at, ':')) {
            return std::nullopt;
        }
        const auto minute = readDigits(text, at, 2);
        if (!minute || *minute > 59) {
            return std::nullopt;
        }
        iso.hasTime = true;
        iso.hour = *hour;
        iso.minute = *minute;
        if (readCharacter(text, at, ':')) {
            const auto second = readDigits(text, at, 2);
            if (!second) {
                return std::nullopt;
            }
            iso.second = *second;
            if (readCharacter(text, at, '.')) {
                const std::size_t fractionStart = at;
                while (at < text.size() && isDigit(text[at])) {
                    ++at;
                }
                if (at == fractionStart) {
                    return std::nullopt;
                }
                iso.fraction = fractionValue(text.substr(fractionStart, at - fractionStart));
            }
            // A fraction of many nines reads as a whole second more.
            if (iso.second + iso.fraction >= 60) {
                return std::nullopt;
            }
        }
        // 24:00:00 is the end of the day, which the calendar takes as the next midnight.
        if (iso.hour > 24 || (iso.hour == 24 && (iso.minute != 0 || iso.second + iso.fraction != 0))) {
            return std::nullopt;
        }
    }

    if (at == text.size()) {
        return localDate(iso, Host::current());
    }
    if (readCharacter(text, at, 'Z')) {
        iso.offsetSeconds = 0;
    } else if (text[at] == '+' || text[at] == '-') {
        const int sign = text[at] == '-' ? -1 : 1;
        ++at;
        const auto hours = readDigits(text, at, 2);
        if (!hours || !readCharacter(text, at, ':')) {
            return std::nullopt;
        }
        const auto minutes = readDigits(text, at, 2);
        if (!minutes || *hours > 14 || *minutes > 59) {
            return std::nullopt;
        }
        iso.offsetSeconds = sign * (*hours * 3600 + *minutes * 60);
    } else {
        return std::nullopt;
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    return absoluteDate(iso);
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
