// Starts the program with its Info window open beside the main window, prints both windows'
// screen rectangles, then keeps them up until a line arrives on standard input. Used by
// the screenshot script.
#include <cstdio>

#include "app_driver.h"

namespace {

void Print(const char* name, HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    std::printf("%s %ld %ld %ld %ld\n", name, box.left, box.top, box.right - box.left,
                box.bottom - box.top);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM.exe\n", argv[0]);
        return 2;
    }
    AppDriver::exe = std::filesystem::absolute(argv[1]);
    AppDriver app;
    app.Click(ui::MainWindow::kInfo);
    const HWND info = app.WaitForWindow(L"frmInfo", L"Info");
    if (info == nullptr) {
        return 1;
    }
    RECT main_box{};
    GetWindowRect(app.main_window(), &main_box);
    SetWindowPos(app.main_window(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(info, nullptr, 20 + (main_box.right - main_box.left) + 20, 20, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    Sleep(500);
    Print("main", app.main_window());
    Print("info", info);
    std::fflush(stdout);
    std::getchar();
    return 0;
}
