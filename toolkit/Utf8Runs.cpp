#include "Utf8Runs.h"

namespace {

bool InRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

// Length of the well-formed sequence at `at` (RFC 3629), or 0.
std::size_t SequenceLength(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    // The range the second byte must lie in depends on the lead byte.
    unsigned char low = 0x80, high = 0xBF;
    std::size_t length = 0;
    if (InRange(lead, 0xC2, 0xDF)) length = 2;
    else if (lead == 0xE0) { length = 3; low = 0xA0; }
    else if (lead == 0xED) { length = 3; high = 0x9F; }
    else if (InRange(lead, 0xE1, 0xEF)) length = 3;
    else if (lead == 0xF0) { length = 4; low = 0x90; }
    else if (lead == 0xF4) { length = 4; high = 0x8F; }
    else if (InRange(lead, 0xF1, 0xF3)) length = 4;
    else return 0;
    if (!InRange(byte(1), low, high))
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!InRange(byte(i), 0x80, 0xBF))
            return 0;
    return length;
}

} // namespace

std::vector<Utf8Run> SplitUtf8Runs(const std::string& text)
{
    std::vector<Utf8Run> runs;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceLength(text, at);
        const bool wellFormed = length != 0;
        const std::size_t step = wellFormed ? length : 1;
        if (!runs.empty() && runs.back().WellFormed == wellFormed)
            runs.back().Length += step;
        else
            runs.push_back({at, step, wellFormed});
        at += step;
    }
    return runs;
}
