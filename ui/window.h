#pragma once

#include <windows.h>

#include <span>

#include "layout.h"

namespace ui {

// The program runs while any of its windows is open.
void WindowOpened();
void WindowClosed();

// What the program's two windows share: the window procedure thunk, the layout in twips at the
// window's DPI, the message font, the colours and the open-window count. `Derived` supplies
// kClassName, kClientTwips, kControls, kColours, OnCommand(id) and HandleMessage().
template <typename Derived>
class Window {
public:
    HWND hwnd() const { return hwnd_; }

protected:
    HWND Create(const wchar_t* caption, DWORD style, DWORD ex_style, HICON icon, HICON small_icon) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof(window_class);
        if (!GetClassInfoExW(instance, Derived::kClassName, &window_class)) {
            window_class.lpfnWndProc = &Window::Procedure;
            window_class.hInstance = instance;
            window_class.hIcon = icon;
            window_class.hIconSm = small_icon;
            window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            window_class.lpszClassName = Derived::kClassName;
            RegisterClassExW(&window_class);
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
                CreateControls(hwnd_, Derived::kControls);
                ApplyDpi();
                return 0;
            case WM_NCDESTROY:
                WindowClosed();
                break;
            case WM_DPICHANGED:
                OnDpiChanged(*reinterpret_cast<const RECT*>(lparam));
                return 0;
            case WM_COMMAND:
                if (HIWORD(wparam) == BN_CLICKED) {
                    static_cast<Derived*>(this)->OnCommand(LOWORD(wparam));
                }
                return 0;
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORBTN:
                if (const HBRUSH brush = PaintColours(reinterpret_cast<HDC>(wparam),
                                                      GetDlgCtrlID(reinterpret_cast<HWND>(lparam)),
                                                      Derived::kColours)) {
                    return reinterpret_cast<LRESULT>(brush);
                }
                break;
        }
        return DefWindowProcW(hwnd_, message, wparam, lparam);
    }

    HWND hwnd_ = nullptr;

private:
    void ApplyDpi() {
        font_ = MessageFont(GetDpiForWindow(hwnd_));
        LayOut(hwnd_, Derived::kClientTwips, Derived::kControls, font_.get());
    }

    void OnDpiChanged(const RECT& suggested) {
        SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top,
                     suggested.right - suggested.left, suggested.bottom - suggested.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyDpi();
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

    UniqueFont font_;
};

}  // namespace ui
