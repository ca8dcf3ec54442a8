#include "main_window.h"

#include <iterator>

#include "demo/messages.h"
#include "message_box.h"
#include "resource.h"

namespace ui {

// In tab order: Fix, the display, Open File, Exit, Info.
const Control MainWindow::kControls[] = {
    {kFix, L"BUTTON", WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, 0, L"&Fix", {1845, 1800, 2415, 495}},
    // Never shown: screen readers name an edit field after the static text created before it.
    {kDisplayName, L"STATIC", SS_LEFT, 0, L"Demo to fix", {-15, 1440, 6135, 285}},
    {kDisplay,
     L"EDIT",
     WS_VISIBLE | ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP,
     WS_EX_CLIENTEDGE,
     L"",
     {-15, 1440, 6135, 285}},
    {kOpen,
     L"BUTTON",
     WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP,
     0,
     L"&Open File",
     {2445, 960, 1215, 375}},
    {kExit,
     L"BUTTON",
     WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP,
     0,
     L"&Exit",
     {4680, 2640, 1335, 495}},
    {kInfo,
     L"BUTTON",
     WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP,
     0,
     L"&Info",
     {120, 2640, 1335, 495}},
    // The text is what the credit picture says, for screen readers: owner drawing hides it.
    {kImage1,
     L"STATIC",
     WS_VISIBLE | SS_OWNERDRAW,
     0,
     L"Vorlax Demo Fixer 1.0, made by players, for players",
     {1560, 2640, 2955, 435}},
};

const Colours MainWindow::kColours[] = {
    {kFix, kBlack, kBlack},
    {kOpen, kBlack, kBlack},
    {kExit, kBlack, kBlack},
    {kInfo, kBlack, kBlack},
    {kDisplay, kSystemWindowText, kSystemWindow},
};

MainWindow::MainWindow(demo::DemoFiles& files, InfoWindow& info)
    : controller_(files, [this](std::wstring_view text) { ShowMessage(hwnd_, text); }),
      info_(info) {}

bool MainWindow::Create() {
    Window::Create(L"Vorlax Demo Fixer v1.0.",
                   WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, IDI_APP);
    if (hwnd_ == nullptr) {
        return false;
    }
    ShowWindow(hwnd_, SW_SHOWDEFAULT);
    return true;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_DRAWITEM:
            if (wparam != kImage1) {
                break;
            }
            DrawCreditPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        case kLoadCreditPicture:
            LoadCreditPicture(static_cast<int>(wparam));
            return 0;
    }
    return HandleCommon(message, wparam, lparam);
}

void MainWindow::OnCommand(int id) {
    switch (id) {
        case kOpen:
            OnOpen();
            break;
        case kFix:
            controller_.FixDemo();
            break;
        case kInfo:
            info_.Show(hwnd_);
            break;
        case kExit:
            OnExit();
            break;
    }
}

void MainWindow::OnOpen() {
    const auto path = open_dialog_.Show(hwnd_);
    if (!path) {
        return;
    }
    if (controller_.OpenDemo(path->c_str()) && !ShowArmedPath(*path)) {
        ShowMessage(hwnd_, demo::message::kCannotOpen);
    }
}

// A path longer than the field shows its end, the file name; all of it stays in the field to
// select and copy.
bool MainWindow::ShowArmedPath(const demo::WideString& path) {
    const HWND display = GetDlgItem(hwnd_, kDisplay);
    if (!SetWindowTextW(display, path.c_str())) {
        return false;
    }
    const auto end = static_cast<WPARAM>(path.size());
    SendMessageW(display, EM_SETSEL, end, end);
    SendMessageW(display, EM_SCROLLCARET, 0, 0);
    return true;
}

// Ends the program at once: with both windows gone the message loop ends, and the armed demo,
// if any, is closed unwritten when the controller goes.
void MainWindow::OnExit() {
    info_.Close();
    DestroyWindow(hwnd_);
}

// The picture is decoded once the window has been drawn, so that it appears without waiting for
// COM and WIC to load, and again when the window moves to a DPI that has a sharper one.
void MainWindow::DrawCreditPicture(const DRAWITEMSTRUCT& item) {
    if (contrast()) {
        DrawCreditWords(item, GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW));
        return;
    }
    const int wanted = CreditPictureFor(
        {item.rcItem.right - item.rcItem.left, item.rcItem.bottom - item.rcItem.top});
    if (wanted != credit_picture_id_) {
        credit_picture_id_ = wanted;
        PostMessageW(hwnd_, kLoadCreditPicture, static_cast<WPARAM>(wanted), 0);
    }
    if (credit_picture_) {
        DrawPicture(item.hDC, item.rcItem, credit_picture_.get());
    } else if (credit_picture_missing_) {
        DrawCreditWords(item, kCreditWordsColour, kBlack);
    } else {
        FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
}

// What the picture says, centred: in a contrast theme, or where it cannot be decoded.
void MainWindow::DrawCreditWords(const DRAWITEMSTRUCT& item, COLORREF text, COLORREF background) {
    wchar_t words[128]{};
    GetWindowTextW(item.hwndItem, words, static_cast<int>(std::size(words)));
    SetDCBrushColor(item.hDC, background);
    FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const HGDIOBJ previous = SelectObject(
        item.hDC, reinterpret_cast<HGDIOBJ>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    SetTextColor(item.hDC, text);
    SetBkMode(item.hDC, TRANSPARENT);
    constexpr UINT kFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    RECT box = item.rcItem;
    DrawTextW(item.hDC, words, -1, &box, kFormat | DT_CALCRECT);
    const LONG height = box.bottom - box.top;
    box = item.rcItem;
    box.top += (box.bottom - box.top - height) / 2;
    DrawTextW(item.hDC, words, -1, &box, kFormat);
    SelectObject(item.hDC, previous);
}

void MainWindow::LoadCreditPicture(int resource_id) {
    credit_picture_ = ui::LoadCreditPicture(GetModuleHandleW(nullptr), resource_id);
    credit_picture_missing_ = !credit_picture_;
    InvalidateRect(GetDlgItem(hwnd_, kImage1), nullptr, FALSE);
}

}  // namespace ui
