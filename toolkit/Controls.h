// The parts of a form: panels with gradient or plain fill, transparent labels
// that fit their text, a rectangle shape, an icon image, a groove border, the
// scrolling dot-matrix display and a button that is only ever clicked by the
// program. Positions are relative to the parent; sizes are width × height.
#pragma once

#include "DotMatrix.h"
#include "Forms.h"
#include "Graphics.h"
#include "Text.h"

#include <functional>
#include <string>

// A borderless panel: a vertical gradient from `start` (top row) to `stop`
// (bottom row), or a plain fill when both are the same.
class TRzPanel : public TControl {
public:
    TRzPanel(const TParent& parent, int left, int top, int width, int height, TColor start, TColor stop);
    TRzPanel(const TParent& parent, int left, int top, int width, int height, TColor color)
        : TRzPanel(parent, left, top, width, height, color, color) {}
    void Paint(HDC dc) const override;

private:
    TColor start_;
    TColor stop_;
};

// One line of text on a transparent background, as wide and high as its text.
class TLabel : public TControl {
public:
    TLabel(const TParent& parent, int left, int top, const std::string& caption, const TFontSpec& font, TColor color);
    void SetCaption(const std::string& caption);
    void Paint(HDC dc) const override;

private:
    TWideText caption_;
    TGdiObject<HFONT> font_;
    TColor color_;
};

// A rectangle: a one-pixel outline in `pen`, the inside in `brush`.
class TShape : public TControl {
public:
    TShape(const TParent& parent, int left, int top, int width, int height, TColor pen, TColor brush = clWhite);
    void Paint(HDC dc) const override;

private:
    TColor pen_;
    TColor brush_;
};

// An icon resource at 32 × 32; its transparent pixels show what lies below.
class TImage : public TControl {
public:
    TImage(const TParent& parent, int left, int top, int iconId);
    void Paint(HDC dc) const override;

private:
    TIcon icon_;
};

// A groove along the top side: a shadow row above a highlight row.
class TRzBorder : public TControl {
public:
    TRzBorder(const TParent& parent, int left, int top, int width, int height);
    void Paint(HDC dc) const override;
};

// A button that is never shown: the program clicks it, which runs its handler.
class TButton {
public:
    using TEvent = std::function<void(TButton& sender)>;
    explicit TButton(TEvent onClick) : onClick_(std::move(onClick)) {}
    void Click() { onClick_(*this); }

private:
    TEvent onClick_;
};

struct TLedColors {
    TColor Border;   // the one-pixel outer frame
    TColor Flat;     // the flat bold frame inside it
    TColor Back;     // behind the dots
    TColor SegOn;    // lit dots
    TColor SegOff;   // unlit dots
};

// A dot-matrix strip whose text scrolls from right to left, moved by a timer
// of its own every `scrollDelayMs`.
class TRzLEDDisplay : public TControl {
public:
    TRzLEDDisplay(const TParent& parent, int left, int top, int width, int height, const std::string& caption,
                  const TLedColors& colors, UINT scrollDelayMs);
    void Paint(HDC dc) const override;

private:
    RECT DotArea() const;

    TLedColors colors_;
    TDotMatrixScroll scroll_;
    TTimer timer_;
};
