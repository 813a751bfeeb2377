// Program start: the DLL search path closed, one updater per program
// directory, COM and the application window, the update window, the message
// loop until the end is requested; the exit code is always 0.
#include "Application.h"
#include "ProTelUpdate.h"
#include "ProgramPaths.h"
#include "Resources.h"
#include "SingleRunLock.h"

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Before anything loads a DLL: libpq.dll and the DLLs it needs then come
    // only from the program directory and the system, never from the current one.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    // A second updater for the same directory would race the first over the
    // same files; the one already running brings the newest release anyway.
    const TMutexHandle runMark = MarkSingleRun(ProgramDirectory());
    if (!runMark)
        return 0;
    Application.Initialize(IDI_PROGRAM);
    TRerEdeUpdate RerEdeUpdate;
    Application.Run(RerEdeUpdate);
    return 0;
}

#ifdef __GLIBCXX__
// libstdc++'s default handler prints the escaping exception's demangled type
// to stderr, which a GUI program has not; it alone adds some 70 KB (the
// demangler and stdio formatting). Failures are caught in the window
// procedures, so this only ever runs on a broken invariant.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx
#endif
