// Where the running program lives: every file it names is this directory
// followed by a bare file name.
#pragma once

#include <string>

// The running executable's directory, ending with its separator, in the ANSI
// code page as the file routines take it. Worked out afresh at each call.
std::string ProgramDirectory();
