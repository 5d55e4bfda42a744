// Formatting for the terminal: local and ISO 8601 dates, completion bars, colours, sanitised and padded text.
#include "tools/today/output/Format.hpp"

#include <fmt/format.h>
#include <utf8proc.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "today/outside/Text.hpp"
#include "tools/today/dates/Calendar.hpp"

namespace today::cli {

namespace {

constexpr std::array<const char*, 7> weekdayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// Dates are shown within this many seconds of 1970, about 291 billion years, where the calendar
// arithmetic below is exact in 64-bit integers. Only a damaged or hostile file holds a date beyond; it
// is shown at the bound.
constexpr double largestShownSeconds = 9.2e18;

// Whole seconds since 1970 and microseconds, rounded to the microsecond.
struct SplitTime {
    std::int64_t wholeUnixSeconds;
    int microseconds;
};

// Seconds since 1970 within the bounds that are shown.
double shownUnixSeconds(Date date) {
    const double unix = date.unixTime();
    return std::isnan(unix) ? 0 : std::clamp(unix, -largestShownSeconds, largestShownSeconds);
}

std::int64_t wholeUnixSeconds(Date date) { return static_cast<std::int64_t>(std::floor(shownUnixSeconds(date))); }

SplitTime splitTime(Date date) {
    const double unix = shownUnixSeconds(date);
    double whole = std::floor(unix);
    auto micro = static_cast<int>(std::llround((unix - whole) * 1e6));
    if (micro >= 1000000) {
        whole += 1;
        micro = 0;
    }
    return {static_cast<std::int64_t>(whole), micro};
}

// The civil time of whole seconds since 1970 at a fixed offset.
LocalTime civilAt(std::int64_t unixSeconds, int offsetSeconds) {
    const std::int64_t seconds = unixSeconds + offsetSeconds;
    const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const std::int64_t ofDay = seconds - days * 86400;
    const CivilDay civil = civilFromDays(days);
    LocalTime local;
    local.year = civil.year;
    local.month = civil.month;
    local.day = civil.day;
    local.hour = static_cast<int>(ofDay / 3600);
    local.minute = static_cast<int>(ofDay / 60 % 60);
    local.second = static_cast<double>(ofDay % 60);
    return local;
}

// The local civil time of a date and its offset from UTC, which is the zone's own for every date the
// host's calendar covers: also a local mean time of whole seconds before the zone took a standard
// time. UTC where the host cannot tell.
struct Zoned {
    LocalTime local;
    int offsetSeconds;
};

Zoned zoned(std::int64_t unixSeconds, Host& host) {
    const auto local = host.localTime(Date::fromUnixTime(static_cast<double>(unixSeconds)));
    if (local && local->month >= 1 && local->month <= 12 && std::abs(local->year) < 10'000'000'000) {
        const std::int64_t asUtc = daysFromCivil(local->year, local->month, local->day) * 86400 + local->hour * 3600 +
                                   local->minute * 60 + static_cast<std::int64_t>(std::floor(local->second));
        const std::int64_t offset = asUtc - unixSeconds;
        if (offset > -86400 && offset < 86400) return {*local, static_cast<int>(offset)};
    }
    return {civilAt(unixSeconds, 0), 0};
}

// A year as ISO 8601 writes it: four digits from 0000 to 9999, else a sign and at least four digits.
std::string yearText(std::int64_t year) {
    if (year >= 0 && year <= 9999) return fmt::format("{:04}", year);
    return fmt::format("{}{:04}", year < 0 ? '-' : '+', year < 0 ? -year : year);
}

std::string dayText(const LocalTime& local) {
    return fmt::format("{}-{:02}-{:02}", yearText(local.year), local.month, local.day);
}

std::string isoText(const LocalTime& local, int microseconds, int offsetSeconds) {
    std::string text =
        fmt::format("{}T{:02}:{:02}:{:02}", dayText(local), local.hour, local.minute, static_cast<int>(local.second));
    if (microseconds != 0) {
        std::string fraction = fmt::format("{:06}", microseconds);
        while (fraction.back() == '0') fraction.pop_back();
        text += '.' + fraction;
    }
    if (offsetSeconds == 0) return text + 'Z';
    const int magnitude = std::abs(offsetSeconds);
    text += fmt::format("{}{:02}:{:02}", offsetSeconds < 0 ? '-' : '+', magnitude / 3600, magnitude / 60 % 60);
    // A local mean time is not a whole number of minutes from UTC: its seconds are written too.
    if (magnitude % 60 != 0) text += fmt::format(":{:02}", magnitude % 60);
    return text;
}

std::string wrap(bool on, std::string_view code, std::string_view text) {
    if (!on || text.empty()) return std::string(text);
    return fmt::format("\x1b[{}m{}\x1b[0m", code, text);
}

constexpr Glyphs unicodeGlyphs = {false, "→", "–", "◆", "■", "█", "░", "…", "“", "”", "✓"};
constexpr Glyphs asciiGlyphs = {true, "->", "-", "*", "#", "#", ".", "...", "\"", "\"", "done"};
const Glyphs* currentGlyphs = &unicodeGlyphs;

}  // namespace

const Glyphs& glyphs() { return *currentGlyphs; }
void setAsciiOutput(bool ascii) { currentGlyphs = ascii ? &asciiGlyphs : &unicodeGlyphs; }

std::string Style::bold(std::string_view text) const { return wrap(color, "1", text); }
std::string Style::dim(std::string_view text) const { return wrap(color, "2", text); }
std::string Style::red(std::string_view text) const { return wrap(color, "31", text); }
std::string Style::green(std::string_view text) const { return wrap(color, "32", text); }

std::string Style::swatchBlock(std::int64_t colorIndex, std::string_view text) const {
    // Ten distinct colours of the 256-colour palette; plans number their colours from 0.
    constexpr std::array<int, 10> palette = {33, 208, 34, 135, 160, 37, 178, 205, 130, 245};
    const auto slot = static_cast<std::size_t>(((colorIndex % 10) + 10) % 10);
    if (!color) return std::string(text);
    return fmt::format("\x1b[38;5;{}m{}\x1b[0m", palette[slot], text);
}

std::string Style::swatch(std::int64_t colorIndex) const {
    return fmt::format("{} {}", swatchBlock(colorIndex, glyphs().swatch), colorIndex);
}

std::string formatLocalMinutes(Date date, Host& host) {
    const Zoned z = zoned(wholeUnixSeconds(date), host);
    return fmt::format("{} {:02}:{:02}", dayText(z.local), z.local.hour, z.local.minute);
}

std::string formatLocalClock(Date date, Host& host) {
    const Zoned z = zoned(wholeUnixSeconds(date), host);
    return fmt::format("{:02}:{:02}", z.local.hour, z.local.minute);
}

std::string formatLocalDate(Date date, Host& host) { return dayText(zoned(wholeUnixSeconds(date), host).local); }

std::string formatLocalWeekday(Date date, Host& host) {
    const Zoned z = zoned(wholeUnixSeconds(date), host);
    const int weekday = weekdayFromDays(daysFromCivil(z.local.year, z.local.month, z.local.day));
    return fmt::format("{} {}", weekdayNames[static_cast<std::size_t>(weekday)], dayText(z.local));
}

std::int64_t localDayNumber(Date date, Host& host) {
    const Zoned z = zoned(wholeUnixSeconds(date), host);
    return daysFromCivil(z.local.year, z.local.month, z.local.day);
}

std::string formatLocalDay(Date date, Host& host) {
    const Zoned z = zoned(wholeUnixSeconds(date), host);
    const int weekday = weekdayFromDays(daysFromCivil(z.local.year, z.local.month, z.local.day));
    return fmt::format("{} {} {:02}:{:02}", weekdayNames[static_cast<std::size_t>(weekday)], dayText(z.local),
                       z.local.hour, z.local.minute);
}

std::string formatIso8601(Date date, Host& host) {
    const SplitTime split = splitTime(date);
    const Zoned z = zoned(split.wholeUnixSeconds, host);
    return isoText(z.local, split.microseconds, z.offsetSeconds);
}

std::string formatIso8601(Date date, int offsetSeconds) {
    const SplitTime split = splitTime(date);
    return isoText(civilAt(split.wholeUnixSeconds, offsetSeconds), split.microseconds, offsetSeconds);
}

std::string completionBar(std::int64_t percent, const Style& style, int width) {
    const std::int64_t clamped = std::clamp<std::int64_t>(percent, 0, 100);
    const auto filled = static_cast<int>((clamped * width + 50) / 100);
    std::string full;
    std::string empty;
    for (int i = 0; i < width; ++i) (i < filled ? full : empty) += i < filled ? glyphs().barFull : glyphs().barEmpty;
    return fmt::format("{}{} {:>3}%", wrap(style.color, "32", full), style.dim(empty), percent);
}

std::string printable(std::string_view text) {
    std::string safe = today::detail::terminalSafe(text);
    if (!glyphs().ascii) return safe;
    // Each character beyond ASCII (a lead byte and its continuation bytes) becomes one "?".
    std::string ascii;
    ascii.reserve(safe.size());
    for (const char c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) ascii += c;
        else if ((byte & 0xC0) != 0x80) ascii += '?';
    }
    return ascii;
}

