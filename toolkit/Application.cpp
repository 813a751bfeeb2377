#include "Application.h"

#include "Forms.h"
#include "ProgramNames.h"
#include "ProgramPaths.h"
#include "Text.h"
#include "Trace.h"

#include <objbase.h>

TApplication Application;

TApplication::~TApplication()
{
    if (handle_)
        DestroyWindow(handle_);
    if (comInitialized_)
        CoUninitialize();
}

void TApplication::Initialize(int iconId)
{
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    windowClass.lpszClassName = L"TApplication";
    RegisterClassExW(&windowClass);
    // Zero-sized: only its task-bar button, with the program title, is seen.
    handle_ = CreateWindowExW(0, windowClass.lpszClassName, WideFromUtf8(ProgramTitle()).c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU, GetSystemMetrics(SM_CXSCREEN) / 2,
                              GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, nullptr, instance, nullptr);
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE: // Close on the task-bar button
        Application.Terminate();
        return 0;
    case WM_SETFOCUS: // the task-bar button was clicked: the main form takes over
        if (Application.mainForm_ && IsWindowEnabled(Application.mainForm_))
            SetFocus(Application.mainForm_);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void TApplication::Run(TForm& mainForm)
{
    mainForm_ = mainForm.Handle();
    ShowWindow(handle_, SW_SHOWNOACTIVATE);
    mainForm.Show();
    while (!terminated_)
        if (!ProcessMessage())
            WaitMessage();
}

bool TApplication::ProcessMessage()
{
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT) {
        terminated_ = true;
    } else {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void TApplication::ProcessMessages()
{
    while (ProcessMessage()) {
    }
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}

void TApplication::ShowException(const std::exception& failure)
{
    const std::string text = WithFullStop(failure.what());
    TraceText("error", text);
    MessageBoxW(nullptr, // no owner, and task-modal: every window of the program is disabled
                WideFromUtf8(text).c_str(), WideFromUtf8(ProgramTitle()).c_str(),
                MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}
