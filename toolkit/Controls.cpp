#include "Controls.h"

namespace {

// The outer frame and the flat bold frame inside it.
const int LedBorderWidth = 1;
const int LedFlatWidth = 2;

RECT Inset(const RECT& area, int by)
{
    return {area.left + by, area.top + by, area.right - by, area.bottom - by};
}

void FillFrame(HDC dc, const RECT& outer, int width, COLORREF color)
{
    const RECT inner = Inset(outer, width);
    FillSolid(dc, {outer.left, outer.top, outer.right, inner.top}, color);
    FillSolid(dc, {outer.left, inner.bottom, outer.right, outer.bottom}, color);
    FillSolid(dc, {outer.left, inner.top, inner.left, inner.bottom}, color);
    FillSolid(dc, {inner.right, inner.top, outer.right, inner.bottom}, color);
}

} // namespace

TRzPanel::TRzPanel(const TParent& parent, int left, int top, int width, int height, TColor start, TColor stop)
    : TControl(parent, left, top, width, height), start_(start), stop_(stop)
{
}

void TRzPanel::Paint(HDC dc) const
{
    const RECT& area = BoundsRect();
    const TRgb start = start_.Rgb();
    const TRgb stop = stop_.Rgb();
    if (start == stop) {
        FillSolid(dc, area, RGB(start.Red, start.Green, start.Blue));
        return;
    }
    const int rows = area.bottom - area.top;
    for (int row = 0; row < rows; ++row) {
        const TRgb color = GradientRowColor(start, stop, rows, row);
        FillSolid(dc, {area.left, area.top + row, area.right, area.top + row + 1},
                  RGB(color.Red, color.Green, color.Blue));
    }
}

TLabel::TLabel(const TParent& parent, int left, int top, const std::string& caption, const TFontSpec& font,
               TColor color)
    : TControl(parent, left, top, 0, 0), font_(CreateLabelFont(font)), color_(color)
{
    SetCaption(caption);
}

void TLabel::SetCaption(const std::string& caption)
{
    caption_ = WideFromUtf8(caption);
    const TScreenDc screen(GetDC(nullptr));
    SIZE extent = {};
    TEXTMETRICW metrics = {};
    {
        const TSelection selected(screen.get(), font_.get());
        GetTextExtentPoint32W(screen.get(), caption_.c_str(), caption_.Length(), &extent);
        GetTextMetricsW(screen.get(), &metrics);
    }
    SetSize(extent.cx, metrics.tmHeight);
    // The whole form: an italic overhang may reach past the measured box of
    // the old text as of the new.
    RECT client;
    GetClientRect(Owner().Handle(), &client);
    Owner().Invalidate(client);
}

void TLabel::Paint(HDC dc) const
{
    const TSelection selected(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color_.ColorRef());
    TextOutW(dc, BoundsRect().left, BoundsRect().top, caption_.c_str(), caption_.Length());
}

TShape::TShape(const TParent& parent, int left, int top, int width, int height, TColor pen, TColor brush)
    : TControl(parent, left, top, width, height), pen_(pen), brush_(brush)
{
}

void TShape::Paint(HDC dc) const
{
    FillFrame(dc, BoundsRect(), 1, pen_.ColorRef());
    const RECT inside = Inset(BoundsRect(), 1);
    if (inside.right > inside.left && inside.bottom > inside.top)
        FillSolid(dc, inside, brush_.ColorRef());
}

TImage::TImage(const TParent& parent, int left, int top, int iconId)
    : TControl(parent, left, top, 32, 32),
      icon_(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON, 32, 32,
                                          LR_DEFAULTCOLOR)))
{
}

void TImage::Paint(HDC dc) const
{
    DrawIconEx(dc, BoundsRect().left, BoundsRect().top, icon_.get(), 32, 32, 0, nullptr, DI_NORMAL);
}

TRzBorder::TRzBorder(const TParent& parent, int left, int top, int width, int height)
    : TControl(parent, left, top, width, height)
{
}

void TRzBorder::Paint(HDC dc) const
{
    const RECT& area = BoundsRect();
    FillSolid(dc, {area.left, area.top, area.right, area.top + 1}, clBtnShadow.ColorRef());
    FillSolid(dc, {area.left, area.top + 1, area.right, area.top + 2}, clBtnHighlight.ColorRef());
}

TRzLEDDisplay::TRzLEDDisplay(const TParent& parent, int left, int top, int width, int height,
                             const std::string& caption, const TLedColors& colors, UINT scrollDelayMs)
    : TControl(parent, left, top, width, height),
      colors_(colors),
      scroll_(caption, DotColumns(width - 2 * (LedBorderWidth + LedFlatWidth))),
      timer_(parent.Form, [this](TTimer&) {
          scroll_.Advance();
          Invalidate();
      }, scrollDelayMs)
{
}

RECT TRzLEDDisplay::DotArea() const
{
    return Inset(BoundsRect(), LedBorderWidth + LedFlatWidth);
}

void TRzLEDDisplay::Paint(HDC dc) const
{
    const RECT& area = BoundsRect();
    FillFrame(dc, area, LedBorderWidth, colors_.Border.ColorRef());
    FillFrame(dc, Inset(area, LedBorderWidth), LedFlatWidth, colors_.Flat.ColorRef());
    const RECT dots = DotArea();
    const COLORREF back = colors_.Back.ColorRef();
    const COLORREF on = colors_.SegOn.ColorRef();
    const COLORREF off = colors_.SegOff.ColorRef();
    FillSolid(dc, dots, back);
    const int columns = DotColumns(dots.right - dots.left);
    for (int row = 0; row < TDotMatrixScroll::GlyphRows; ++row)
        for (int column = 0; column < columns; ++column) {
            const bool lit = scroll_.IsLit(column, row);
            if (!lit && off == back)
                continue; // nothing to draw over the background
            const TDotCell cell = DotCell(dots.bottom - dots.top, column, row);
            const int x = dots.left + cell.Left;
            const int y = dots.top + cell.Top;
            FillSolid(dc, {x, y, x + cell.Size, y + cell.Size}, lit ? on : off);
        }
}
