#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "contrast_theme.h"
#include "demo/unique_resource.h"
#include "layout.h"
#include "newer_functions.h"

namespace ui {

// The program runs while any of its windows is open.
void WindowOpened();
void WindowClosed();

// WM_DPICHANGED, which Windows 8.1 and later send; the headers declare it only for them.
inline constexpr UINT kDpiChanged = 0x02E0;

// What the program's two windows share: the window procedure thunk, the layout in twips at the
// window's DPI, the fonts, the colours (or a contrast theme's), the open-window count, and the
// keyboard as a dialog box has it. `Derived` supplies kClassName, kClientTwips, kControls,
// kColours, OnCommand(id) and HandleMessage().
template <typename Derived>
class Window {
public:
    HWND hwnd() const { return hwnd_; }

protected:
    // The window class, registered with the first window, goes with this object; its icons
    // after it, unless a window of the class is left (at the program's end), which still shows
    // them.
    ~Window() {
        if (registered_ && !UnregisterClassW(Derived::kClassName, GetModuleHandleW(nullptr))) {
            icon_.release();
            small_icon_.release();
        }
    }

    // `icon_id`: the icon resource the window shows, or 0 for none.
    HWND Create(const wchar_t* caption, DWORD style, DWORD ex_style, int icon_id) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof(window_class);
        if (!GetClassInfoExW(instance, Derived::kClassName, &window_class)) {
            icon_ = LoadIconOfSize(instance, icon_id, SM_CXICON);
            small_icon_ = LoadIconOfSize(instance, icon_id, SM_CXSMICON);
            window_class.lpfnWndProc = &Window::Procedure;
            window_class.hInstance = instance;
            window_class.hIcon = icon_.get();
            window_class.hIconSm = small_icon_.get();
            window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            window_class.lpszClassName = Derived::kClassName;
            registered_ = RegisterClassExW(&window_class) != 0;
        }
        return CreateWindowExW(ex_style, Derived::kClassName, caption, style, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               instance, static_cast<Derived*>(this));
    }

    // Everything the two windows handle alike; the rest goes to DefWindowProcW.
    LRESULT HandleCommon(UINT message, WPARAM wparam, LPARAM lparam) {
        switch (message) {
            case WM_CREATE:
                WindowOpened();
                contrast_ = ContrastThemeOn();
                CreateControls(hwnd_, Derived::kControls);
                ApplyDpi(WindowDpi(hwnd_));
                return 0;
            case WM_NCDESTROY:
                // The window may be made again: nothing of this one is kept.
                focus_ = nullptr;
                fonts_.clear();
                WindowClosed();
                break;
            case kDpiChanged:
                OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
                return 0;
            case WM_ACTIVATE:
                OnActivate(LOWORD(wparam));
                return 0;
            case DM_GETDEFID:
                return DefaultButton();
            case WM_COMMAND:
                if (HIWORD(wparam) == BN_CLICKED) {
                    static_cast<Derived*>(this)->OnCommand(LOWORD(wparam));
                }
                return 0;
            case WM_ERASEBKGND:
                if (contrast_) {
                    RECT client{};
                    GetClientRect(hwnd_, &client);
                    FillRect(reinterpret_cast<HDC>(wparam), &client,
                             GetSysColorBrush(COLOR_WINDOW));
                    return TRUE;
                }
                break;
            case WM_SETTINGCHANGE:
                if (wparam != SPI_SETHIGHCONTRAST) {
                    break;
                }
                [[fallthrough]];
            case WM_SYSCOLORCHANGE:
            case WM_THEMECHANGED:
                OnColoursChanged();
                break;
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORBTN: {
                const auto dc = reinterpret_cast<HDC>(wparam);
                if (const HBRUSH brush =
                        contrast_ ? PaintInWindowColours(dc)
                                  : PaintColours(dc, GetDlgCtrlID(reinterpret_cast<HWND>(lparam)),
                                                 Derived::kColours)) {
                    return reinterpret_cast<LRESULT>(brush);
                }
                break;
            }
        }
        return DefWindowProcW(hwnd_, message, wparam, lparam);
    }

    bool contrast() const { return contrast_; }

    HWND hwnd_ = nullptr;

private:
    using UniqueIcon = demo::UniqueNullHandle<HICON, DestroyIcon>;

    // Each size its own image, owned here: a shared load would give every size the first one
    // loaded, scaled.
    static UniqueIcon LoadIconOfSize(HINSTANCE instance, int icon_id, int size_metric) {
        if (icon_id == 0) {
            return {};
        }
        const int size = GetSystemMetrics(size_metric);
        return UniqueIcon(static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(icon_id), IMAGE_ICON, size, size, 0)));
    }

    // The theme may have been switched on, off or to another one: everything is drawn again in
    // its colours, at once. The controls hear of new system colours from their parent.
    void OnColoursChanged() {
        contrast_ = ContrastThemeOn();
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
        }
        RedrawWindow(hwnd_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }

    void ApplyDpi(UINT dpi) {
        fonts_ = LayOut(hwnd_, dpi, Derived::kClientTwips, Derived::kControls);
    }

    void OnDpiChanged(UINT dpi, const RECT& suggested) {
        SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top,
                     suggested.right - suggested.left, suggested.bottom - suggested.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyDpi(dpi);
    }

    // The focused control is kept while the window is inactive and given back when it is
    // active again; the first time, the focus goes to the first control in tab order.
    void OnActivate(WORD state) {
        if (state == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus != nullptr && IsChild(hwnd_, focus)) {
                focus_ = focus;
            }
            return;
        }
        if (focus_ == nullptr || !IsWindow(focus_)) {
            focus_ = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
        }
        SetFocus(focus_);
    }

    // Enter presses the focused push button; elsewhere the dialog manager sends IDOK, which no
    // control has.
    LRESULT DefaultButton() const {
        const HWND focus = GetFocus();
        if (focus == nullptr || !IsChild(hwnd_, focus) ||
            (SendMessageW(focus, WM_GETDLGCODE, 0, 0) &
             (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) == 0) {
            return 0;
        }
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
    }

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam,
                                      LPARAM lparam) noexcept {
        auto* self = reinterpret_cast<Derived*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_NCCREATE) {
            self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        if (self == nullptr) {
            return DefWindowProcW(hwnd, message, wparam, lparam);
        }
        const LRESULT result = self->HandleMessage(message, wparam, lparam);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    }

    UniqueIcon icon_, small_icon_;
    bool registered_ = false;
    std::vector<UniqueFont> fonts_;
    HWND focus_ = nullptr;
    bool contrast_ = false;
};

}  // namespace ui
