// Loaded into the program by the tests' hook, to do there what Wine lets no other process do or
// read. Wine never sends WM_DPICHANGED: the test writes the suggested rectangle into the
// program's memory and sends a message of its own, which becomes, in the program's thread, the
// message Windows sends. Nor does Wine let another process read a window class's icons: their
// sizes are written back into the program's memory, for the test to read.
#include <windows.h>

namespace {

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    BITMAP bitmap{};
    if (icon != nullptr && GetIconInfo(icon, &info)) {
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
    }
    return {bitmap.bmWidth, bitmap.bmHeight};
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    HandleInside(int code, WPARAM wparam, LPARAM lparam) {
    const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && call.message == RegisterWindowMessageW(L"Vorlax DPI changed")) {
        SendMessageW(call.hwnd, WM_DPICHANGED, call.wParam, call.lParam);
    } else if (code == HC_ACTION && call.message == RegisterWindowMessageW(L"Vorlax icons")) {
        auto* sizes = reinterpret_cast<SIZE*>(call.lParam);
        sizes[0] = IconSize(reinterpret_cast<HICON>(GetClassLongPtrW(call.hwnd, GCLP_HICON)));
        sizes[1] = IconSize(reinterpret_cast<HICON>(GetClassLongPtrW(call.hwnd, GCLP_HICONSM)));
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
