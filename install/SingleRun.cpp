#include "SingleRun.h"

#include <cstdint>

namespace {

// Upper case as Windows compares file names, for the letters our users'
// paths hold. The code pages of Windows put an accented small letter 0x20
// above its capital, as Latin-1 does.
unsigned char FoldedByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7))
        return static_cast<unsigned char>(byte - 0x20);
    return byte == '/' ? '\\' : byte;
}

} // namespace

std::string RunMutexName(std::string_view programDirectory)
{
    while (!programDirectory.empty() && FoldedByte(programDirectory.back()) == '\\')
        programDirectory.remove_suffix(1);
    std::uint64_t hash = 0xCBF29CE484222325; // FNV-1a
    for (const char c : programDirectory) {
        hash ^= FoldedByte(c);
        hash *= 0x100000001B3;
    }
    std::string name = "Local\\TolvarUpdate-";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += "0123456789abcdef"[(hash >> shift) & 0xF];
    return name;
}
