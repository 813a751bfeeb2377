// The rules for the program's own path: its title and its directory, and the
// error box's full-stop rule.
#include "ProgramNames.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* path;
    const char* expected;
};

void PrintTo(const NameCase& c, std::ostream* out)
{
    *out << testing::PrintToString(c.path);
}

class Title : public testing::TestWithParam<NameCase> {};

TEST_P(Title, IsTheFileNameUpToItsFirstFullStopInLowerCaseAfterTheFirstCharacter)
{
    EXPECT_EQ(TitleOf(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Title,
    testing::Values(NameCase{"C:\\Tolvar\\TolvarUpdate.exe", "Tolvarupdate"},
                    NameCase{"C:\\Tolvar\\TOLVAR.Update.Teste.exe", "Tolvar"},
                    NameCase{"C:\\Tolvar\\tolvarUPDATE.EXE", "tolvarupdate"},
                    NameCase{"C:\\Versao.2\\Programa.exe", "Programa"},  // full stops of directories do not count
                    NameCase{"C:\\Tolvar\\SemExtensao", "Semextensao"},
                    NameCase{"C:\\Tolvar\\.oculto.exe", ""},
                    NameCase{"D:Tolvar.exe", "D:tolvar"},                // only a backslash separates
                    NameCase{"\\\\servidor\\pasta\\Tolvar.exe", "Tolvar"},
                    NameCase{"C:\\Tolvar\\\xC3\x89XITO.exe", "\xC3\x89xito"})); // UTF-8 bytes pass unchanged

class Directory : public testing::TestWithParam<NameCase> {};

TEST_P(Directory, EndsAfterTheLastBackslashOrColon)
{
    EXPECT_EQ(DirectoryOf(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Directory,
    testing::Values(NameCase{"C:\\Tolvar\\TolvarUpdate.exe", "C:\\Tolvar\\"},
                    NameCase{"C:\\TolvarUpdate.exe", "C:\\"},
                    NameCase{"C:TolvarUpdate.exe", "C:"},
                    NameCase{"C:\\Tolvar\\dados:fluxo", "C:\\Tolvar\\dados:"},
                    NameCase{"\\\\servidor\\pasta\\TolvarUpdate.exe", "\\\\servidor\\pasta\\"},
                    NameCase{"TolvarUpdate.exe", ""}));

class FullStop : public testing::TestWithParam<NameCase> {};

TEST_P(FullStop, IsAddedWhenTheLastCharacterSortsAfterTheFullStop)
{
    EXPECT_EQ(WithFullStop(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FullStop,
    testing::Values(NameCase{"'' is not a valid integer value", "'' is not a valid integer value."},
                    NameCase{"I/O error 5", "I/O error 5."},
                    NameCase{"Erro?", "Erro?."},
                    NameCase{"Erro/", "Erro/."},          // '/' is 47
                    NameCase{"Conex\xC3\xA3o", "Conex\xC3\xA3o."},
                    NameCase{"Conex\xC3\xA3", "Conex\xC3\xA3."}, // a byte above 127 counts as large
                    NameCase{"Erro!", "Erro!"},
                    NameCase{"Erro.", "Erro."},
                    NameCase{"Erro (5)", "Erro (5)"},
                    NameCase{"Erro-", "Erro-"},          // '-' is 45
                    NameCase{"Erro ", "Erro "},
                    NameCase{"Erro\n", "Erro\n"},
                    NameCase{"", ""}));

} // namespace
