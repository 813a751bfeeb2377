// Tells a complete Windows executable from anything else a download can leave
// behind: an error page, an empty body, a file cut short.
#pragma once

#include <cstdint>
#include <string_view>

// How much of the file's beginning IsCompleteExecutable needs to see.
constexpr std::uint32_t ExecutableHeadSize = 64 * 1024;

// `head` is the start of the file (up to ExecutableHeadSize bytes), `fileSize`
// its whole length. True when the file starts with "MZ", holds a PE signature
// at the offset its header gives, and every section's raw data and any
// attached signature lie inside the file.
bool IsCompleteExecutable(std::string_view head, std::uint64_t fileSize);
