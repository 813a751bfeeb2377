// Marks this process as the update run of a program directory while it lives.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <string>

using TMutexHandle = TUniqueHandle<HANDLE, CloseHandle>;

// The mark of this process's run for `programDirectory` (ANSI, as
// ProgramDirectory() gives it), or an empty handle when another updater
// already runs for that directory, or the mark could not be made: then this
// one must not touch the directory.
TMutexHandle MarkSingleRun(const std::string& programDirectory);
