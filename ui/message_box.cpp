#include "message_box.h"

#include <vector>

#include "demo/wide_string.h"

namespace ui {
namespace {

// Disables the program's other enabled windows for its lifetime: an owned box disables only its
// owner, and no action may start in the Info window while a message is up.
class OtherWindowsDisabled {
public:
    explicit OtherWindowsDisabled(HWND owner) : owner_(owner) {
        EnumThreadWindows(GetCurrentThreadId(), &OtherWindowsDisabled::Disable,
                          reinterpret_cast<LPARAM>(this));
    }
    OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
    OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;
    ~OtherWindowsDisabled() {
        for (const HWND window : disabled_) {
            if (IsWindow(window)) {
                EnableWindow(window, TRUE);
            }
        }
    }

private:
    static BOOL CALLBACK Disable(HWND window, LPARAM self_pointer) {
        auto& self = *reinterpret_cast<OtherWindowsDisabled*>(self_pointer);
        if (window != self.owner_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            self.disabled_.push_back(window);
        }
        return TRUE;
    }

    HWND owner_;
    std::vector<HWND> disabled_;
};

}  // namespace

void ShowMessage(HWND owner, std::wstring_view text) {
    const demo::WideString line(text.data(), text.size());
    const OtherWindowsDisabled others(owner);
    // Owned, the box stays above its window, comes forward with it and, when dismissed, hands
    // the activation back to it.
    MessageBoxW(owner, line.c_str(), kAppTitle, MB_OK | MB_APPLMODAL);
}

}  // namespace ui
