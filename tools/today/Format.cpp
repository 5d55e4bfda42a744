#include "tools/today/Format.hpp"

#include <fmt/format.h>
#include <utf8proc.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "tools/today/Calendar.hpp"

namespace today::cli {

namespace {

constexpr std::array<const char*, 7> weekdayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// Whole seconds since 1970 and microseconds, rounded to the microsecond.
struct SplitTime {
    double wholeUnixSeconds;
    int microseconds;
};

SplitTime splitTime(Date date) {
    const double unix = date.unixTime();
    double whole = std::floor(unix);
    auto micro = static_cast<int>(std::llround((unix - whole) * 1e6));
    if (micro >= 1000000) {
        whole += 1;
        micro = 0;
    }
    return {whole, micro};
}

// The civil time of whole seconds since 1970 at a fixed offset.
LocalTime civilAt(double wholeUnixSeconds, int offsetSeconds) {
    const auto seconds = static_cast<std::int64_t>(wholeUnixSeconds) + offsetSeconds;
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

// The local civil time of a date and its offset from UTC; UTC when the host cannot tell or the offset is
// not whole minutes (ISO 8601 has no seconds in offsets).
struct Zoned {
    LocalTime local;
    int offsetSeconds;
};

Zoned zoned(double wholeUnixSeconds, Host& host) {
    const auto local = host.localTime(Date::fromUnixTime(wholeUnixSeconds));
    // Dates beyond what the calendar arithmetic can hold are printed in UTC without asking.
    if (local && std::abs(wholeUnixSeconds) < 1e15) {
        const double asUtc = static_cast<double>(daysFromCivil(local->year, local->month, local->day)) * 86400 +
                             local->hour * 3600 + local->minute * 60 + std::floor(local->second);
        const double offset = asUtc - wholeUnixSeconds;
        if (std::abs(offset) < 86400 && std::fmod(offset, 60) == 0) {
            return {*local, static_cast<int>(offset)};
        }
    }
    return {civilAt(wholeUnixSeconds, 0), 0};
}

std::string isoText(const LocalTime& local, int microseconds, int offsetSeconds) {
    std::string text = fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", local.year, local.month, local.day,
                                   local.hour, local.minute, static_cast<int>(local.second));
    if (microseconds != 0) {
        std::string fraction = fmt::format("{:06}", microseconds);
        while (fraction.back() == '0') fraction.pop_back();
        text += '.' + fraction;
    }
    if (offsetSeconds == 0) return text + 'Z';
    const int minutes = std::abs(offsetSeconds) / 60;
    return text + fmt::format("{}{:02}:{:02}", offsetSeconds < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

std::string wrap(bool on, std::string_view code, std::string_view text) {
    if (!on || text.empty()) return std::string(text);
    return fmt::format("\x1b[{}m{}\x1b[0m", code, text);
}

}  // namespace

std::string Style::bold(std::string_view text) const { return wrap(color, "1", text); }
std::string Style::dim(std::string_view text) const { return wrap(color, "2", text); }
std::string Style::red(std::string_view text) const { return wrap(color, "31", text); }

std::string Style::swatch(std::int64_t colorIndex) const {
    // Ten distinct colours of the 256-colour palette; plans number their colours from 0.
    constexpr std::array<int, 10> palette = {33, 208, 34, 135, 160, 37, 178, 205, 130, 245};
    const auto slot = static_cast<std::size_t>(((colorIndex % 10) + 10) % 10);
    const std::string block = fmt::format("■ {}", colorIndex);
    if (!color) return block;
    return fmt::format("\x1b[38;5;{}m■\x1b[0m {}", palette[slot], colorIndex);
}

std::string formatLocalMinutes(Date date, Host& host) {
    const Zoned z = zoned(std::floor(date.unixTime()), host);
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}", z.local.year, z.local.month, z.local.day, z.local.hour,
                       z.local.minute);
}

std::string formatLocalDay(Date date, Host& host) {
    const Zoned z = zoned(std::floor(date.unixTime()), host);
    const int weekday = weekdayFromDays(daysFromCivil(z.local.year, z.local.month, z.local.day));
    return fmt::format("{} {:04}-{:02}-{:02} {:02}:{:02}", weekdayNames[static_cast<std::size_t>(weekday)],
                       z.local.year, z.local.month, z.local.day, z.local.hour, z.local.minute);
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
    for (int i = 0; i < width; ++i) (i < filled ? full : empty) += i < filled ? "█" : "░";
    return fmt::format("{}{} {:>3}%", wrap(style.color, "32", full), style.dim(empty), percent);
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) out += "\xEF\xBF\xBD";
        else out += c;
    }
    return out;
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

std::string fitToWidth(std::string_view text, std::size_t width) {
    std::size_t used = displayWidth(text);
    if (used <= width) return std::string(text) + std::string(width - used, ' ');

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
        if (used + cell + 1 > width) break;
        out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        used += cell;
        bytes += length;
        left -= length;
    }
    out += "…";
    used += 1;
    return out + std::string(width > used ? width - used : 0, ' ');
}

}  // namespace today::cli
