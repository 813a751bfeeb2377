// The integer conversion used for the port and the installed release number.
#include "IntegerConversion.h"

#include <optional>

namespace {

std::optional<std::uint32_t> HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint32_t>(c - 'a' + 10);
    return std::nullopt;
}

// Hexadecimal digits up to the end, as a 32-bit pattern: at most eight
// digits once leading zeros are skipped.
std::optional<std::uint32_t> ParseHexDigits(const std::string& digits)
{
    if (digits.empty())
        return std::nullopt;
    std::uint32_t value = 0;
    int significant = 0;
    for (const char c : digits) {
        const std::optional<std::uint32_t> digit = HexDigitValue(c);
        if (!digit)
            return std::nullopt;
        if (value != 0 || *digit != 0)
            ++significant;
        if (significant > 8)
            return std::nullopt;
        value = (value << 4) | *digit;
    }
    return value;
}

// Decimal digits up to the end; the magnitude may reach 2^31 for a negative value.
std::optional<std::uint32_t> ParseDecimalDigits(const std::string& digits, bool negative)
{
    if (digits.empty())
        return std::nullopt;
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::int32_t> TryParseInteger(const std::string& text)
{
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string::npos)
        return std::nullopt;
    bool negative = false;
    if (text[at] == '-' || text[at] == '+')
        negative = text[at++] == '-';

    std::optional<std::uint32_t> magnitude;
    if (text.compare(at, 1, "$") == 0 || text.compare(at, 1, "x") == 0 || text.compare(at, 1, "X") == 0)
        magnitude = ParseHexDigits(text.substr(at + 1));
    else if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0)
        magnitude = ParseHexDigits(text.substr(at + 2));
    else
        magnitude = ParseDecimalDigits(text.substr(at), negative);
    if (!magnitude)
        return std::nullopt;
    // Two's complement: negating in unsigned arithmetic also maps 2^31 to INT32_MIN.
    const std::uint32_t bits = negative ? 0u - *magnitude : *magnitude;
    return static_cast<std::int32_t>(bits);
}

} // namespace

std::int32_t ParseInteger(const std::string& given)
{
    // The text ends at its first zero byte, in the message too: a message
    // holding one would be cut there when shown.
    const std::string text = given.substr(0, given.find('\0'));
    if (const std::optional<std::int32_t> value = TryParseInteger(text))
        return *value;
    throw EConvertError("'" + text + "' is not a valid integer value");
}
