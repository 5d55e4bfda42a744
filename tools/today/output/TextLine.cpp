// Measuring, cutting and colouring lines of text output.
#include "tools/today/output/TextLine.hpp"

#include <fmt/format.h>

#include <algorithm>

namespace today::cli {

namespace {

std::string toned(const Style& style, Tone tone, std::int64_t colorIndex, std::string_view text) {
    switch (tone) {
        case Tone::plain: return std::string(text);
        case Tone::bold: return style.bold(text);
        case Tone::dim: return style.dim(text);
        case Tone::red: return style.red(text);
        case Tone::green: return style.green(text);
        case Tone::swatch: return style.swatchBlock(colorIndex, text);
    }
    return std::string(text);
}

}  // namespace

TextLine& TextLine::add(std::string_view text, Tone tone) {
    if (!text.empty()) _pieces.push_back({std::string(text), tone});
    return *this;
}

TextLine& TextLine::addBar(std::int64_t percent) {
    constexpr int cells = 10;
    const std::int64_t clamped = std::clamp<std::int64_t>(percent, 0, 100);
    const auto filled = static_cast<int>((clamped * cells + 50) / 100);
    std::string full;
    std::string empty;
    for (int i = 0; i < cells; ++i) (i < filled ? full : empty) += i < filled ? glyphs().barFull : glyphs().barEmpty;
    add(full, Tone::green).add(empty, Tone::dim);
    return add(fmt::format(" {:>3}%", percent));
}

TextLine& TextLine::addPercent(std::int64_t percent) { return add(fmt::format("{:>3}%", percent)); }

TextLine& TextLine::addSwatch(std::int64_t colorIndex) {
    _pieces.push_back({std::string(glyphs().swatch), Tone::swatch, colorIndex});
    return add(fmt::format(" {}", colorIndex));
}

std::size_t TextLine::width() const {
    std::size_t width = 0;
    for (const Piece& piece : _pieces) width += displayWidth(piece.text);
    return width;
}

std::string TextLine::render(const Style& style, std::size_t maxWidth) const {
    const bool fits = width() <= maxWidth;
    const std::size_t ellipsisWidth = displayWidth(glyphs().ellipsis);
    std::string out;
    std::size_t used = 0;
    for (const Piece& piece : _pieces) {
        const std::size_t pieceWidth = displayWidth(piece.text);
        // When the line is cut, the ellipsis must fit after the last piece kept whole.
        if (fits || used + pieceWidth + ellipsisWidth <= maxWidth) {
            out += toned(style, piece.tone, piece.colorIndex, piece.text);
            used += pieceWidth;
            continue;
        }
        const std::size_t left = maxWidth > used ? maxWidth - used : 0;
        out += toned(style, piece.tone, piece.colorIndex, fitToWidth(piece.text, left, false));
        break;
    }
    // Trailing blanks of a cut line serve no column.
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace today::cli
