#pragma once

#include "window.h"

namespace ui {

// frmInfo: what the program is for and when it was released. Modeless, unowned, at most one.
class InfoWindow : public Window<InfoWindow> {
public:
    enum : int { kClose = 200, kLabel1, kLabel2 };

    static constexpr const wchar_t* kClassName = L"frmInfo";
    static constexpr SIZE kClientTwips{4680, 3195};
    static const Control kControls[3];
    static const Colours kColours[3];

    // Creates the window if none is open, and brings it to the front. When it closes, the
    // activation goes back to `opener`.
    void Show(HWND opener);
    void Close();

    void OnCommand(int id);
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

private:
    HWND opener_ = nullptr;
};

}  // namespace ui
