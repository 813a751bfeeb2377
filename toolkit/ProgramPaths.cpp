#include "ProgramPaths.h"

#include "ProgramNames.h"

#include <windows.h>

std::string ProgramDirectory()
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return DirectoryOf(path);
}
