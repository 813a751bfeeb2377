// Texts of the database layer: error messages, statements, column values.
#include "SqlText.h"

#include <charconv>
#include <cmath>

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

// Two's complement truncation, as a 64-bit value is read into 32 bits.
std::int32_t Low32(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

// The whole text as a number of type T; false when anything else is in it.
template <typename T>
bool ParseWhole(const std::string& text, T& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first; // from_chars knows only the minus sign
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last && first != last;
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
    case PgType::Int8: {
        std::int64_t value = 0;
        return ParseWhole(text, value) ? Low32(value) : 0;
    }
    case PgType::Float4:
    case PgType::Float8:
    case PgType::Numeric: {
        double value = 0;
        if (!ParseWhole(text, value) || !std::isfinite(value))
            return 0;
        value = std::trunc(value);
        // 2^63 is exact in a double; anything at or beyond it has no 64-bit form.
        if (value >= 9223372036854775808.0 || value < -9223372036854775808.0)
            return 0;
        return Low32(static_cast<std::int64_t>(value));
    }
    case PgType::Bool:
        return text == "t" ? 1 : 0;
    case PgType::Text:
    case PgType::Bpchar:
    case PgType::Varchar: {
        std::int32_t value = 0;
        return ParseWhole(Trimmed(text), value) ? value : 0;
    }
    default:
        return 0;
    }
}
