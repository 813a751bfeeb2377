#include "ExecutableCheck.h"

namespace {

// Little-endian reads that fail instead of running off the end.
bool Read(std::string_view bytes, std::uint64_t offset, unsigned width, std::uint64_t& value)
{
    if (offset > bytes.size() || bytes.size() - offset < width)
        return false;
    value = 0;
    for (unsigned i = 0; i < width; ++i)
        value |= std::uint64_t{static_cast<unsigned char>(bytes[offset + i])} << (8 * i);
    return true;
}

bool Inside(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

constexpr std::uint64_t PeSignature = 0x00004550; // "PE\0\0"
constexpr std::uint64_t OptionalMagic32 = 0x10B;
constexpr std::uint64_t OptionalMagic64 = 0x20B;
constexpr std::uint64_t ExecutableImage = 0x0002;
constexpr std::uint64_t SecurityDirectory = 4;

} // namespace

bool IsCompleteExecutable(std::string_view head, std::uint64_t fileSize)
{
    if (head.size() > fileSize || head.substr(0, 2) != "MZ")
        return false;
    std::uint64_t peOffset = 0, signature = 0;
    if (!Read(head, 0x3C, 4, peOffset) || !Read(head, peOffset, 4, signature) || signature != PeSignature)
        return false;
    const std::uint64_t coff = peOffset + 4;
    std::uint64_t sections = 0, optionalSize = 0, characteristics = 0, magic = 0;
    if (!Read(head, coff + 2, 2, sections) || !Read(head, coff + 16, 2, optionalSize) ||
        !Read(head, coff + 18, 2, characteristics) || !Read(head, coff + 20, 2, magic))
        return false;
    if (sections == 0 || !(characteristics & ExecutableImage) ||
        (magic != OptionalMagic32 && magic != OptionalMagic64))
        return false;

    const std::uint64_t optional = coff + 20;
    // The data directories follow the fixed part of the optional header.
    const std::uint64_t directories = optional + (magic == OptionalMagic64 ? 112 : 96);
    if (optionalSize < directories - optional)
        return false;
    std::uint64_t directoryCount = 0;
    if (!Read(head, directories - 4, 4, directoryCount))
        return false;
    if (directoryCount > SecurityDirectory && directories + 8 * (SecurityDirectory + 1) <= optional + optionalSize) {
        // The signature's offset is a file offset, unlike every other directory's.
        std::uint64_t signatureOffset = 0, signatureSize = 0;
        const std::uint64_t entry = directories + 8 * SecurityDirectory;
        if (!Read(head, entry, 4, signatureOffset) || !Read(head, entry + 4, 4, signatureSize))
            return false;
        if (signatureSize != 0 && !Inside(signatureOffset, signatureSize, fileSize))
            return false;
    }

    const std::uint64_t table = optional + optionalSize;
    for (std::uint64_t i = 0; i < sections; ++i) {
        std::uint64_t rawSize = 0, rawOffset = 0;
        if (!Read(head, table + 40 * i + 16, 4, rawSize) || !Read(head, table + 40 * i + 20, 4, rawOffset))
            return false;
        if (rawSize != 0 && !Inside(rawOffset, rawSize, fileSize))
            return false;
    }
    return true;
}
