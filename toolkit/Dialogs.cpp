#include "Dialogs.h"

#include "Application.h"
#include "Graphics.h"
#include "Text.h"

#include <algorithm>

namespace {

// The controls' ids as the system's own message box has them.
const int TextId = 0xFFFF;

struct TDialogContent {
    TWideText Caption;
    TWideText Text;
    HFONT Font;
};

// Average character width and height of `font`, the base of dialog units.
SIZE DialogUnitsOf(HDC dc)
{
    const wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent = {};
    GetTextExtentPoint32W(dc, alphabet, 52, &extent);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    return {(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

void LayOut(HWND dialog, const TDialogContent& content)
{
    SIZE units = {};
    RECT textArea = {0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    {
        const TScreenDc screen(GetDC(nullptr));
        const TSelection selected(screen.get(), content.Font);
        units = DialogUnitsOf(screen.get());
        DrawTextW(screen.get(), content.Text.c_str(), content.Text.Length(), &textArea,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }

    const int horizontalMargin = MulDiv(8, units.cx, 4);
    const int verticalMargin = MulDiv(8, units.cy, 8);
    const int buttonWidth = MulDiv(50, units.cx, 4);
    const int buttonHeight = MulDiv(14, units.cy, 8);
    const int textWidth = textArea.right - textArea.left;
    const int textHeight = textArea.bottom - textArea.top;
    const int clientWidth = std::max(textWidth, buttonWidth) + 2 * horizontalMargin;
    const int clientHeight = 3 * verticalMargin + textHeight + buttonHeight;
    const HINSTANCE instance = GetModuleHandleW(nullptr);

    const HWND text = CreateWindowExW(0, L"STATIC", content.Text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                      horizontalMargin, verticalMargin, textWidth, textHeight, dialog,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(TextId)), instance, nullptr);
    const HWND button = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                        (clientWidth - buttonWidth) / 2, 2 * verticalMargin + textHeight, buttonWidth,
                                        buttonHeight, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                                        instance, nullptr);
    SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(content.Font), FALSE);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(content.Font), FALSE);
    SendMessageW(dialog, DM_SETDEFID, IDOK, 0);
    SetFocus(button);

    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto& content = *reinterpret_cast<const TDialogContent*>(lParam);
        SetWindowTextW(dialog, content.Caption.c_str());
        LayOut(dialog, content);
        if (Application.Terminated()) // nobody waits for an answer any more
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) // Escape comes as IDCANCEL
            EndDialog(dialog, IDOK);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void ShowMessageDialog(HWND owner, const std::string& caption, const std::string& text)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const TGdiObject<HFONT> font(CreateFontIndirectW(&metrics.lfMessageFont));
    const TDialogContent content = {WideFromUtf8(caption), WideFromUtf8(text), font.get()};

    // An empty template: the controls are laid out once the text is measured.
    struct alignas(DWORD) {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } dialogTemplate = {{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 0, 0, 0}, 0, 0, 0};
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialogTemplate.header, owner, DialogProc,
                            reinterpret_cast<LPARAM>(&content));
}
