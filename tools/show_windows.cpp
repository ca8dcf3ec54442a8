// Starts the program with its Info window open beside the main window, prints both windows'
// screen rectangles, then keeps them up until a line arrives on standard input. Used by the
// screenshot script. With a DPI (and a message font), the program runs with those settings; with
// "dark", in the window and button colours of a dark contrast theme.
// Usage: show_windows PROGRAM.exe [DPI [FONT_FACE POINTS]] [dark]
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <optional>

#include "app_driver.h"

namespace {

void Print(const char* name, HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    std::printf("%s %ld %ld %ld %ld\n", name, box.left, box.top, box.right - box.left,
                box.bottom - box.top);
}

int Show(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: show_windows PROGRAM.exe [DPI [FONT_FACE POINTS]] [dark]\n");
        return 2;
    }
    // A dark contrast theme's window and button colours.
    const bool dark = std::wcscmp(argv[argc - 1], L"dark") == 0;
    argc -= dark ? 1 : 0;
    std::optional<AppDriver> app;
    {  // the program reads them as it starts
        const Restore colours =
            dark ? WithSystemColours(RGB(0, 0, 0), RGB(255, 255, 255)) : Restore();
        const Restore settings = argc > 2 ? WithDisplaySettings(std::wcstoul(argv[2], nullptr, 10),
                                                                argc > 4 ? argv[3] : nullptr,
                                                                argc > 4 ? _wtoi(argv[4]) : 0)
                                          : Restore();
        app.emplace(std::filesystem::absolute(argv[1]));
    }
    const HWND info = app->OpenInfoBesideMain();
    Sleep(500);
    Print("main", app->main_window());
    Print("info", info);
    std::fflush(stdout);
    std::getchar();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Caught, so that the driver ends the program as it goes.
    try {
        return Show(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "show_windows: %s\n", failure.what());
        return 1;
    }
}
