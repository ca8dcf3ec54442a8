#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "ui/info_window.h"
#include "ui/main_window.h"

// Drives the real program from outside, as a person would: finds its windows, presses its
// buttons, answers its dialogs and reads what it says.
class AppDriver {
public:
    static inline std::filesystem::path exe;  // set by main() from the command line

    explicit AppDriver(const std::filesystem::path& program = exe);
    AppDriver(const AppDriver&) = delete;
    AppDriver& operator=(const AppDriver&) = delete;
    ~AppDriver();

    HWND main_window() const { return main_; }
    HWND Control(int id) const { return GetDlgItem(main_, id); }
    void Click(HWND window, int id) const;
    void Click(int id) const { Click(main_, id); }

    // The first top-level window of the program with this class and caption, waiting for it.
    HWND WaitForWindow(const wchar_t* window_class, const wchar_t* caption) const;
    HWND FindWindowNow(const wchar_t* window_class, const wchar_t* caption) const;
    int CountWindows(const wchar_t* window_class, const wchar_t* caption) const;

    // Open File: answers the Open dialog with `path`, or cancels it.
    void OpenFile(const std::filesystem::path& path) const;
    void CancelOpenFile() const;
    // Opens `path` and waits for it to be armed: its path shown, no message up.
    bool Arm(const std::filesystem::path& path) const;

    // The text of the message box now up (waiting for it), which is then left open.
    std::wstring MessageText() const;
    // Reads the message box's text and presses its OK button.
    std::wstring DismissMessage() const;
    // Presses a main-window button and returns the message it shows, dismissed.
    std::wstring PressForMessage(int id) const {
        Click(id);
        return DismissMessage();
    }
    bool MessageIsUp() const;

    std::wstring DisplayText() const { return Text(Control(ui::MainWindow::kDisplay)); }
    bool WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    static std::wstring Text(HWND window);

private:
    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

// Runs `command` in `folder` and waits for it to end.
bool RunToEnd(std::wstring command, const std::filesystem::path& folder);

// Polls `done` until it holds or `timeout` passes; returns whether it held.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        Sleep(15);
    }
    return true;
}
