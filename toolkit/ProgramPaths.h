// Where the running program lives and what it calls itself.
#pragma once

#include <string>

// The running executable's directory, ending with its separator, in the ANSI
// code page as the file routines take it. Worked out afresh at each call;
// every file the program names is this directory followed by a bare file name.
std::string ProgramDirectory();

// The running executable's file name, extension included, in the ANSI code
// page: the user agent of downloads, so a renamed copy announces its new name.
std::string ProgramFileName();

// The program title (UTF-8): the executable's file name up to its first full
// stop, lower case after the first character. The caption of both boxes and
// the text of the task-bar button.
std::string ProgramTitle();
