#include "DotMatrix.h"

#include <cstdint>
#include <utility>

namespace {

// Rows of one glyph, top to bottom; bit 4 is the leftmost column.
using TGlyph = std::uint8_t[TDotMatrixScroll::GlyphRows];

// The glyphs the program shows; any other character is a blank cell.
const TGlyph LessThan = {0b00010, 0b00100, 0b01000, 0b10000, 0b01000, 0b00100, 0b00010};

const std::uint8_t* GlyphOf(char c)
{
    return c == '<' ? LessThan : nullptr;
}

} // namespace

int DotColumns(int areaWidth)
{
    return areaWidth / DotPitch;
}

TDotCell DotCell(int areaHeight, int column, int row)
{
    const int topMargin = (areaHeight - TDotMatrixScroll::GlyphRows * DotPitch) / 2;
    return {column * DotPitch, topMargin + row * DotPitch, DotPitch};
}

TDotMatrixScroll::TDotMatrixScroll(std::string text, int stripColumns)
    : text_(std::move(text)), stripColumns_(stripColumns)
{
}

int TDotMatrixScroll::CycleLength() const
{
    return stripColumns_ + static_cast<int>(text_.size()) * CellColumns;
}

void TDotMatrixScroll::Advance()
{
    step_ = (step_ + 1) % CycleLength();
}

bool TDotMatrixScroll::IsLit(int column, int row) const
{
    if (column < 0 || column >= stripColumns_ || row < 0 || row >= GlyphRows)
        return false;
    // At step 0 the text's first column stands just beyond the right edge.
    const int textColumn = column - (stripColumns_ - step_);
    if (textColumn < 0 || textColumn >= static_cast<int>(text_.size()) * CellColumns)
        return false;
    const int glyphColumn = textColumn % CellColumns;
    const std::uint8_t* glyph = GlyphOf(text_[static_cast<size_t>(textColumn / CellColumns)]);
    return glyph && glyphColumn < GlyphColumns && (glyph[row] >> (GlyphColumns - 1 - glyphColumn) & 1) != 0;
}
