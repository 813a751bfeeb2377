// Builds the input/output error from an operating-system error code.
#include "Errors.h"

#include "Text.h"

#include <windows.h>

[[noreturn]] void RaiseInOutError(std::uint32_t code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), // ALLOCATE_BUFFER wants the address of the pointer
        0, nullptr);
    DWORD kept = length;
    while (kept > 0 && (text[kept - 1] == L'\r' || text[kept - 1] == L'\n' || text[kept - 1] == L' ' ||
                        text[kept - 1] == L'.'))
        --kept;
    const std::string systemText = Utf8FromWide(text, kept);
    LocalFree(text);
    std::string message = "I/O error " + std::to_string(code);
    if (!systemText.empty())
        message += ": " + systemText;
    throw EInOutError(code, message);
}
