#include "Trace.h"

#include <windows.h>

void TraceText([[maybe_unused]] const std::string& utf8)
{
#ifdef TOLVAR_TRACE
    OutputDebugStringA(utf8.c_str());
#endif
}
