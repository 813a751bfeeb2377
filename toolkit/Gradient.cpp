#include "Gradient.h"

namespace {

std::uint8_t Channel(int start, int stop, int steps, int step)
{
    // Rounded to nearest with integers only, for either direction of change.
    const int scaled = (stop - start) * step * 2;
    const int offset = scaled >= 0 ? steps : -steps;
    return static_cast<std::uint8_t>(start + (scaled + offset) / (2 * steps));
}

} // namespace

TRgb GradientRowColor(TRgb start, TRgb stop, int rows, int row)
{
    if (rows <= 1)
        return start;
    const int steps = rows - 1;
    return {Channel(start.Red, stop.Red, steps, row), Channel(start.Green, stop.Green, steps, row),
            Channel(start.Blue, stop.Blue, steps, row)};
}
