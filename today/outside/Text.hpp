// Text helpers: canonical-equivalence equality of identifiers and paths, and file-name checks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "today/export.hpp"

namespace today::detail {

// True when the two UTF-8 texts are canonically equivalent (equal after NFC normalisation);
// case-sensitive, no trimming. Texts that are not valid UTF-8 are equal only byte for byte. Texts that
// first differ at an ASCII character (or where one ends) are told apart without normalising.
bool canonicallyEqual(std::string_view a, std::string_view b);

// One text compared with many: `equals(other)` is `canonicallyEqual(text, other)`, with the text's
// composed and decomposed forms made once, so that a stored text in either form is told apart from it
// by the first difference alone.
class CanonicalText {
public:
    // The text must outlive this object.
    explicit CanonicalText(std::string_view text);
    bool equals(std::string_view other) const;

private:
    std::string_view _text;
    std::optional<std::string> _composed;    // none when the text is not valid UTF-8
    std::optional<std::string> _decomposed;  // none also when it equals the composed form
};

// Characters that must not reach a terminal as they are: C0 controls, DEL, C1 controls (U+0080...U+009F,
// among them the one-character CSI U+009B and NEL U+0085), and the controls that change the direction of
// text (U+061C, U+200E, U+200F, U+202A...U+202E, U+2066...U+2069), which can make a name read as another,
// and the line and paragraph separators (U+2028, U+2029), which break a line in Pango markup, in
// JavaScript and in readers that split lines on them.
// Exported from a shared library for the today command, which prints names read from files.
TODAY_API bool isTerminalControl(char32_t character);

// The text as it may be shown on a terminal: every terminal control, and every byte that is not part of
// well-formed UTF-8, replaced by U+FFFD. Everything that comes from a file passes here before it is printed.
TODAY_API std::string terminalSafe(std::string_view text);

// True when the text is well-formed UTF-8 (no stray or overlong bytes, no surrogates), as JSON text must
// be. Exported for the today command, which refuses such paths before the library is asked.
TODAY_API bool isUtf8(std::string_view text);

// True when the text can be used as one plain file-name component inside a directory: not empty,
// not "." or "..", no "/" or NUL, at most 255 bytes.
bool isPlainFileName(std::string_view name);

}  // namespace today::detail
