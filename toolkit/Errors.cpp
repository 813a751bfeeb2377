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
    std::wstring systemText = length ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!systemText.empty() && (systemText.back() == L'\r' || systemText.back() == L'\n' ||
                                   systemText.back() == L' ' || systemText.back() == L'.'))
        systemText.pop_back();
    std::string message = "I/O error " + std::to_string(code);
    if (!systemText.empty())
        message += ": " + Utf8FromWide(systemText);
    throw EInOutError(code, message);
}
