#include "layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "newer_functions.h"

namespace ui {
namespace {

using UniqueDc = demo::UniqueNullHandle<HDC, DeleteDC>;

// Where a control draws its text, and how, as DrawText takes it.
struct TextRoom {
    const wchar_t* text;
    int width;
    int height;
    UINT format;
};

// The room a control's text has inside its box; nothing for a control that shows no text.
std::optional<TextRoom> RoomFor(const Control& control, SIZE box, UINT dpi) {
    const std::wstring_view window_class = control.window_class;
    if ((control.style & WS_VISIBLE) == 0) {
        return std::nullopt;
    }
    // Buttons and the sunken edit field draw a two-pixel edge (at 96 DPI) inside their box.
    const int edge = 2 * MulDiv(2, static_cast<int>(dpi), kUnscaledDpi);
    if (window_class == L"BUTTON") {
        return TextRoom{control.text, box.cx - edge, box.cy - edge, DT_SINGLELINE};
    }
    if (window_class == L"EDIT") {
        // Only a line's height matters: a longer text scrolls.
        return TextRoom{L"Ag", box.cx - edge, box.cy - edge, DT_SINGLELINE};
    }
    // The credit picture's text too: a contrast theme shows it in its stead.
    return TextRoom{control.text, box.cx, box.cy, DT_WORDBREAK | DT_EXPANDTABS};
}

bool Fits(HDC dc, HFONT font, const TextRoom& room) {
    const HGDIOBJ previous = SelectObject(dc, font);
    RECT needed{0, 0, room.width, 0};
    DrawTextW(dc, room.text, -1, &needed, room.format | DT_CALCRECT);
    SelectObject(dc, previous);
    return needed.right <= room.width && needed.bottom <= room.height;
}

// The largest size of `face`, smaller than it is, at which the text fits its room (the smallest
// size tried when none does).
UniqueFont LargestFitting(HDC dc, LOGFONTW face, const TextRoom& room) {
    const int sign = face.lfHeight < 0 ? -1 : 1;
    UniqueFont font;
    for (int size = std::max<int>(std::abs(face.lfHeight) - 1, 1); size >= 1; --size) {
        face.lfHeight = sign * size;
        font = UniqueFont(CreateFontIndirectW(&face));
        if (font && Fits(dc, font.get(), room)) {
            break;
        }
    }
    return font;
}

constexpr bool IsSystemColour(std::uint32_t colour) {
    return (colour & 0x80000000) != 0;
}

// Relative luminance, as WCAG 2 measures it, plus the viewing flare.
double Luminance(COLORREF colour) {
    constexpr double kWeights[] = {0.2126, 0.7152, 0.0722};  // red, the low byte, to blue
    double sum = 0.05;
    for (int i = 0; i < 3; ++i) {
        const double c = ((colour >> (8 * i)) & 0xFF) / 255.0;
        sum += kWeights[i] * (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return sum;
}

// Whether a text stands out from its background at least 4.5:1, as WCAG asks.
bool Readable(COLORREF text, COLORREF background) {
    const double a = Luminance(text), b = Luminance(background);
    return std::max(a, b) / std::min(a, b) >= 4.5;
}

}  // namespace

int TwipsToPixels(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

COLORREF ResolveColour(std::uint32_t colour) {
    if (IsSystemColour(colour)) {
        return GetSysColor(static_cast<int>(colour & 0xFF));
    }
    return colour;
}

void CreateControls(HWND parent, std::span<const Control> controls) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    for (const Control& control : controls) {
        CreateWindowExW(control.ex_style, control.window_class, control.text,
                        WS_CHILD | control.style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance,
                        nullptr);
    }
}

std::vector<UniqueFont> LayOut(HWND window, UINT dpi, SIZE client_twips,
                               std::span<const Control> controls) {
    const SIZE wanted{TwipsToPixels(client_twips.cx, dpi), TwipsToPixels(client_twips.cy, dpi)};
    RECT frame{0, 0, wanted.cx, wanted.cy};
    AdjustFrame(frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)),
                static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi);
    const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Windows 10 and 11 give a program made for XP frame metrics that may not be the frame they
    // draw: the client area is measured, and the frame grown or shrunk by what it is off.
    RECT client{};
    GetClientRect(window, &client);
    const SIZE off{wanted.cx - client.right, wanted.cy - client.bottom};
    if (off.cx != 0 || off.cy != 0) {
        SetWindowPos(window, nullptr, 0, 0, size.cx + off.cx, size.cy + off.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    std::vector<UniqueFont> fonts;
    LOGFONTW face{};
    if (MessageFontAt(dpi, face)) {
        fonts.emplace_back(CreateFontIndirectW(&face));
    }
    const UniqueDc dc(CreateCompatibleDC(nullptr));
    for (const Control& control : controls) {
        const HWND child = GetDlgItem(window, control.id);
        const Twips& at = control.place;
        const SIZE box{TwipsToPixels(at.width, dpi), TwipsToPixels(at.height, dpi)};
        SetWindowPos(child, nullptr, TwipsToPixels(at.left, dpi), TwipsToPixels(at.top, dpi),
                     box.cx, box.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        if (fonts.empty() || !fonts.front()) {
            continue;  // the controls keep the system font
        }
        HFONT font = fonts.front().get();
        const auto room = RoomFor(control, box, dpi);
        if (room && dc && !Fits(dc.get(), font, *room)) {
            fonts.push_back(LargestFitting(dc.get(), face, *room));
            font = fonts.back().get();
        }
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    return fonts;
}

HBRUSH PaintColours(HDC dc, int id, std::span<const Colours> colours) {
    for (const Colours& entry : colours) {
        if (entry.id != id) {
            continue;
        }
        const COLORREF text = ResolveColour(entry.text);
        COLORREF background = ResolveColour(entry.background);
        // A fixed text colour on a system colour that classic schemes of Windows XP to 7 let a
        // user set light or dark: where the pair would be hard to read, the text goes on black.
        if (IsSystemColour(entry.background) && !IsSystemColour(entry.text) &&
            !Readable(text, background)) {
            background = kBlack;
        }
        SetTextColor(dc, text);
        SetBkColor(dc, background);
        SetDCBrushColor(dc, background);
        return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    }
    return nullptr;
}

HBRUSH PaintInWindowColours(HDC dc) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
}

}  // namespace ui
