// One update run per program directory: two updaters started for the same
// directory would write the same staging file and start two synchronizers.
#pragma once

#include <string>
#include <string_view>

// The name of the mutex that marks the run for `programDirectory` (UTF-16):
// "Local\TolvarUpdate-" and 16 hex digits of a 64-bit hash of the path.
// Spellings of one directory give one name: ASCII and Latin-1 letters
// without regard to case, '/' as '\', trailing separators ignored. Letters
// of other scripts compare as written.
std::string RunMutexName(std::wstring_view programDirectory);
