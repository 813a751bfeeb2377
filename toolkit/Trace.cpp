#include "Trace.h"

#include <windows.h>

void TraceText([[maybe_unused]] const char* kind, [[maybe_unused]] const std::string& utf8)
{
#ifdef TOLVAR_TRACE
    OutputDebugStringA((std::string(kind) + ": " + utf8).c_str());
#endif
}
