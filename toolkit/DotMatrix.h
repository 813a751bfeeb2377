// Pure geometry of the scrolling dot-matrix strip: a line of 5 × 7 glyphs that
// moves one dot column per step from right to left. The strip starts empty,
// the text enters at the right edge, leaves at the left edge and enters again.
#pragma once

#include <string>

// Where the dots lie in the strip's dot area: square dots, each filling its
// pitch, glyph rows centred vertically.
struct TDotCell {
    int Left; // relative to the dot area
    int Top;
    int Size;
};
constexpr int DotPitch = 2;
int DotColumns(int areaWidth);
TDotCell DotCell(int areaHeight, int column, int row);

class TDotMatrixScroll {
public:
    static constexpr int GlyphColumns = 5;
    static constexpr int GlyphRows = 7;
    // A glyph and the blank column that follows it.
    static constexpr int CellColumns = GlyphColumns + 1;

    TDotMatrixScroll(std::string text, int stripColumns);

    // One step to the left; after a whole cycle the strip is empty again.
    void Advance();
    // Whether the dot in strip column `column` (0 = left) and glyph row `row`
    // (0 = top) is lit at the current step.
    bool IsLit(int column, int row) const;
    // Steps from an empty strip through the text's way across it and back.
    int CycleLength() const;

private:
    std::string text_;
    int stripColumns_;
    int step_ = 0;
};
