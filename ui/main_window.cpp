#include "main_window.h"

#include "demo/messages.h"
#include "message_box.h"
#include "open_dialog.h"
#include "resource.h"

namespace ui {

// In tab order: Fix, the display, Open File, Exit, Info.
const Control MainWindow::kControls[] = {
    {kFix, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, L"&Fix", {1845, 1800, 2415, 495}},
    {kDisplay,
     L"EDIT",
     ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP,
     WS_EX_CLIENTEDGE,
     L"",
     {-15, 1440, 6135, 285}},
    {kOpen, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, L"&Open File", {2445, 960, 1215, 375}},
    {kExit, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, L"&Exit", {4680, 2640, 1335, 495}},
    {kInfo, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, L"&Info", {120, 2640, 1335, 495}},
    {kImage1, L"STATIC", SS_OWNERDRAW, 0, L"", {1560, 2640, 2955, 435}},
};

const Colours MainWindow::kColours[] = {
    {kFix, kBlack, kBlack},
    {kOpen, kBlack, kBlack},
    {kExit, kBlack, kBlack},
    {kInfo, kBlack, kBlack},
    {kDisplay, kSystemWindowText, kSystemWindow},
};

MainWindow::MainWindow(demo::RepairController& controller, InfoWindow& info)
    : controller_(controller), info_(info) {}

bool MainWindow::Create() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto icon = [instance](int metric) {
        const int size = GetSystemMetrics(metric);
        return static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, LR_SHARED));
    };
    Window::Create(L"Vorlax Demo Fixer v1.0.",
                   WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, icon(SM_CXICON),
                   icon(SM_CXSMICON));
    if (hwnd_ == nullptr) {
        return false;
    }
    ShowWindow(hwnd_, SW_SHOWDEFAULT);
    SetFocus(GetDlgItem(hwnd_, kFix));
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
            LoadCreditPicture();
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
            info_.Show();
            break;
        case kExit:
            OnExit();
            break;
    }
}

void MainWindow::OnOpen() {
    const auto path = AskForDemo(hwnd_);
    if (!path) {
        return;
    }
    if (controller_.OpenDemo(*path) && !SetDlgItemTextW(hwnd_, kDisplay, path->c_str())) {
        ShowMessage(demo::message::kCannotOpen);
    }
}

// Ends the program at once: with both windows gone the message loop ends, and the armed demo,
// if any, is closed unwritten when the controller goes.
void MainWindow::OnExit() {
    info_.Close();
    DestroyWindow(hwnd_);
}

// The picture is decoded once the window has been drawn, so that it appears without waiting for
// COM and WIC to load.
void MainWindow::DrawCreditPicture(const DRAWITEMSTRUCT& item) {
    if (!credit_picture_requested_) {
        credit_picture_requested_ = true;
        PostMessageW(hwnd_, kLoadCreditPicture, 0, 0);
    }
    FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (credit_picture_) {
        DrawPicture(item.hDC, item.rcItem, credit_picture_.get());
    }
}

void MainWindow::LoadCreditPicture() {
    credit_picture_ = ui::LoadCreditPicture(GetModuleHandleW(nullptr), IDR_CREDIT_PICTURE);
    InvalidateRect(GetDlgItem(hwnd_, kImage1), nullptr, FALSE);
}

}  // namespace ui
