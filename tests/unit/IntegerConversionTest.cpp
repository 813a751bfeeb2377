// The integer conversion: accepted texts with their values, rejected texts
// with their exact message.
#include "IntegerConversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

namespace {

struct IntegerCase {
    std::string text;
    std::optional<std::int32_t> value; // nullopt: the conversion fails
};

void PrintTo(const IntegerCase& c, std::ostream* out)
{
    *out << testing::PrintToString(c.text);
}

class ParseIntegerTable : public testing::TestWithParam<IntegerCase> {};

TEST_P(ParseIntegerTable, ValueOrMessage)
{
    const IntegerCase& c = GetParam();
    if (c.value) {
        EXPECT_EQ(ParseInteger(c.text), *c.value);
        return;
    }
    try {
        const std::int32_t value = ParseInteger(c.text);
        ADD_FAILURE() << "accepted as " << value;
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()), "'" + c.text + "' is not a valid integer value");
    }
}

constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
const std::nullopt_t Fails = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Rules, ParseIntegerTable,
    testing::Values(
        // Decimal, blanks, sign.
        IntegerCase{"5432", 5432}, IntegerCase{"   5432", 5432}, IntegerCase{"+5432", 5432},
        IntegerCase{"007", 7}, IntegerCase{"-1", -1}, IntegerCase{"0", 0}, IntegerCase{"-0", 0},
        IntegerCase{" -12", -12},
        // Hexadecimal prefixes, two's complement, leading zeros.
        IntegerCase{"$1538", 5432}, IntegerCase{"0x1538", 5432}, IntegerCase{"0X1538", 5432},
        IntegerCase{"x1538", 5432}, IntegerCase{"X1538", 5432}, IntegerCase{"$abcDEF", 0xABCDEF},
        IntegerCase{"$FFFFFFFF", -1}, IntegerCase{"$7FFFFFFF", Max}, IntegerCase{"$80000000", Min},
        IntegerCase{"-$1538", -5432}, IntegerCase{"-0x80000000", Min}, IntegerCase{"+x10", 16},
        IntegerCase{"$000000001538", 5432}, IntegerCase{"0x00000000FFFFFFFF", -1},
        // Range of the decimal form.
        IntegerCase{"2147483647", Max}, IntegerCase{"-2147483648", Min},
        IntegerCase{"00000000002147483647", Max}, IntegerCase{"2147483648", Fails},
        IntegerCase{"-2147483649", Fails}, IntegerCase{"99999999999999999999", Fails},
        // A zero byte ends the text.
        IntegerCase{std::string("12\0x", 4), 12}, IntegerCase{std::string("$F\0F", 4), 15},
        // Everything else.
        IntegerCase{"5432 ", Fails}, IntegerCase{"- 5432", Fails}, IntegerCase{"+-5432", Fails},
        IntegerCase{"--5432", Fails}, IntegerCase{"", Fails}, IntegerCase{"   ", Fails},
        IntegerCase{"-", Fails}, IntegerCase{"$", Fails}, IntegerCase{"0x", Fails}, IntegerCase{"-x", Fails},
        IntegerCase{"$123456789", Fails}, IntegerCase{"$FFFFFFFFF", Fails}, IntegerCase{"\t5432", Fails},
        IntegerCase{"54 32", Fails}, IntegerCase{"5432a", Fails}, IntegerCase{"1538h", Fails},
        IntegerCase{"00x15", Fails}, IntegerCase{"$ 15", Fails}, IntegerCase{"$-15", Fails},
        IntegerCase{"1e3", Fails}, IntegerCase{"\xB2", Fails}));

TEST(ParseInteger, MessageShowsTheTextUpToTheZeroByte)
{
    for (const auto& [given, shown] : {std::pair<std::string, std::string>{std::string("12 \0" "5", 5), "12 "},
                                       {std::string("\0" "12", 3), ""}}) {
        try {
            ParseInteger(given);
            ADD_FAILURE() << "accepted " << testing::PrintToString(given);
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + shown + "' is not a valid integer value");
        }
    }
}

} // namespace
