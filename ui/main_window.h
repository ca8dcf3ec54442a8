#pragma once

#include "credit_picture.h"
#include "demo/repair_controller.h"
#include "info_window.h"
#include "open_dialog.h"
#include "window.h"

namespace ui {

// frmVorlax: the start-up window with the four actions and the armed demo's path.
class MainWindow : public Window<MainWindow> {
public:
    // Control IDs stay clear of IDOK and IDCANCEL, which Enter and Esc send.
    enum : int { kFix = 100, kDisplay, kOpen, kExit, kInfo, kImage1, kDisplayName };
    // WPARAM: the resource of the credit picture to decode.
    static constexpr UINT kLoadCreditPicture = WM_APP;
    // The colour of the credit picture's first line, for its words where it cannot be decoded.
    static constexpr COLORREF kCreditWordsColour = RGB(0xE8, 0xE8, 0xE8);

    static constexpr const wchar_t* kClassName = L"frmVorlax";
    static constexpr SIZE kClientTwips{6105, 3225};
    static const Control kControls[7];
    static const Colours kColours[5];

    // The repair's messages are owned by this window.
    MainWindow(demo::DemoFiles& files, InfoWindow& info);

    bool Create();

    void OnCommand(int id);
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

private:
    void OnOpen();
    bool ShowArmedPath(const demo::WideString& path);
    void OnExit();
    void DrawCreditPicture(const DRAWITEMSTRUCT& item);
    void DrawCreditWords(const DRAWITEMSTRUCT& item, COLORREF text, COLORREF background);
    void LoadCreditPicture(int resource_id);

    demo::RepairController controller_;
    InfoWindow& info_;
    OpenDialog open_dialog_;
    UniqueBitmap credit_picture_;
    int credit_picture_id_ = 0;            // the picture loaded, or asked for
    bool credit_picture_missing_ = false;  // it could not be decoded
};

}  // namespace ui
