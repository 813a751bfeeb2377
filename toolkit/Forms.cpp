#include "Forms.h"

#include "Application.h"
#include "Graphics.h"
#include "Text.h"

#include <algorithm>

namespace {

const DWORD FormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

void RegisterFormClass(const wchar_t* className, WNDPROC windowProc, int iconId)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(instance, className, &windowClass))
        return;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
}

template <typename T>
void Remove(std::vector<T*>& list, T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

TForm::TForm(const wchar_t* className, const std::string& caption, int clientWidth, int clientHeight, int iconId)
{
    RegisterFormClass(className, WindowProc, iconId);
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, FormStyle, FALSE, 0);
    CreateWindowExW(0, className, WideFromUtf8(caption).c_str(), FormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    frame.right - frame.left, frame.bottom - frame.top,
                    Application.Handle(), // owner: the task-bar button belongs to the application window
                    nullptr, GetModuleHandleW(nullptr), this);
}

TForm::~TForm()
{
    if (handle_)
        DestroyWindow(handle_);
}

void TForm::Show()
{
    RECT frame = {};
    GetWindowRect(handle_, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(handle_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(handle_, SW_SHOWNORMAL);
}

void TForm::Invalidate(const RECT& area)
{
    InvalidateRect(handle_, &area, FALSE);
}

LRESULT CALLBACK TForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->handle_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(window, message, wParam, lParam);
    // C++ exceptions must not unwind through the system's frames.
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& failure) {
        Application.ShowException(failure);
        return 0;
    }
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return TRUE; // the paint covers every pixel
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_CLOSE:
        // The program has one form: closing it requests the end of the program.
        Application.Terminate();
        return 0;
    case WM_NCDESTROY: {
        const HWND window = handle_;
        handle_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

void TForm::OnPaint()
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(handle_, &paint);
    const RECT& area = paint.rcPaint;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width > 0 && height > 0) {
        // Drawn off screen first, so the moving display does not flicker.
        const TMemoryDc memory(CreateCompatibleDC(dc));
        const TGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, width, height));
        {
            const TSelection selected(memory.get(), bitmap.get());
            SetViewportOrgEx(memory.get(), -area.left, -area.top, nullptr);
            PaintContent(memory.get(), area);
            SetViewportOrgEx(memory.get(), 0, 0, nullptr);
            BitBlt(dc, area.left, area.top, width, height, memory.get(), 0, 0, SRCCOPY);
        }
    }
    EndPaint(handle_, &paint);
}

void TForm::PaintContent(HDC dc, const RECT& area) const
{
    for (const TControl* control : controls_) {
        RECT overlap;
        if (IntersectRect(&overlap, &control->BoundsRect(), &area))
            control->Paint(dc);
    }
}

void TForm::OnTimer(UINT_PTR id)
{
    for (TTimer* timer : timers_)
        if (timer->Id() == id) {
            if (timer->onTimer_)
                timer->onTimer_(*timer);
            return;
        }
}

TParent::TParent(const TControl& control)
    : Form(control.Owner()), Origin{control.BoundsRect().left, control.BoundsRect().top}
{
}

TControl::TControl(const TParent& parent, int left, int top, int width, int height)
    : form_(parent.Form),
      bounds_{parent.Origin.x + left, parent.Origin.y + top, parent.Origin.x + left + width,
              parent.Origin.y + top + height}
{
    form_.controls_.push_back(this);
}

TControl::~TControl()
{
    Remove(form_.controls_, this);
}

void TControl::SetSize(int width, int height)
{
    bounds_.right = bounds_.left + width;
    bounds_.bottom = bounds_.top + height;
}

TTimer::TTimer(TForm& owner, TEvent onTimer, UINT intervalMs)
    : owner_(owner), onTimer_(std::move(onTimer)), interval_(intervalMs)
{
    owner_.timers_.push_back(this);
    SetEnabled(true);
}

TTimer::~TTimer()
{
    SetEnabled(false);
    Remove(owner_.timers_, this);
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (enabled)
        SetTimer(owner_.Handle(), Id(), interval_, nullptr);
    else
        KillTimer(owner_.Handle(), Id());
}
