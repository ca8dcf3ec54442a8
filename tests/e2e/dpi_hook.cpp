// Loaded into the program by the DPI test's hook. Wine never sends WM_DPICHANGED: the test writes
// the suggested rectangle into the program's memory and sends this message instead, and here, in
// the program's thread, it becomes the message Windows sends.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    DeliverDpiChange(int code, WPARAM wparam, LPARAM lparam) {
    const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && call.message == RegisterWindowMessageW(L"Vorlax DPI changed")) {
        SendMessageW(call.hwnd, WM_DPICHANGED, call.wParam, call.lParam);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
