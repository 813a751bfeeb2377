// The mutex name that keeps a second updater off a directory in use. Paths
// are in the ANSI code page; the accented ones here in Windows-1252.
#include "SingleRun.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct Spellings {
    const char* name;
    const char* directory;
    const char* other;
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
    testing::Values(Spellings{"ascii_case", "C:\\Programas\\Tolvar\\", "c:\\PROGRAMAS\\tolvar\\", true},
                    Spellings{"trailing_separator", "C:\\Programas\\Tolvar\\", "C:\\Programas\\Tolvar", true},
                    Spellings{"forward_slashes", "C:\\Programas\\Tolvar\\", "C:/Programas/Tolvar/", true},
                    Spellings{"doubled_trailing_separator", "C:\\Programas\\Tolvar\\", "C:\\Programas\\Tolvar\\\\", true},
                    Spellings{"accented_case", "C:\\Sincroniza\xE7\xE3o\\", "C:\\SINCRONIZA\xC7\xC3O\\", true},
                    Spellings{"other_drive", "C:\\Programas\\Tolvar\\", "D:\\Programas\\Tolvar\\", false},
                    Spellings{"other_name", "C:\\Programas\\Tolvar\\", "C:\\Programas\\Tolvar2\\", false},
                    Spellings{"subdirectory", "C:\\Programas\\Tolvar\\", "C:\\Programas\\Tolvar\\Bin\\", false},
                    Spellings{"letters_swapped", "C:\\ab\\", "C:\\ba\\", false},
                    Spellings{"accent_dropped", "C:\\A\xE7\xE3o\\", "C:\\Acao\\", false},
                    Spellings{"unc_share_case", "\\\\servidor\\tolvar\\", "\\\\SERVIDOR\\Tolvar", true}),
    [](const testing::TestParamInfo<Spellings>& param) { return std::string(param.param.name); });

// Whatever the path, the name is one the object manager takes: the session
// prefix, then no backslash and a bounded length.
TEST(RunMutexName, FitsTheObjectNamespace)
{
    const std::vector<std::string> directories = {"", "C:\\", std::string(32767, '\\'),
                                                  "C:\\" + std::string(32000, 'x') + "\\"};
    for (const std::string& directory : directories) {
        const std::string name = RunMutexName(directory);
        const std::string prefix = "Local\\TolvarUpdate-";
        ASSERT_EQ(name.substr(0, prefix.size()), prefix);
        EXPECT_EQ(name.size(), prefix.size() + 16) << name;
        EXPECT_EQ(name.find_first_not_of("0123456789abcdef", prefix.size()), std::string::npos) << name;
    }
}

} // namespace
