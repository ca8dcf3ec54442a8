#include "layout.h"

namespace ui {

int TwipsToPixels(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

COLORREF ResolveColour(std::uint32_t colour) {
    if ((colour & 0x80000000) != 0) {
        return GetSysColor(static_cast<int>(colour & 0xFF));
    }
    return colour;
}

UniqueFont MessageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
        return UniqueFont(nullptr);
    }
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

void CreateControls(HWND parent, std::span<const Control> controls) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    for (const Control& control : controls) {
        CreateWindowExW(control.ex_style, control.window_class, control.text,
                        WS_CHILD | WS_VISIBLE | control.style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance,
                        nullptr);
    }
}

void LayOut(HWND window, SIZE client_twips, std::span<const Control> controls, HFONT font) {
    const UINT dpi = GetDpiForWindow(window);
    RECT frame{0, 0, TwipsToPixels(client_twips.cx, dpi), TwipsToPixels(client_twips.cy, dpi)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    AdjustWindowRectExForDpi(&frame, style, FALSE, ex_style, dpi);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    for (const Control& control : controls) {
        const HWND child = GetDlgItem(window, control.id);
        const Twips& at = control.place;
        SetWindowPos(child, nullptr, TwipsToPixels(at.left, dpi), TwipsToPixels(at.top, dpi),
                     TwipsToPixels(at.width, dpi), TwipsToPixels(at.height, dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

HBRUSH PaintColours(HDC dc, int id, std::span<const Colours> colours) {
    for (const Colours& entry : colours) {
        if (entry.id == id) {
            SetTextColor(dc, ResolveColour(entry.text));
            SetBkColor(dc, ResolveColour(entry.background));
            SetDCBrushColor(dc, ResolveColour(entry.background));
            return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
        }
    }
    return nullptr;
}

}  // namespace ui
