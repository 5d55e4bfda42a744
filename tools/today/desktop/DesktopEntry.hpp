// The desktop entry that makes `today open --launch` the handler of the widget's links, and the lines
// of a mimeapps.list that name it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace today::cli {

// The entry's file name, by which the desktop knows the handler.
inline constexpr std::string_view desktopEntryName = "com.orvane.project.today.desktop";
// The media type under which desktops look up the handler of "orvaneproject:" links.
inline constexpr std::string_view linkHandlerType = "x-scheme-handler/orvaneproject";
// The same with the scheme as the widget's links write it. Media types are case-insensitive, but
// xdg-open on desktops without their own opener (sway, i3) looks the handler up by the scheme exactly
// as the link writes it, so the handler is registered under both spellings.
inline constexpr std::string_view linkHandlerTypeAsWritten = "x-scheme-handler/OrvaneProject";

// The desktop entry, running `program` (a word of its Exec key, quoted as `execWord` quotes it).
std::string desktopEntryText(std::string_view program);

// A path as one word of an Exec key: as it is when it needs no quoting, else double-quoted with the
// key's escapes; none for a path that the key cannot carry (a newline or another control character).
std::optional<std::string> execWord(std::string_view path);

// A mimeapps.list without our entry among the handlers of the links, under either spelling (a line that
// names only ours is dropped, others keep their other handlers); none when it does not name our entry.
std::optional<std::string> withoutOurHandler(std::string_view mimeapps);

}  // namespace today::cli
