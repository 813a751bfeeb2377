// Colours as the layout names them, the fonts of the parts, and owners of the
// GDI objects they draw with.
#pragma once

#include "Gradient.h"
#include "UniqueHandle.h"

#include <string>

#include <windows.h>

// A fixed colour, or a colour of the system's scheme looked up when drawn.
class TColor {
public:
    static constexpr TColor Hex(std::uint32_t rrggbb) { return TColor(false, rrggbb); }
    static constexpr TColor System(int index) { return TColor(true, static_cast<std::uint32_t>(index)); }
    TRgb Rgb() const;
    COLORREF ColorRef() const;

private:
    constexpr TColor(bool system, std::uint32_t value) : system_(system), value_(value) {}
    bool system_;
    std::uint32_t value_;
};

inline constexpr TColor clWindow = TColor::System(COLOR_WINDOW);
inline constexpr TColor clWindowText = TColor::System(COLOR_WINDOWTEXT);
inline constexpr TColor clBtnShadow = TColor::System(COLOR_BTNSHADOW);
inline constexpr TColor clBtnHighlight = TColor::System(COLOR_BTNHIGHLIGHT);
inline constexpr TColor clMenuHighlight = TColor::System(COLOR_MENUHILIGHT);
inline constexpr TColor clWhite = TColor::Hex(0xFFFFFF);

template <typename Handle>
using TGdiObject = TUniqueHandle<Handle, DeleteObject>;
using TMemoryDc = TUniqueHandle<HDC, DeleteDC>;
using TIcon = TUniqueHandle<HICON, DestroyIcon>;

inline void ReleaseScreenDc(HDC dc)
{
    ReleaseDC(nullptr, dc);
}
// The screen's device context, for measuring text.
using TScreenDc = TUniqueHandle<HDC, ReleaseScreenDc>;

// Selects an object into a device context and puts the previous one back.
class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~TSelection() { SelectObject(dc_, previous_); }
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

enum TFontStyle { fsRegular = 0, fsBold = 1, fsItalic = 2 };

// A label's font: face, character height in pixels and style; ANSI character set.
struct TFontSpec {
    const wchar_t* Name;
    int Height;
    int Style;
};

TGdiObject<HFONT> CreateLabelFont(const TFontSpec& spec);

void FillSolid(HDC dc, const RECT& area, COLORREF color);
