#include "SingleRun.h"

#include <cstdint>

namespace {

// Upper case as Windows compares file names, for the letters our users'
// paths hold: ASCII and the accented letters of Latin-1 (à to þ, not ÷).
std::uint32_t FoldedUnit(wchar_t unit)
{
    const auto c = static_cast<std::uint32_t>(unit);
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    return c == '/' ? '\\' : c;
}

} // namespace

std::string RunMutexName(std::wstring_view programDirectory)
{
    while (!programDirectory.empty() && FoldedUnit(programDirectory.back()) == '\\')
        programDirectory.remove_suffix(1);
    // FNV-1a over the folded UTF-16 units, low byte first.
    std::uint64_t hash = 0xCBF29CE484222325;
    for (const wchar_t unit : programDirectory) {
        const std::uint32_t folded = FoldedUnit(unit);
        for (const std::uint32_t byte : {folded & 0xFF, (folded >> 8) & 0xFF}) {
            hash ^= byte;
            hash *= 0x100000001B3;
        }
    }
    std::string name = "Local\\TolvarUpdate-";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += "0123456789abcdef"[(hash >> shift) & 0xF];
    return name;
}
