#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "demo/unique_resource.h"

namespace ui {

// Positions and sizes as the design gives them: twips from the client area's top-left corner.
struct Twips {
    int left;
    int top;
    int width;
    int height;
};

// One child control. Controls are created in tab order; `style` says whether one is visible.
struct Control {
    int id;
    const wchar_t* window_class;
    DWORD style;
    DWORD ex_style;
    const wchar_t* text;
    Twips place;
};

// Colours as 0x00BBGGRR; with the top bit set, the low byte names a system colour.
struct Colours {
    int id;
    std::uint32_t text;
    std::uint32_t background;
};

inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kSystemWindowText = 0x80000000 | COLOR_WINDOWTEXT;
inline constexpr std::uint32_t kSystemWindow = 0x80000000 | COLOR_WINDOW;

using UniqueFont = demo::UniqueNullHandle<HFONT, DeleteObject>;

int TwipsToPixels(int twips, UINT dpi);

COLORREF ResolveColour(std::uint32_t colour);

void CreateControls(HWND parent, std::span<const Control> controls);

// Sizes `window` to its client area and places its controls, at `dpi`. Each control gets the
// system's message font or, where its text would not fit its box in that, the largest smaller
// size of the same face that fits. The fonts are returned: they must outlive the controls' use.
std::vector<UniqueFont> LayOut(HWND window, UINT dpi, SIZE client_twips,
                               std::span<const Control> controls);

// Answers WM_CTLCOLOR* for the controls in `colours`: paints `dc` and returns the background
// brush, or nullptr for a control not in the table.
HBRUSH PaintColours(HDC dc, int id, std::span<const Colours> colours);

// Answers WM_CTLCOLOR* in a contrast theme: the window's text and background colours, one pair,
// for every control.
HBRUSH PaintInWindowColours(HDC dc);

}  // namespace ui
