#include "message_box.h"

#include <windows.h>

#include <string>

namespace ui {

void ShowMessage(std::wstring_view text) {
    const std::wstring line(text);
    // Task-modal without an owner disables all the program's windows, the unowned Info included.
    MessageBoxW(nullptr, line.c_str(), kAppTitle, MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace ui
