// Colours of a vertical gradient: one colour per row, each channel linear from
// the top row to the bottom row. Painted row by row because GradientFill is
// off by one in middle rows under Wine.
#pragma once

#include <cstdint>

struct TRgb {
    std::uint8_t Red;
    std::uint8_t Green;
    std::uint8_t Blue;
    bool operator==(const TRgb& other) const
    {
        return Red == other.Red && Green == other.Green && Blue == other.Blue;
    }
};

// #RRGGBB as written in the layout.
constexpr TRgb RgbFromHex(std::uint32_t rrggbb)
{
    return {static_cast<std::uint8_t>(rrggbb >> 16), static_cast<std::uint8_t>(rrggbb >> 8),
            static_cast<std::uint8_t>(rrggbb)};
}

// The colour of `row` (0 = top) of a gradient `rows` high: `start` in the top
// row, `stop` in the bottom row, each channel rounded to the nearest value, halves up.
TRgb GradientRowColor(TRgb start, TRgb stop, int rows, int row);
