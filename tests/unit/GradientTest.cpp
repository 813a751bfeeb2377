// The gradient's row colours: the end rows exact, every row on the straight
// line between them.
#include "Gradient.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const TRgb WindowStart = RgbFromHex(0xDDECFE);
const TRgb WindowStop = RgbFromHex(0xAAC5EC);
const int WindowRows = 113;

TEST(Gradient, HexColoursSplitIntoChannels)
{
    EXPECT_EQ(RgbFromHex(0xDDECFE), (TRgb{0xDD, 0xEC, 0xFE}));
}

TEST(Gradient, EndRowsAreTheStartAndStopColours)
{
    EXPECT_EQ(GradientRowColor(WindowStart, WindowStop, WindowRows, 0), WindowStart);
    EXPECT_EQ(GradientRowColor(WindowStart, WindowStop, WindowRows, WindowRows - 1), WindowStop);
}

// Each channel within half a unit of the straight line, and never moving back.
TEST(Gradient, EveryRowLiesOnTheLineBetweenTheEnds)
{
    const auto channels = [](TRgb c) { return std::array<int, 3>{c.Red, c.Green, c.Blue}; };
    const auto start = channels(WindowStart);
    const auto stop = channels(WindowStop);
    auto previous = start;
    for (int row = 0; row < WindowRows; ++row) {
        const auto color = channels(GradientRowColor(WindowStart, WindowStop, WindowRows, row));
        for (size_t i = 0; i < 3; ++i) {
            const double exact = start[i] + (stop[i] - start[i]) * row / double(WindowRows - 1);
            EXPECT_LE(std::abs(color[i] - exact), 0.5) << "row " << row << " channel " << i;
            EXPECT_LE(color[i], previous[i]) << "row " << row << " channel " << i;
        }
        previous = color;
    }
}

struct RowCase {
    TRgb start, stop;
    int rows, row;
    TRgb expected;
};

class GradientRow : public testing::TestWithParam<RowCase> {};

TEST_P(GradientRow, RoundsToNearestWithHalvesUp)
{
    const RowCase& c = GetParam();
    EXPECT_EQ(GradientRowColor(c.start, c.stop, c.rows, c.row), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GradientRow,
    testing::Values(RowCase{{0, 0, 0}, {255, 255, 255}, 3, 1, {128, 128, 128}},  // 127.5 up
                    RowCase{{255, 255, 255}, {0, 0, 0}, 3, 1, {128, 128, 128}},  // 127.5 up, falling too
                    RowCase{{0, 100, 200}, {3, 100, 197}, 4, 1, {1, 100, 199}},
                    RowCase{{0, 0, 0}, {1, 1, 1}, 4, 1, {0, 0, 0}},              // 0.33 down
                    RowCase{{0, 0, 0}, {1, 1, 1}, 4, 2, {1, 1, 1}},              // 0.67 up
                    RowCase{{10, 20, 30}, {40, 50, 60}, 2, 1, {40, 50, 60}},
                    RowCase{{10, 20, 30}, {40, 50, 60}, 1, 0, {10, 20, 30}}));    // one row: the start

} // namespace
