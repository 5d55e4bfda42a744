// Text the command prints: dates in local time and as ISO 8601, completion bars, colour swatches, and
// padding by display width.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "today/outside/Date.hpp"
#include "today/outside/Host.hpp"

namespace today::cli {

// The characters that text output draws with: Unicode, or plain ASCII under a locale that is not UTF-8.
struct Glyphs {
    bool ascii;
    std::string_view arrow;      // between a start and a finish
    std::string_view dash;       // between two times of one day
    std::string_view milestone;  // before a milestone's name
    std::string_view swatch;     // a block in a colour
    std::string_view barFull;    // a filled cell of a completion bar
    std::string_view barEmpty;   // an empty cell
    std::string_view ellipsis;   // the end of a cut name
    std::string_view openQuote;  // around a plan's name
    std::string_view closeQuote;
    std::string_view done;  // beside a task at 100 %
};
// The glyphs in use for the process: Unicode unless setAsciiOutput(true) was called.
const Glyphs& glyphs();
// Chooses plain ASCII output (also for text from files: other characters become "?") or Unicode.
void setAsciiOutput(bool ascii);

// Whether terminal colours are used, and the escape sequences when they are.
struct Style {
    bool color = false;

    std::string bold(std::string_view text) const;
    std::string dim(std::string_view text) const;
    std::string red(std::string_view text) const;
    std::string green(std::string_view text) const;
    // A block in the colour of a plan's colour index (any index is accepted), and the index.
    std::string swatch(std::int64_t colorIndex) const;
    // The text in the colour of the colour index.
    std::string swatchBlock(std::int64_t colorIndex, std::string_view text) const;
};

// "2025-06-10 14:05" in the host's local time zone (UTC when the calendar cannot represent it).
std::string formatLocalMinutes(Date date, Host& host);
// "14:05" in local time.
std::string formatLocalClock(Date date, Host& host);
// "2025-06-10", the local calendar day.
std::string formatLocalDate(Date date, Host& host);
// "Tue 2025-06-10".
std::string formatLocalWeekday(Date date, Host& host);
// The local calendar day of the date, counted from 1970-01-01.
std::int64_t localDayNumber(Date date, Host& host);
// "Tue 2025-06-10 14:05".
std::string formatLocalDay(Date date, Host& host);
// "2025-06-10T14:05:00+02:00" (with a fraction of a second when the date has one), in local time.
std::string formatIso8601(Date date, Host& host);
// ISO 8601 at a fixed offset east of UTC in seconds (a multiple of 60).
std::string formatIso8601(Date date, int offsetSeconds);

// A bar of `width` cells filled by the percentage (clamped to 0...100), and the percentage right-aligned.
std::string completionBar(std::int64_t percent, const Style& style, int width = 10);

// The text with terminal controls (C0, DEL, C1, direction overrides: anything that could move the
// cursor, change the terminal or disguise a name) and bytes that are not UTF-8 replaced by U+FFFD, for
// names, ids and paths that come from files. Under ASCII output every other character is a "?".
std::string printable(std::string_view text);

// Columns the text takes on a terminal (wide characters count two, combining marks none).
std::size_t displayWidth(std::string_view text);
// The text cut to at most `width` columns (ending in the ellipsis glyph when cut) and padded with spaces to
// `width` when `pad`.
std::string fitToWidth(std::string_view text, std::size_t width, bool pad = true);

}  // namespace today::cli
