// Program start: COM and the application window, the update window, the
// message loop until the end is requested; the exit code is always 0.
#include "Application.h"
#include "ProTelUpdate.h"
#include "Resources.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Application.Initialize(IDI_PROGRAM);
    TRerEdeUpdate RerEdeUpdate;
    Application.Run(RerEdeUpdate);
    return 0;
}
