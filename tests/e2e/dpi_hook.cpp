// Loaded into the program by the DPI test's hook. Wine never sends WM_DPICHANGED, whose rectangle
// must lie in the program's own memory, and hands hooks a message sent from another process as it
// was sent: the test sends the suggested rectangle, then the new DPI, as plain numbers, and here,
// in the program's thread, they become the message Windows sends.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    DeliverDpiChange(int code, WPARAM wparam, LPARAM lparam) {
    static RECT suggested{};
    const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && call.message == RegisterWindowMessageW(L"Vorlax suggested place")) {
        // Left and top, then right and bottom.
        suggested = {
            static_cast<short>(LOWORD(call.wParam)), static_cast<short>(HIWORD(call.wParam)),
            static_cast<short>(LOWORD(call.lParam)), static_cast<short>(HIWORD(call.lParam))};
    } else if (code == HC_ACTION && call.message == RegisterWindowMessageW(L"Vorlax new DPI")) {
        SendMessageW(call.hwnd, WM_DPICHANGED, MAKEWPARAM(call.wParam, call.wParam),
                     reinterpret_cast<LPARAM>(&suggested));
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
