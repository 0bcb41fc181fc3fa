#include "window/dotfont.h"

#include <algorithm>

namespace simtool
{

std::optional<sim::Glyph> fontGlyph(std::uint8_t code)
{
    const auto found = std::lower_bound(
        kDotFontCharacters.begin(), kDotFontCharacters.end(), code,
        [](const DotFontCharacter &character, std::uint8_t c) { return character.code < c; });
    if (found == kDotFontCharacters.end() || found->code != code)
        return std::nullopt;
    sim::Glyph glyph{};
    std::copy(found->rows.begin(), found->rows.end(), glyph.begin());
    return glyph;
}

sim::Glyph placeholderGlyph()
{
    return {0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A};
}

sim::Glyph cellGlyph(std::uint8_t code, const sim::GlyphTable &glyphs)
{
    if (code <= proto::kLastCustomChar)
        return glyphs[code];
    if (code == sim::kSolidBlock) {
        sim::Glyph solid;
        solid.fill(sim::kGlyphRowMask);
        return solid;
    }
    return fontGlyph(code).value_or(placeholderGlyph());
}

} // namespace simtool
