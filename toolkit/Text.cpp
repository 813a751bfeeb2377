#include "Text.h"

#include "Utf8Runs.h"

#include <windows.h>

namespace {

void AppendWidened(TWideText& wide, UINT codePage, const char* bytes, size_t count)
{
    const int size = static_cast<int>(count);
    const int length = MultiByteToWideChar(codePage, 0, bytes, size, nullptr, 0);
    std::vector<wchar_t> chars(static_cast<size_t>(length));
    MultiByteToWideChar(codePage, 0, bytes, size, chars.data(), length);
    wide.Append(chars.data(), chars.size());
}

} // namespace

TWideText WideFromUtf8(const std::string& utf8)
{
    // A byte that is not UTF-8 came from Config.ini or the server in the ANSI code page.
    TWideText wide;
    for (const Utf8Run& run : SplitUtf8Runs(utf8))
        AppendWidened(wide, run.WellFormed ? CP_UTF8 : CP_ACP, utf8.data() + run.Offset, run.Length);
    return wide;
}

std::string Utf8FromWide(const wchar_t* wide, size_t count)
{
    if (count == 0)
        return {};
    const int size = static_cast<int>(count);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}
