// In test and demo builds every status and box text also goes to the debugger
// channel, so tests can read the exact sequence. The release build sends nothing.
#pragma once

#include <string>

void TraceText(const std::string& utf8);
