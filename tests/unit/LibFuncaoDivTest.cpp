// Protected-value decoding: the text decoding's examples, the length rule,
// and a round trip through the stored format of the synchronizer.
#include "LibFuncaoDiv.h"
#include "ProtectedValueWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct TextCase {
    const char* text;
    std::string bytes;
};

void PrintTo(const TextCase& c, std::ostream* out)
{
    *out << c.text;
}

class DecodeTextExamples : public testing::TestWithParam<TextCase> {};

TEST_P(DecodeTextExamples, GivesTheBytes)
{
    EXPECT_EQ(DecodeText(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    LeastSignificantFirst, DecodeTextExamples,
    testing::Values(TextCase{"hJ2Y", "abc"}, TextCase{"hJG", "ab"}, TextCase{"hB", "a"},
                    // Standard Base64 of "abc" reads differently here.
                    TextCase{"YWJj", "\x98\x95\x8C"}, TextCase{"hJ2YkB", "abcd"},
                    // Fill characters are characters of value 0, not padding.
                    TextCase{"hJ==", std::string("a\x02\x00", 3)},
                    // A is 0 and a is 26: case matters.
                    TextCase{"AAAA", std::string(3, '\0')}, TextCase{"aAAA", std::string("\x1A\x00\x00", 3)},
                    // Outside the alphabet, every byte is 0 as well.
                    TextCase{" \x80\xFF!", std::string(3, '\0')}));

TEST(DecodeText, LengthRule)
{
    const std::size_t extra[4] = {0, 0, 1, 2};
    for (std::size_t length : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 2047}) {
        const std::string text(length, 'Q');
        const std::size_t expected = 3 * (length / 4) + extra[length % 4];
        EXPECT_EQ(DecodeText(text).size(), expected) << "length " << length;
        EXPECT_EQ(DecodeProtectedValue(text).size(), expected) << "length " << length;
    }
    EXPECT_EQ(DecodeProtectedValue(std::string(2047, 'Q')).size(), 1535u);
}

TEST(DecodeProtectedValue, FifthCharacterAddsNothing)
{
    const std::string plain = ProtectValue("xyz");
    EXPECT_EQ(DecodeProtectedValue(plain + "Z"), "xyz");
}

TEST(Decipher, KeyAdvancesWithTheEncipheredByte)
{
    // First byte: 0x41 XOR 0xDF, the high byte of 57314. The key then becomes
    // ((57314 + 0x41) * 8478 + 19920) mod 65536 = 0x14EA from the enciphered
    // 0x41 (0x1CD0, giving 0x5D, if it took the plain 0x9E): 0x41 XOR 0x14.
    EXPECT_EQ(Decipher("\x41\x41", 57314), "\x9E\x55");
    EXPECT_EQ(Decipher("", 57314), "");
}

TEST(Decipher, KeepsZeroBytes)
{
    // 0xDF is the high byte of the start key, so the first output byte is 0.
    const std::string plain = Decipher(std::string("\xDF\x00\x00", 3), 57314);
    ASSERT_EQ(plain.size(), 3u);
    EXPECT_EQ(plain[0], '\0');
}

TEST(DecodeProtectedValue, NoStateBetweenCalls)
{
    const std::string text = ProtectValue("127.0.0.1");
    const std::string first = DecodeProtectedValue(text);
    DecodeProtectedValue(ProtectValue("something else entirely"));
    EXPECT_EQ(DecodeProtectedValue(text), first);
    EXPECT_EQ(first, "127.0.0.1");
}

TEST(DecodeProtectedValue, RoundTripOfTheStoredFormat)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, 1535);
    std::vector<std::size_t> lengths = {0, 1, 2, 3, 4, 1534, 1535};
    for (int i = 0; i < 300; ++i)
        lengths.push_back(length(random));
    for (const std::size_t n : lengths) {
        std::string plain(n, '\0');
        for (char& c : plain)
            c = static_cast<char>(byte(random));
        const std::string stored = ProtectValue(plain);
        ASSERT_LE(stored.size(), 2047u);
        ASSERT_NE(stored.size() % 4, 1u);
        ASSERT_EQ(stored.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"),
                  std::string::npos);
        ASSERT_EQ(DecodeProtectedValue(stored), plain) << "length " << n;
    }
}

} // namespace
