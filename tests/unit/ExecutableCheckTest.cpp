// The check that decides whether a downloaded file may replace the synchronizer.
#include "ExecutableCheck.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Section {
    std::uint32_t offset;
    std::uint32_t size;
};

void Put(std::string& bytes, size_t at, std::uint64_t value, unsigned width)
{
    for (unsigned i = 0; i < width; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A PE32+ image as a linker lays it out: DOS header, PE header at 0x80, an
// optional header with 16 data directories, then the section table.
std::string Executable(const std::vector<Section>& sections, size_t fileSize,
                       Section signature = {0, 0})
{
    std::string bytes(fileSize, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    const size_t pe = 0x80;
    Put(bytes, 0x3C, pe, 4);
    Put(bytes, pe, 0x00004550, 4);
    Put(bytes, pe + 4, 0x8664, 2);                // machine x64
    Put(bytes, pe + 6, sections.size(), 2);
    Put(bytes, pe + 20, 240, 2);                   // optional header size
    Put(bytes, pe + 22, 0x0022, 2);                // executable, large address aware
    const size_t optional = pe + 24;
    Put(bytes, optional, 0x20B, 2);
    Put(bytes, optional + 108, 16, 4);             // data directory count
    Put(bytes, optional + 112 + 8 * 4, signature.offset, 4);
    Put(bytes, optional + 112 + 8 * 4 + 4, signature.size, 4);
    const size_t table = optional + 240;
    for (size_t i = 0; i < sections.size(); ++i) {
        Put(bytes, table + 40 * i + 16, sections[i].size, 4);
        Put(bytes, table + 40 * i + 20, sections[i].offset, 4);
    }
    return bytes;
}

bool Check(const std::string& bytes, std::uint64_t fileSize)
{
    return IsCompleteExecutable(std::string_view(bytes).substr(0, ExecutableHeadSize), fileSize);
}

struct Case {
    const char* name;
    std::string bytes;
    bool complete;
};

class ExecutableCheckTest : public testing::TestWithParam<Case> {};

TEST_P(ExecutableCheckTest, TellsCompleteExecutables)
{
    EXPECT_EQ(Check(GetParam().bytes, GetParam().bytes.size()), GetParam().complete);
}

const std::vector<Section> Sections = {{0x400, 0x1000}, {0x1400, 0x200}, {0x1600, 0}};

std::string Truncated(std::string bytes, size_t size) { return bytes.substr(0, size); }

std::string WithPeOffset(std::string bytes, std::uint32_t offset)
{
    Put(bytes, 0x3C, offset, 4);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Downloads, ExecutableCheckTest,
    testing::Values(
        Case{"complete", Executable(Sections, 0x1600), true},
        Case{"with_overlay_after_sections", Executable(Sections, 0x2000), true},
        Case{"signed", Executable(Sections, 0x1800, {0x1600, 0x200}), true},
        Case{"empty_body", "", false},
        Case{"html_page", "<html><body>404 Not Found</body></html>", false},
        Case{"mz_alone", "MZ", false},
        Case{"cut_in_last_section", Truncated(Executable(Sections, 0x1600), 0x15FF), false},
        Case{"cut_after_headers", Truncated(Executable(Sections, 0x1600), 0x400), false},
        Case{"signature_cut_off", Truncated(Executable(Sections, 0x1800, {0x1600, 0x200}), 0x17FF), false},
        Case{"pe_offset_past_end", WithPeOffset(Executable(Sections, 0x1600), 0x7FFFFFF0), false},
        Case{"pe_offset_not_a_signature", WithPeOffset(Executable(Sections, 0x1600), 0x40), false},
        Case{"no_sections", Executable({}, 0x400), false}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

TEST(ExecutableCheck, HeadLongerThanTheFileIsNotComplete)
{
    const std::string bytes = Executable(Sections, 0x1600);
    EXPECT_FALSE(IsCompleteExecutable(bytes, bytes.size() - 1));
}

} // namespace
