#include <windows.h>

#include <commctrl.h>

#include "info_window.h"
#include "main_window.h"
#include "newer_functions.h"
#include "system_library.h"

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

// The manifest asks for Common Controls 6, whose buttons, fields and message boxes Windows XP's
// user32 makes only once comctl32 has registered them. Loaded by name, so that the manifest binds
// version 6 (by its System32 path it would be 5), and once the DLL search is restricted: a DLL
// imported at start has its own imports (uxtheme, for one) looked for beside the program first.
// It stays loaded, as its classes must.
void RegisterCommonControls() {
    using InitCommonControlsExFunction = BOOL WINAPI(const INITCOMMONCONTROLSEX*);
    const auto initialize = ui::ExportedFunction<InitCommonControlsExFunction>(
        LoadLibraryW(L"comctl32.dll"), "InitCommonControlsEx");
    const INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_STANDARD_CLASSES};
    if (initialize != nullptr) {
        initialize(&classes);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // A program run from a Downloads folder must not load DLLs planted beside it.
    ui::RestrictDllSearch();
    RegisterCommonControls();

    ui::InfoWindow info;
    ui::MainWindow main_window(demo::SystemDemoFiles(), info);
    if (!main_window.Create()) {
        return 1;
    }
    return RunMessageLoop();
}
