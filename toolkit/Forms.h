// The form: one top-level window whose parts have no windows of their own.
// The form paints them in their order of creation, double-buffered, and hands
// the ticks of its timers to them. A failure that escapes the handling of a
// message goes to the application's error box.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

class TControl;
class TTimer;

class TForm {
public:
    // Creates the window hidden, with a single fixed border, the system menu
    // and the close button only; `iconId` names the program icon resource.
    TForm(const wchar_t* className, const std::string& caption, int clientWidth, int clientHeight, int iconId);
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    HWND Handle() const { return handle_; }
    // Shows the window, centred on the screen.
    void Show();
    void Invalidate(const RECT& area);

private:
    friend class TControl;
    friend class TTimer;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void PaintContent(HDC dc, const RECT& area) const;
    void OnTimer(UINT_PTR id);

    HWND handle_ = nullptr;
    std::vector<TControl*> controls_;
    std::vector<TTimer*> timers_;
};

// Where a part is placed: on the form itself or inside another part.
struct TParent {
    TParent(TForm& form) : Form(form), Origin{0, 0} {}
    TParent(const TControl& control);
    TForm& Form;
    POINT Origin; // of the parent, in the form's client coordinates
};

// A part of a form, painted by the form into the part's own rectangle.
class TControl {
public:
    TControl(const TParent& parent, int left, int top, int width, int height);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    TForm& Owner() const { return form_; }
    // In the form's client coordinates.
    const RECT& BoundsRect() const { return bounds_; }
    virtual void Paint(HDC dc) const = 0;

protected:
    void SetSize(int width, int height);
    void Invalidate() const { form_.Invalidate(bounds_); }

private:
    TForm& form_;
    RECT bounds_;
};

// A timer that ticks through its form's message queue while enabled.
class TTimer {
public:
    using TEvent = std::function<void(TTimer& sender)>;
    // Starts counting at once: enabled, with `onTimer` as its handler.
    TTimer(TForm& owner, TEvent onTimer, UINT intervalMs = 1000);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    void SetEnabled(bool enabled);

private:
    friend class TForm;
    UINT_PTR Id() const { return reinterpret_cast<UINT_PTR>(this); }

    TForm& owner_;
    TEvent onTimer_;
    UINT interval_;
    bool enabled_ = false;
};
