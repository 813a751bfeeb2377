// Program start: COM and the application window, the update window, the
// message loop until the end is requested; the exit code is always 0.
#include "Application.h"
#include "ProTelUpdate.h"
#include "Resources.h"

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
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
