#include "Graphics.h"

COLORREF TColor::ColorRef() const
{
    if (system_)
        return GetSysColor(static_cast<int>(value_));
    const TRgb rgb = RgbFromHex(value_);
    return RGB(rgb.Red, rgb.Green, rgb.Blue);
}

TRgb TColor::Rgb() const
{
    const COLORREF color = ColorRef();
    return {GetRValue(color), GetGValue(color), GetBValue(color)};
}

TGdiObject<HFONT> CreateLabelFont(const TFontSpec& spec)
{
    return TGdiObject<HFONT>(CreateFontW(
        -spec.Height, // negative: the character height, not the cell height
        0, 0, 0, (spec.Style & fsBold) ? FW_BOLD : FW_NORMAL, (spec.Style & fsItalic) ? TRUE : FALSE,
        FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
        DEFAULT_PITCH | FF_DONTCARE, spec.Name));
}

void FillSolid(HDC dc, const RECT& area, COLORREF color)
{
    // The DC brush saves creating a brush for every fill.
    SetDCBrushColor(dc, color);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}
