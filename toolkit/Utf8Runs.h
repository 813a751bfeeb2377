// Messages are UTF-8, but some carry bytes from Config.ini or the server in the
// ANSI code page. Splitting a text into well-formed UTF-8 runs and stray bytes
// lets each part be shown in the encoding it really has.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Utf8Run {
    std::size_t Offset;
    std::size_t Length;
    bool WellFormed; // false: bytes that start no valid UTF-8 sequence
};

std::vector<Utf8Run> SplitUtf8Runs(const std::string& text);
