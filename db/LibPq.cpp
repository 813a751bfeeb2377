// Loading libpq.dll and binding its functions.
#include "LibPq.h"

#include "DbErrors.h"
#include "UniqueHandle.h"

#include <optional>
#include <string>

#include <windows.h>

namespace {

using ModuleHandle = TUniqueHandle<HMODULE, FreeLibrary>;

LibPqFunctions Bind()
{
    ModuleHandle module(LoadLibraryW(L"libpq.dll"));
    if (!module) {
        const DWORD code = GetLastError();
        throw ELibraryLoadError("libpq.dll could not be loaded (system error " +
                                std::to_string(code) + ")");
    }
    LibPqFunctions functions{};
    // GetProcAddress gives one pointer type for all; void(*)(void) is the
    // neutral step between it and each function's own type.
#define TOLVAR_LIBPQ_BIND(name)                                                           \
    if (const FARPROC address = GetProcAddress(module.get(), #name))                      \
        functions.name = reinterpret_cast<decltype(functions.name)>(                      \
            reinterpret_cast<void (*)(void)>(address));                                   \
    else                                                                                  \
        throw ELibraryLoadError("libpq.dll has no function " #name);
    TOLVAR_LIBPQ_FUNCTIONS(TOLVAR_LIBPQ_BIND)
#undef TOLVAR_LIBPQ_BIND
    // Stays loaded for the rest of the process: connections may outlive any caller.
    module.release();
    return functions;
}

} // namespace

const LibPqFunctions& LibPq()
{
    static std::optional<LibPqFunctions> functions;
    if (!functions)
        functions = Bind();
    return *functions;
}
