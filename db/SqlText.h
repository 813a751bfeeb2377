// Pure rules for the texts that pass between the database layer and libpq:
// error messages, statement text and column values (always in text format).
#pragma once

#include <cstdint>
#include <string>

// Type identifiers of the PostgreSQL built-in types that a column value may have.
namespace PgType {
constexpr unsigned Bool = 16;
constexpr unsigned Int8 = 20;
constexpr unsigned Int2 = 21;
constexpr unsigned Int4 = 23;
constexpr unsigned Text = 25;
constexpr unsigned Float4 = 700;
constexpr unsigned Float8 = 701;
constexpr unsigned Bpchar = 1042;
constexpr unsigned Varchar = 1043;
constexpr unsigned Numeric = 1700;
} // namespace PgType

// "SQL Error: " followed by `message` without blanks and control characters
// at either end; line breaks inside stay.
std::string SqlErrorText(const std::string& message);

// What is sent for the query text: the text up to, not including, its
// closing semicolon.
std::string StatementOf(const std::string& sql);

// A column value as a signed 32-bit integer. NULL reads 0. Numbers are
// truncated toward zero and read as their low 32 bits, so 16- and 32-bit
// integers exactly and a 64-bit one as its low 32 bits; NaN and infinity
// read 0. A truth value reads 1 or 0; text the whole number it holds, with
// blanks and control characters around it allowed (any other text 0); every
// other type 0.
std::int32_t IntegerFromField(unsigned type, bool isNull, const std::string& text);
