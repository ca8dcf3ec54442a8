#include <windows.h>

#include "info_window.h"
#include "main_window.h"
#include "newer_functions.h"

namespace {

// Keyboard navigation (Tab, access keys) for whichever of the program's windows has the message.
int RunMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        const HWND window = GetAncestor(message.hwnd, GA_ROOT);
        if (window != nullptr && IsDialogMessageW(window, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // A program run from a Downloads folder must not load DLLs planted beside it.
    ui::RestrictDllSearch();

    ui::InfoWindow info;
    ui::MainWindow main_window(demo::SystemDemoFiles(), info);
    if (!main_window.Create()) {
        return 1;
    }
    return RunMessageLoop();
}
