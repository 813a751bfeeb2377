// Splitting messages into UTF-8 and bytes of the ANSI code page.
#include "Utf8Runs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each run as "u:<bytes>" (UTF-8) or "a:<bytes>" (other bytes).
std::vector<std::string> Runs(const std::string& text)
{
    std::vector<std::string> out;
    for (const Utf8Run& run : SplitUtf8Runs(text))
        out.push_back((run.WellFormed ? "u:" : "a:") + text.substr(run.Offset, run.Length));
    return out;
}

struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> runs;
};

class Utf8RunsTest : public testing::TestWithParam<Case> {};

TEST_P(Utf8RunsTest, Splits)
{
    EXPECT_EQ(Runs(GetParam().text), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Utf8RunsTest,
    testing::Values(
        Case{"empty", "", {}},
        Case{"ascii", "'' is not a valid integer value", {"u:'' is not a valid integer value"}},
        Case{"portuguese_utf8", "N\xC3\xA3o foi poss\xC3\xADvel", {"u:N\xC3\xA3o foi poss\xC3\xADvel"}},
        Case{"ansi_byte_inside", "'54\xE7' is", {"u:'54", "a:\xE7", "u:' is"}},
        Case{"ansi_bytes_together", "x\xE7\xE3y", {"u:x", "a:\xE7\xE3", "u:y"}},
        Case{"three_and_four_byte_sequences", "\xE2\x82\xAC \xF0\x9F\x98\x80", {"u:\xE2\x82\xAC \xF0\x9F\x98\x80"}},
        Case{"overlong_encoding", "\xC0\xAF", {"a:\xC0\xAF"}},
        Case{"surrogate_encoded", "\xED\xA0\x80", {"a:\xED\xA0\x80"}},
        Case{"beyond_unicode", "\xF4\x90\x80\x80", {"a:\xF4\x90\x80\x80"}},
        Case{"sequence_cut_at_end", "ok\xE2\x82", {"u:ok", "a:\xE2\x82"}}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

} // namespace
