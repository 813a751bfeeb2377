// Texts between the database layer and libpq: error messages, the statement
// sent for a query, and column values read as integers.
#include "SqlText.h"

#include <gtest/gtest.h>

namespace {

TEST(SqlErrorText, TrimsBlanksAndControlsAtBothEndsOnly)
{
    EXPECT_EQ(SqlErrorText("connection to server at \"127.0.0.1\", port 5 failed: FATAL:  password "
                           "authentication failed for user \"u\"\n"),
              "SQL Error: connection to server at \"127.0.0.1\", port 5 failed: FATAL:  password "
              "authentication failed for user \"u\"");
    EXPECT_EQ(SqlErrorText("\r\n\t ERROR:  no\nLINE 1: x\n        ^\n\x01"),
              "SQL Error: ERROR:  no\nLINE 1: x\n        ^");
    EXPECT_EQ(SqlErrorText(" \n\t"), "SQL Error: ");
    // Bytes above 127 (UTF-8 text) are not blanks.
    EXPECT_EQ(SqlErrorText("\xC3\xA9"), "SQL Error: \xC3\xA9");
}

TEST(StatementOf, DropsOnlyTheClosingSemicolon)
{
    EXPECT_EQ(StatementOf("SELECT * FROM vazudevizu.tbversaoferramenta WHERE idferramenta = 11 ORDER BY "
                          "nrversao DESC LIMIT 1;"),
              "SELECT * FROM vazudevizu.tbversaoferramenta WHERE idferramenta = 11 ORDER BY nrversao "
              "DESC LIMIT 1");
    EXPECT_EQ(StatementOf("SELECT ';';"), "SELECT ';'");
    EXPECT_EQ(StatementOf("SELECT 1"), "SELECT 1");
    EXPECT_EQ(StatementOf(";"), "");
    EXPECT_EQ(StatementOf(""), "");
}

struct FieldCase {
    unsigned type;
    bool isNull;
    std::string text;
    std::int32_t value;
};

void PrintTo(const FieldCase& c, std::ostream* out)
{
    *out << c.type << (c.isNull ? " NULL" : " ") << testing::PrintToString(c.text);
}

class IntegerFromFieldTable : public testing::TestWithParam<FieldCase> {};

TEST_P(IntegerFromFieldTable, Value)
{
    const FieldCase& c = GetParam();
    EXPECT_EQ(IntegerFromField(c.type, c.isNull, c.text), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, IntegerFromFieldTable,
    testing::Values(
        FieldCase{PgType::Int4, true, "", 0}, FieldCase{PgType::Int4, true, "7", 0},
        FieldCase{PgType::Int4, false, "2147483647", 2147483647},
        FieldCase{PgType::Int4, false, "-2147483648", -2147483647 - 1},
        FieldCase{PgType::Int4, false, "0", 0}, FieldCase{PgType::Int2, false, "32767", 32767},
        FieldCase{PgType::Int2, false, "-32768", -32768},
        // 64-bit: the low 32 bits, two's complement.
        FieldCase{PgType::Int8, false, "4294967297", 1}, FieldCase{PgType::Int8, false, "2147483648", -2147483647 - 1},
        FieldCase{PgType::Int8, false, "-1", -1},
        FieldCase{PgType::Int8, false, "9223372036854775807", -1},
        // Fractions truncated toward zero, then the low 32 bits; exact on any number of digits.
        FieldCase{PgType::Numeric, false, "12.9", 12}, FieldCase{PgType::Numeric, false, "-12.9", -12},
        FieldCase{PgType::Numeric, false, "-0.5", 0}, FieldCase{PgType::Numeric, false, "-4294967297.9", -1},
        FieldCase{PgType::Numeric, false, "123456789012345678901234567890", 1312754386},
        FieldCase{PgType::Float8, false, "4294967300.5", 4}, FieldCase{PgType::Float4, false, "3.5", 3},
        FieldCase{PgType::Float8, false, "1e+20", 1661992960}, FieldCase{PgType::Float8, false, "1.5e+10", 2115098112},
        FieldCase{PgType::Float8, false, "12.9E1", 129}, FieldCase{PgType::Float8, false, "1e-05", 0},
        FieldCase{PgType::Float8, false, "2e31", 0}, FieldCase{PgType::Float8, false, "-0", 0},
        FieldCase{PgType::Float8, false, "1e+999999999999", 0},
        FieldCase{PgType::Float8, false, "NaN", 0}, FieldCase{PgType::Float8, false, "-Infinity", 0},
        FieldCase{PgType::Numeric, false, "NaN", 0}, FieldCase{PgType::Float8, false, "1e", 0},
        FieldCase{PgType::Float8, false, "1e+", 0}, FieldCase{PgType::Numeric, false, ".", 0},
        FieldCase{PgType::Int4, false, "", 0},
        FieldCase{PgType::Bool, false, "t", 1}, FieldCase{PgType::Bool, false, "f", 0},
        FieldCase{PgType::Text, false, "42", 42}, FieldCase{PgType::Varchar, false, " -42 ", -42},
        FieldCase{PgType::Bpchar, false, "+42   ", 42}, FieldCase{PgType::Text, false, "42a", 0},
        FieldCase{PgType::Text, false, "4 2", 0}, FieldCase{PgType::Text, false, "2147483648", 0},
        FieldCase{PgType::Text, false, "", 0}, FieldCase{PgType::Text, false, "+", 0},
        FieldCase{PgType::Text, false, "+-1", 0}, FieldCase{PgType::Text, false, "1.5", 0},
        // A date, a byte string: other types read 0.
        FieldCase{1082, false, "2024-01-01", 0}, FieldCase{17, false, "\\x3132", 0}));

} // namespace
