// Texts of the database layer: error messages, statements, column values.
#include "SqlText.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace {

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trimmed(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A number as the server writes it, "[-]digits[.digits][e[+-]digits]",
// truncated toward zero and cut to its low 32 bits (two's complement). Worked
// out on the digits, so no size or precision is lost on the way. Empty for
// any other text (NaN, Infinity).
std::optional<std::int32_t> TruncatedLow32(const std::string& text)
{
    std::size_t i = 0;
    const auto minus = [&] { // takes an optional sign
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            return text[i++] == '-';
        return false;
    };
    const bool negative = minus();
    std::string digits; // without the point
    while (i < text.size() && IsDigit(text[i]))
        digits += text[i++];
    const long pointAt = static_cast<long>(digits.size());
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && IsDigit(text[i]);)
            digits += text[i++];
    if (digits.empty())
        return std::nullopt;
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negativeExponent = minus();
        if (i == text.size() || !IsDigit(text[i]))
            return std::nullopt;
        for (; i < text.size() && IsDigit(text[i]); ++i)
            exponent = std::min(exponent * 10 + (text[i] - '0'), 1000000L);
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != text.size())
        return std::nullopt;
    // The whole part's digits, with zeros past the written ones. After 32
    // zeros the low 32 bits stay 0 (10^32 holds 2^32), so no more are needed.
    const long size = static_cast<long>(digits.size());
    const long wholeDigits = std::min(pointAt + exponent, size + 32);
    std::uint32_t value = 0; // wraps modulo 2^32
    for (long place = 0; place < wholeDigits; ++place)
        value = value * 10u + (place < size ? static_cast<std::uint32_t>(digits[place] - '0') : 0u);
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// The whole text, blanks aside, as a signed 32-bit integer.
std::optional<std::int32_t> WholeInteger(const std::string& text)
{
    const std::string trimmed = Trimmed(text);
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (last - first > 1 && *first == '+' && IsDigit(first[1]))
        ++first; // from_chars knows only the minus sign
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last)
        return std::nullopt;
    return value;
}

} // namespace

std::string SqlErrorText(const std::string& message)
{
    return "SQL Error: " + Trimmed(message);
}

std::string StatementOf(const std::string& sql)
{
    if (!sql.empty() && sql.back() == ';')
        return sql.substr(0, sql.size() - 1);
    return sql;
}

std::int32_t IntegerFromField(unsigned type, bool isNull, const std::string& text)
{
    if (isNull)
        return 0;
    switch (type) {
    case PgType::Int2:
    case PgType::Int4:
    case PgType::Int8:
    case PgType::Float4:
    case PgType::Float8:
    case PgType::Numeric:
        return TruncatedLow32(text).value_or(0);
    case PgType::Bool:
        return text == "t" ? 1 : 0;
    case PgType::Text:
    case PgType::Bpchar:
    case PgType::Varchar:
        return WholeInteger(text).value_or(0);
    default:
        return 0;
    }
}
