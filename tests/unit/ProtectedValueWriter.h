// The writer's side of protected values, as the synchronizer stores them in
// Config.ini: encipher with the value key, then pack three bytes into four
// characters, least significant first, with no fill characters.
// Test support only: the updater itself never encodes.
#pragma once

#include "LibFuncaoDiv.h"

#include <cstdint>
#include <string>

inline std::string EncipherForStorage(const std::string& plain)
{
    std::string enciphered(plain.size(), '\0');
    std::uint32_t key = ProtectedValueKey;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const std::uint32_t c = static_cast<unsigned char>(plain[i]) ^ (key >> 8);
        enciphered[i] = static_cast<char>(c);
        key = ((key + c) * 8478 + 19920) & 0xFFFF;
    }
    return enciphered;
}

inline std::string EncodeForStorage(const std::string& bytes)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t start = 0; start < bytes.size(); start += 3) {
        const std::size_t count = bytes.size() - start < 3 ? bytes.size() - start : 3;
        std::uint32_t number = 0;
        for (std::size_t i = 0; i < count; ++i)
            number |= std::uint32_t{static_cast<unsigned char>(bytes[start + i])} << (8 * i);
        // 3 bytes give 4 characters, 2 give 3, 1 gives 2.
        for (std::size_t i = 0; i < count + 1; ++i)
            text += alphabet[(number >> (6 * i)) & 63];
    }
    return text;
}

inline std::string ProtectValue(const std::string& plain)
{
    return EncodeForStorage(EncipherForStorage(plain));
}
