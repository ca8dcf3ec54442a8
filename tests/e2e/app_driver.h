#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/info_window.h"
#include "ui/main_window.h"

// Drives the real program from outside, as a person would: finds its windows, presses its
// buttons and keys, answers its dialogs and reads what it says.
class AppDriver {
public:
    // The builds under test, from the command line: the program, then its Windows 7 double.
    static inline std::vector<std::filesystem::path> programs;

    explicit AppDriver(const std::filesystem::path& program = programs.front());
    AppDriver(const AppDriver&) = delete;
    AppDriver& operator=(const AppDriver&) = delete;
    ~AppDriver();

    HWND main_window() const { return main_; }
    HWND Control(int id) const { return GetDlgItem(main_, id); }
    // Posted, because the click may open a modal window that a sent message would wait on.
    void Click(HWND window, int id) const {
        PostMessageW(window, WM_COMMAND, id, reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    }
    void Click(int id) const { Click(main_, id); }
    // The control with the keyboard focus, and a key pressed on it.
    HWND Focus() const;
    void Press(WORD key) const;

    // The program's visible top-level windows with this class and caption.
    std::vector<HWND> Windows(const wchar_t* window_class, const wchar_t* caption) const;
    HWND WaitForWindow(const wchar_t* window_class, const wchar_t* caption) const;
    HWND OpenInfo() const;

    // Open File: types `path` into the Open dialog (or keeps the name it starts with, when
    // `path` is empty) and presses Open; or cancels the dialog.
    void OpenFile(const std::filesystem::path& path = {}) const;
    void CancelOpenFile() const;
    // Opens `path` and waits for it to be armed: its path shown, no message up.
    bool Arm(const std::filesystem::path& path) const;

    // The text of the message box now up (waiting for it); Dismiss also presses its OK.
    std::wstring MessageText() const;
    std::wstring DismissMessage() const;
    bool MessageIsUp() const;

    std::wstring DisplayText() const { return Text(Control(ui::MainWindow::kDisplay)); }
    bool WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    static std::wstring Text(HWND window);

private:
    HWND ShowOpenDialog() const;

    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

// The display settings of the Wine prefix, as a user sets them, for the programs started while
// this lives: the DPI and, optionally, the message font. The defaults come back afterwards.
class DisplaySettings {
public:
    explicit DisplaySettings(DWORD dpi, const wchar_t* font_face = nullptr, int points = 0);
    DisplaySettings(const DisplaySettings&) = delete;
    DisplaySettings& operator=(const DisplaySettings&) = delete;
    ~DisplaySettings();
};

// The folder of this test program, which holds its helpers and data files.
std::filesystem::path TestFolder();

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
