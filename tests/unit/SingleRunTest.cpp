// The mutex name that keeps a second updater off a directory in use.
#include "SingleRun.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct Spellings {
    const char* name;
    const wchar_t* directory;
    const wchar_t* other;
    bool same;
};

void PrintTo(const Spellings& c, std::ostream* os) { *os << c.name; }

class RunMutexNameTest : public testing::TestWithParam<Spellings> {};

TEST_P(RunMutexNameTest, OneNamePerDirectory)
{
    EXPECT_EQ(RunMutexName(GetParam().directory) == RunMutexName(GetParam().other), GetParam().same)
        << RunMutexName(GetParam().directory);
}

INSTANTIATE_TEST_SUITE_P(
    Directories, RunMutexNameTest,
    testing::Values(Spellings{"ascii_case", L"C:\\Programas\\Tolvar\\", L"c:\\PROGRAMAS\\tolvar\\", true},
                    Spellings{"trailing_separator", L"C:\\Programas\\Tolvar\\", L"C:\\Programas\\Tolvar", true},
                    Spellings{"forward_slashes", L"C:\\Programas\\Tolvar\\", L"C:/Programas/Tolvar/", true},
                    Spellings{"doubled_trailing_separator", L"C:\\Programas\\Tolvar\\", L"C:\\Programas\\Tolvar\\\\", true},
                    Spellings{"accented_case", L"C:\\Sincronização\\", L"C:\\SINCRONIZAÇÃO\\", true},
                    Spellings{"other_drive", L"C:\\Programas\\Tolvar\\", L"D:\\Programas\\Tolvar\\", false},
                    Spellings{"other_name", L"C:\\Programas\\Tolvar\\", L"C:\\Programas\\Tolvar2\\", false},
                    Spellings{"subdirectory", L"C:\\Programas\\Tolvar\\", L"C:\\Programas\\Tolvar\\Bin\\", false},
                    Spellings{"letters_swapped", L"C:\\ab\\", L"C:\\ba\\", false},
                    Spellings{"accent_dropped", L"C:\\Ação\\", L"C:\\Acao\\", false},
                    Spellings{"unc_share_case", L"\\\\servidor\\tolvar\\", L"\\\\SERVIDOR\\Tolvar", true}),
    [](const testing::TestParamInfo<Spellings>& param) { return std::string(param.param.name); });

// Whatever the path, the name is one the object manager takes: the session
// prefix, then no backslash and a bounded length.
TEST(RunMutexName, FitsTheObjectNamespace)
{
    const std::vector<std::wstring> directories = {L"", L"C:\\", std::wstring(32767, L'\\'),
                                                   L"C:\\" + std::wstring(32000, L'x') + L"\\"};
    for (const std::wstring& directory : directories) {
        const std::string name = RunMutexName(directory);
        const std::string prefix = "Local\\TolvarUpdate-";
        ASSERT_EQ(name.substr(0, prefix.size()), prefix);
        EXPECT_EQ(name.size(), prefix.size() + 16) << name;
        EXPECT_EQ(name.find_first_not_of("0123456789abcdef", prefix.size()), std::string::npos) << name;
    }
}

} // namespace
