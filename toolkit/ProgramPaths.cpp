#include "ProgramPaths.h"

#include "ProgramNames.h"
#include "Text.h"

#include <windows.h>

namespace {

std::string ExecutablePath()
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

} // namespace

std::string ProgramDirectory()
{
    return DirectoryOf(ExecutablePath());
}

std::string ProgramFileName()
{
    return FileNameOf(ExecutablePath());
}

std::string ProgramTitle()
{
    // The wide name, so the title shows right whatever the ANSI code page.
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return TitleOf(Utf8FromWide(path, length));
}
