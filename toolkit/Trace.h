// In test and demo builds every status and box text also goes to the debugger
// channel as "<kind>: <text>", so tests can read the exact sequence. Kinds:
// "status" (status line), "message" (message box), "error" (error box).
// The release build sends nothing.
#pragma once

#include <string>

void TraceText(const char* kind, const std::string& utf8);
