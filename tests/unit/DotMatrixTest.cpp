// The scrolling display's geometry: where its dots lie, and how the text
// enters at the right, moves left one column per step and comes round again.
#include "DotMatrix.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Chevrons(23, '<');
const int WindowColumns = 204; // a dot area 408 pixels wide
const int Rows = TDotMatrixScroll::GlyphRows;

// The lit dots of the whole strip as rows of '#' and '.'.
std::string Picture(const TDotMatrixScroll& scroll, int columns)
{
    std::string picture;
    for (int row = 0; row < Rows; ++row) {
        for (int column = 0; column < columns; ++column)
            picture += scroll.IsLit(column, row) ? '#' : '.';
        picture += '\n';
    }
    return picture;
}

TDotMatrixScroll AfterSteps(const std::string& text, int columns, int steps)
{
    TDotMatrixScroll scroll(text, columns);
    for (int i = 0; i < steps; ++i)
        scroll.Advance();
    return scroll;
}

int LitDots(const TDotMatrixScroll& scroll, int columns)
{
    int lit = 0;
    for (int row = 0; row < Rows; ++row)
        for (int column = 0; column < columns; ++column)
            lit += scroll.IsLit(column, row);
    return lit;
}

const std::string Empty8 = "........\n........\n........\n........\n........\n........\n........\n";

TEST(DotMatrixCells, FillTheDotAreaOfTheWindowsDisplay)
{
    EXPECT_EQ(DotColumns(408), WindowColumns);
    const TDotCell first = DotCell(16, 0, 0);
    const TDotCell last = DotCell(16, WindowColumns - 1, Rows - 1);
    EXPECT_EQ(first.Left, 0);
    EXPECT_EQ(last.Left + last.Size, 408);
    // The seven rows centred in 16 pixels: one free pixel above, one below.
    EXPECT_EQ(first.Top, 1);
    EXPECT_EQ(last.Top + last.Size, 15);
}

TEST(DotMatrixCells, NeighboursTouchWithoutOverlapping)
{
    const TDotCell cell = DotCell(16, 5, 3);
    const TDotCell right = DotCell(16, 6, 3);
    const TDotCell below = DotCell(16, 5, 4);
    EXPECT_EQ(cell.Left + cell.Size, right.Left);
    EXPECT_EQ(cell.Top + cell.Size, below.Top);
}

TEST(DotMatrixScroll, StartsEmptyAndTheFirstChevronEntersAtTheRightEdge)
{
    EXPECT_EQ(Picture(TDotMatrixScroll(Chevrons, 8), 8), Empty8);
    EXPECT_EQ(Picture(AfterSteps(Chevrons, 8, 1), 8), "........\n"
                                                      "........\n"
                                                      "........\n"
                                                      ".......#\n"
                                                      "........\n"
                                                      "........\n"
                                                      "........\n");
    EXPECT_EQ(Picture(AfterSteps(Chevrons, 8, 6), 8), ".....#..\n"
                                                      "....#...\n"
                                                      "...#....\n"
                                                      "..#.....\n"
                                                      "...#....\n"
                                                      "....#...\n"
                                                      ".....#..\n");
}

TEST(DotMatrixScroll, MovesOneColumnLeftPerStepThroughAWholeCycle)
{
    TDotMatrixScroll scroll(Chevrons, WindowColumns);
    ASSERT_EQ(scroll.CycleLength(), WindowColumns + 23 * TDotMatrixScroll::CellColumns);
    for (int step = 0; step < scroll.CycleLength(); ++step) {
        TDotMatrixScroll next = scroll;
        next.Advance();
        for (int row = 0; row < Rows; ++row)
            for (int column = 0; column + 1 < WindowColumns; ++column)
                ASSERT_EQ(next.IsLit(column, row), scroll.IsLit(column + 1, row))
                    << "step " << step << " column " << column << " row " << row;
        scroll = next;
    }
}

TEST(DotMatrixScroll, LeavesAtTheLeftEdgeAndComesRoundEmpty)
{
    const int cycle = TDotMatrixScroll(Chevrons, 8).CycleLength();
    // The last chevron's leftmost dots in column 0, then nothing more.
    EXPECT_EQ(Picture(AfterSteps(Chevrons, 8, cycle - 3), 8), "#.......\n"
                                                              "........\n"
                                                              "........\n"
                                                              "........\n"
                                                              "........\n"
                                                              "........\n"
                                                              "#.......\n");
    EXPECT_EQ(Picture(AfterSteps(Chevrons, 8, cycle - 1), 8), Empty8);
    EXPECT_EQ(Picture(AfterSteps(Chevrons, 8, cycle), 8), Empty8);
    EXPECT_EQ(Picture(AfterSteps(Chevrons, 8, cycle + 1), 8), Picture(AfterSteps(Chevrons, 8, 1), 8));
}

TEST(DotMatrixScroll, ShowsEveryChevronOnceTheWholeTextIsInside)
{
    // The text's first column at the strip's left edge: all 23 chevrons of 7 dots.
    EXPECT_EQ(LitDots(AfterSteps(Chevrons, WindowColumns, WindowColumns), WindowColumns), 23 * 7);
}

TEST(DotMatrixScroll, CharactersWithoutAGlyphAreBlankCells)
{
    // The text's first column at the left edge: two blank cells, then '<'.
    EXPECT_EQ(Picture(AfterSteps("a <", 18, 18), 18), "...............#..\n"
                                                      "..............#...\n"
                                                      ".............#....\n"
                                                      "............#.....\n"
                                                      ".............#....\n"
                                                      "..............#...\n"
                                                      "...............#..\n");
}

} // namespace
