#include "message_box.h"

#include <windows.h>

#include <string>

namespace ui {

void ShowMessage(std::wstring_view text) {
    const std::wstring line(text);
    const HWND active = GetActiveWindow();
    // Task-modal without an owner disables all the program's windows, the unowned Info included.
    MessageBoxW(nullptr, line.c_str(), kAppTitle, MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
    // An ownerless box hands the activation to no one when it closes: give it back.
    if (active != nullptr && IsWindow(active)) {
        SetForegroundWindow(active);
    }
}

}  // namespace ui