std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    auto bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t codepoint = 0;
        utf8proc_ssize_t length = utf8proc_iterate(bytes, left, &codepoint);
        if (length <= 0) {
            length = 1;
            width += 1;
        } else {
            width += static_cast<std::size_t>(std::max(0, utf8proc_charwidth(codepoint)));
        }
        bytes += length;
        left -= length;
    }
    return width;
}

std::string fitToWidth(std::string_view text, std::size_t width, bool pad) {
    std::size_t used = displayWidth(text);
    if (used <= width) return std::string(text) + std::string(pad ? width - used : 0, ' ');
    const std::string_view ellipsis = glyphs().ellipsis;
    const std::size_t ellipsisWidth = displayWidth(ellipsis);

    // Keep whole characters while they fit beside the ellipsis.
    std::string out;
    used = 0;
    auto bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t codepoint = 0;
        utf8proc_ssize_t length = utf8proc_iterate(bytes, left, &codepoint);
        std::size_t cell = 1;
        if (length <= 0) length = 1;
        else cell = static_cast<std::size_t>(std::max(0, utf8proc_charwidth(codepoint)));
        if (used + cell + ellipsisWidth > width) break;
        out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        used += cell;
        bytes += length;
        left -= length;
    }
    if (ellipsisWidth <= width) {
        out += ellipsis;
        used += ellipsisWidth;
    }
    return out + std::string(pad && width > used ? width - used : 0, ' ');
}

}  // namespace today::cli
