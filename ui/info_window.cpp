#include "info_window.h"

namespace ui {

// Two spaces after "nuffed." belong to the text.
const Control InfoWindow::kControls[] = {
    {kClose,
     L"BUTTON",
     WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP,
     0,
     L"Close",
     {120, 2880, 4455, 255}},
    {kLabel1,
     L"STATIC",
     WS_VISIBLE | SS_LEFT,
     0,
     L"This program is to help some of you that when playing Vorlax and you lag out or game "
     L"crash's when hitting a wall and you were recording a demo and when you play it back it "
     L"doesn't play cause the time of the demo is nuffed.  So I hope this program helps some "
     L"people, it changes time of a demo to very long period of time and then you can play your "
     L"demo back of what got recorded. This won't fix every problem in a demo but one very "
     L"common prob. Njoy!!",
     {353, 360, 3975, 1935}},
    {kLabel2,
     L"STATIC",
     WS_VISIBLE | SS_LEFT,
     0,
     L"Released July 22th 2002",
     {360, 2400, 3975, 375}},
};

const Colours InfoWindow::kColours[] = {
    {kClose, kBlack, kBlack},
    {kLabel1, 0x00FF00, kSystemWindowText},
    {kLabel2, 0x00C000, kBlack},
};

void InfoWindow::Show(HWND opener) {
    opener_ = opener;
    if (hwnd_ == nullptr) {
        // No icon of its own, and the modal frame keeps the caption free of the default one.
        Create(L"Info", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 0);
    }
    if (hwnd_ == nullptr) {
        return;
    }
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
}

void InfoWindow::Close() {
    if (hwnd_ == nullptr) {
        return;
    }
    // An unowned window that closes hands the activation to whichever window is next, maybe
    // another program's: give it back to the window it was opened from while this one is up.
    if (GetActiveWindow() == hwnd_ && IsWindow(opener_) && IsWindowEnabled(opener_)) {
        SetActiveWindow(opener_);
    }
    DestroyWindow(hwnd_);
}

LRESULT InfoWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CLOSE) {  // the frame's close command
        Close();
        return 0;
    }
    return HandleCommon(message, wparam, lparam);
}

// Esc (IDCANCEL) closes the window as its Close button does.
void InfoWindow::OnCommand(int id) {
    if (id == kClose || id == IDCANCEL) {
        Close();
    }
}

}  // namespace ui
