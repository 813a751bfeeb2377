// One update run per program directory: two updaters started for the same
// directory would write the same staging file and start two synchronizers.
#pragma once

#include <string>
#include <string_view>

// The name of the mutex that marks the run for `programDirectory` (in the
// ANSI code page): "Local\TolvarUpdate-" and 16 hex digits of a 64-bit hash
// of the path. Spellings of one directory give one name: ASCII letters and
// the accented ones of the Windows code pages (0xE0 to 0xFE, not 0xF7)
// without regard to case, '/' as '\', trailing separators ignored.
std::string RunMutexName(std::string_view programDirectory);
