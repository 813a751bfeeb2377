// Utility routines without state: turning a protected value of Config.ini
// back into its plain bytes. Every input decodes to something; nothing fails.
#pragma once

#include <cstdint>
#include <string>

// The key every protected value is enciphered with.
constexpr std::uint16_t ProtectedValueKey = 57314;

// The plain value of a protected value: DecodeText, then Decipher with ProtectedValueKey.
std::string DecodeProtectedValue(const std::string& text);

// Groups of four characters to three bytes each; a last group of 1, 2 or 3
// characters gives 0, 1 or 2 bytes. Characters outside the alphabet count as 0.
std::string DecodeText(const std::string& text);

// The 16-bit feedback stream cipher; the key register advances with the
// enciphered (input) byte. The result has the length of the input.
std::string Decipher(const std::string& bytes, std::uint16_t startKey);
