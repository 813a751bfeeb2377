// Decoding of protected values: a Base64 alphabet read least-significant
// character first, then a 16-bit feedback stream cipher.
#include "LibFuncaoDiv.h"

#include <array>

namespace {

constexpr std::uint32_t KeyMultiplier = 8478;
constexpr std::uint32_t KeyIncrement = 19920;

// Value of each byte in the Base64 alphabet (RFC 4648); every other byte is 0.
constexpr std::array<std::uint8_t, 256> MakeCharacterValues()
{
    std::array<std::uint8_t, 256> values{};
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::uint8_t i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(alphabet[i])] = i;
    return values;
}

constexpr std::array<std::uint8_t, 256> CharacterValues = MakeCharacterValues();

// One group of one to four characters, the first one the least significant.
std::string DecodeGroup(const std::string& group)
{
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < group.size() && i < 4; ++i)
        number |= std::uint32_t{CharacterValues[static_cast<unsigned char>(group[i])]} << (6 * i);
    // n characters carry 6n bits, of which only whole bytes are kept.
    const std::size_t byteCount = group.size() >= 4 ? 3 : (group.size() * 6) / 8;
    std::string bytes;
    for (std::size_t i = 0; i < byteCount; ++i)
        bytes += static_cast<char>((number >> (8 * i)) & 0xFF);
    return bytes;
}

} // namespace

std::string DecodeText(const std::string& text)
{
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3 + 2);
    for (std::size_t start = 0; start < text.size(); start += 4)
        bytes += DecodeGroup(text.substr(start, 4));
    return bytes;
}

std::string Decipher(const std::string& bytes, std::uint16_t startKey)
{
    std::string plain(bytes.size(), '\0');
    std::uint32_t key = startKey;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint32_t enciphered = static_cast<unsigned char>(bytes[i]);
        plain[i] = static_cast<char>(enciphered ^ (key >> 8));
        key = ((key + enciphered) * KeyMultiplier + KeyIncrement) & 0xFFFF;
    }
    return plain;
}

std::string DecodeProtectedValue(const std::string& text)
{
    return Decipher(DecodeText(text), ProtectedValueKey);
}
