#include "Text.h"

#include "Utf8Runs.h"

#include <windows.h>

namespace {

std::wstring Widen(UINT codePage, const char* bytes, size_t count)
{
    const int size = static_cast<int>(count);
    const int length = MultiByteToWideChar(codePage, 0, bytes, size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes, size, wide.data(), length);
    return wide;
}

} // namespace

std::wstring WideFromUtf8(const std::string& utf8)
{
    // A byte that is not UTF-8 came from Config.ini or the server in the ANSI code page.
    std::wstring wide;
    for (const Utf8Run& run : SplitUtf8Runs(utf8))
        wide += Widen(run.WellFormed ? CP_UTF8 : CP_ACP, utf8.data() + run.Offset, run.Length);
    return wide;
}

std::string Utf8FromWide(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}
