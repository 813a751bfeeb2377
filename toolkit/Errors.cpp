// System error codes as text, and the input/output error built from one.
#include "Errors.h"

#include "Text.h"
#include "UniqueHandle.h"

#include <windows.h>

std::string DescribeSystemError(std::uint32_t code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), // ALLOCATE_BUFFER wants the address of the pointer
        0, nullptr);
    const TUniqueHandle<wchar_t*, LocalFree> owned(text);
    DWORD kept = length;
    while (kept > 0 && (text[kept - 1] == L'\r' || text[kept - 1] == L'\n' || text[kept - 1] == L' ' ||
                        text[kept - 1] == L'.'))
        --kept;
    const std::string systemText = Utf8FromWide(text, kept);
    std::string description = std::to_string(code);
    if (!systemText.empty())
        description += ": " + systemText;
    return description;
}

[[noreturn]] void RaiseInOutError(std::uint32_t code)
{
    throw EInOutError(code, "I/O error " + DescribeSystemError(code));
}
