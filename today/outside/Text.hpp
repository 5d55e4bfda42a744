// Text helpers: canonical-equivalence equality of identifiers and paths, and file-name checks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

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

// True when the text can be used as one plain file-name component inside a directory: not empty,
// not "." or "..", no "/" or NUL, at most 255 bytes.
bool isPlainFileName(std::string_view name);

}  // namespace today::detail
