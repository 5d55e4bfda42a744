// Readers for the text values of Microsoft Project XML (MSPDI) elements: integers, flags, durations and
// date-times; and the line and column of a byte offset, for messages about a document that is not
// well-formed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "today/outside/Date.hpp"

namespace today::cli::detail {

// The text without the XML white space around it.
std::string_view trimXmlSpace(std::string_view text);

// A whole number such as "42", "-3" or "+7" (surrounding white space allowed); none for anything else.
std::optional<std::int64_t> mspdiInteger(std::string_view text);

// A boolean written as "1"/"0" or "true"/"false"; none for anything else.
std::optional<bool> mspdiFlag(std::string_view text);

// Whether a duration such as "PT0H0M0S" or "P0D" is zero: it holds at least one digit and every digit
// is 0. Durations are only ever compared with zero, so nothing else of them is read.
bool mspdiDurationIsZero(std::string_view text);

// A date-time "YYYY-MM-DD[THH:MM[:SS[.fraction]]][Z|+HH:MM|-HH:MM]". Without an offset, as the writers
// of project plans put it, the civil time is read in the process's time zone (through the host);
// with one, it is taken as written. None when the text is not such a date-time or names no real day.
std::optional<Date> mspdiDateTime(std::string_view text);

// The outline level an outline number such as "1.4.2" stands for (its count of parts; "0", the
// project's own task, is level 0), or none when the text is not an outline number.
std::optional<std::int64_t> outlineLevelOfNumber(std::string_view text);

// 1-based line and column (in characters) of a byte offset into UTF-8 text. A byte-order mark is not
// counted as a column.
struct TextPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};
TextPosition textPositionOf(std::string_view utf8, std::size_t offset);

}  // namespace today::cli::detail
