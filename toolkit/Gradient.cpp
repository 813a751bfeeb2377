#include "Gradient.h"

namespace {

// start + (stop - start) * step / steps, rounded to nearest with halves up,
// in integers: the numerator is never negative.
std::uint8_t Channel(int start, int stop, int steps, int step)
{
    return static_cast<std::uint8_t>((2 * start * steps + 2 * (stop - start) * step + steps) / (2 * steps));
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
