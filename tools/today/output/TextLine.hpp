// A line of text output built from pieces, each with its tone, so that the line can be measured and cut
// to the terminal's width by its visible characters and only then given its colours.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/today/output/Format.hpp"

namespace today::cli {

enum class Tone { plain, bold, dim, red, green, swatch };

class TextLine {
public:
    // Appends text that is already printable (see `printable`).
    TextLine& add(std::string_view text, Tone tone = Tone::plain);
    // Appends a completion bar of ten cells and the percentage.
    TextLine& addBar(std::int64_t percent);
    // Appends the percentage alone, right-aligned in four columns.
    TextLine& addPercent(std::int64_t percent);
    // Appends a swatch of the colour index and the index.
    TextLine& addSwatch(std::int64_t colorIndex);

    // Columns the line takes.
    std::size_t width() const;
    // The line with its colours; cut, ending in the ellipsis glyph, when it is wider than `maxWidth`.
    std::string render(const Style& style, std::size_t maxWidth) const;

private:
    struct Piece {
        std::string text;
        Tone tone;
        std::int64_t colorIndex = 0;
    };
    std::vector<Piece> _pieces;
};

}  // namespace today::cli
