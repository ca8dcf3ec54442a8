#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ui/info_window.h"
#include "ui/main_window.h"

// Polls `done` until it holds or `timeout` passes; returns whether it held.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    for (const auto deadline = std::chrono::steady_clock::now() + timeout; !done(); Sleep(15)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

// Drives the real program from outside, as a person would: finds its windows, presses its
// buttons and keys, answers its dialogs and reads what it says.
class AppDriver {
public:
    // The builds under test, from the command line: the program, then its Windows XP double.
    static inline std::vector<std::filesystem::path> programs;
    // The double that always sees a contrast theme on.
    static inline std::filesystem::path contrast_program;

    explicit AppDriver(const std::filesystem::path& program = programs.front());
    AppDriver(const AppDriver&) = delete;

    HWND main_window() const { return main_; }
    HWND Control(int id) const { return GetDlgItem(main_, id); }
    // Posted, because the click may open a modal window that a sent message would wait on.
    void Click(HWND window, int id) const {
        PostMessageW(window, WM_COMMAND, id, reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    }
    void Click(int id) const { Click(main_, id); }
    // The control with the keyboard focus.
    HWND Focus() const;
    // Keys pressed together, then let go in reverse, as the user presses them: through the
    // system's input queue, to the focused control of the program, which must be in front.
    void Press(std::initializer_list<WORD> keys) const { SendKeys(keys, process_.dwProcessId); }
    // Brings `window` to the foreground as the user would switch to it, trying again for a while
    // where Windows refuses; throws, saying why, if it stays behind.
    void BringToFront(HWND window) const;
    // Waits until `window` is the foreground window with `control` focused, then checks that it
    // still is half a second later: the window system's own events can undo it a moment later.
    // Returns nothing then; else what is in the foreground.
    std::wstring Unsettled(HWND window, HWND control) const;

    // The program's visible top-level windows with this class and caption.
    std::vector<HWND> Windows(const wchar_t* window_class, const wchar_t* caption) const;
    HWND WaitForWindow(const wchar_t* window_class, const wchar_t* caption) const;
    HWND OpenInfo() const {
        return Click(ui::MainWindow::kInfo), WaitForWindow(L"frmInfo", L"Info");
    }
    // Opens the Info window and puts it in the screen's top-left corner with the main window
    // just right of it, so that neither covers the other. The Info window stays active.
    HWND OpenInfoBesideMain() const;

    // Moves the main window to a monitor of `dpi`, as Windows tells a window: WM_DPICHANGED, with
    // the `suggested` rectangle; returns once the program has handled it.
    void MoveToDpi(int dpi, const RECT& suggested) const;

    // Open File: the Open dialog, once it has the focus.
    HWND ShowOpenDialog() const {
        return Click(ui::MainWindow::kOpen), WaitForActive(kDialogClass, L"Open");
    }
    // Types `path` into the Open `dialog` (or keeps the name it starts with, when `path` is
    // empty) and presses Open; or cancels the dialog. False when the dialog did not close.
    bool Confirm(HWND dialog, const std::filesystem::path& path = {}) const;
    bool OpenFile(const std::filesystem::path& path = {}) const {
        return Confirm(ShowOpenDialog(), path);
    }
    bool CancelOpenFile() const { return PressAndWaitForClose(ShowOpenDialog(), IDCANCEL); }

    // Opens `path` and waits for it to be armed: its path shown, which no message comes with.
    bool Arm(const std::filesystem::path& path) const {
        return OpenFile(path) && WaitUntil([&] { return DisplayText() == path.wstring(); });
    }

    // The message box now up, once it has the focus.
    HWND WaitForMessage() const { return WaitForActive(kDialogClass, kMessageCaption); }
    // Waits for a message box, presses its OK and returns its text; or, where the box does not
    // look as every message of the program must, says so.
    std::wstring DismissMessage() const;
    // What the foreground window is, for failure messages: its title, its program's path, and
    // whether keys sent from here can reach it.
    static std::wstring Foreground();

    std::wstring DisplayText() const { return Text(Control(ui::MainWindow::kDisplay)); }
    // Whether the program ends within 10 s (the wait gives WAIT_OBJECT_0, 0).
    bool WaitForExit() const { return WaitForSingleObject(process_.hProcess, 10000) == 0; }

    static std::wstring Text(HWND window);

private:
    static constexpr wchar_t kDialogClass[] = L"#32770";
    // As Press, to whichever window has the focus, or only to `to_process`'s, if it is in front.
    static void SendKeys(std::initializer_list<WORD> keys, DWORD to_process = 0);
    static constexpr wchar_t kMessageCaption[] = L"Vorlax Demo Fixer";
    // Presses `button` of a dialog and waits for the dialog to close.
    static bool PressAndWaitForClose(HWND dialog, int button) {
        PostMessageW(dialog, WM_COMMAND, button, 0);
        return dialog != nullptr && WaitUntil([&] { return !IsWindow(dialog); });
    }
    // Waits for a window of this class and caption that is active with a control of its own
    // focused, so that keys reach it; throws if none comes.
    HWND WaitForActive(const wchar_t* window_class, const wchar_t* caption) const;
    // Throws if the program has ended (crashed, most likely), naming it: every wait checks, through
    // Focus() or Windows().
    void ThrowIfEnded() const;

    std::filesystem::path program_;
    PROCESS_INFORMATION process_{};
    // Ends the program if it still runs when the driver goes, from a constructor that throws too.
    const std::shared_ptr<void> end_{
        nullptr, [this](void*) {
            TerminateProcess(process_.hProcess, 1);  // fails where it has ended, or never started
            WaitForSingleObject(process_.hProcess, 10000);
            CloseHandle(process_.hThread), CloseHandle(process_.hProcess);
        }};
    HWND main_ = nullptr;
    DWORD allow_error_ = 0;  // why AllowSetForegroundWindow failed, if it did
};

// Whether this runs under Wine rather than on Windows.
bool UnderWine();

// Undoes a change to the system's settings when it goes: no pointer, only the deleter that undoes
// it (none in an empty one).
using Restore = std::shared_ptr<void>;

// The display settings of the Wine prefix, as a user sets them, for the programs started while
// the result lives: the DPI and, optionally, the message font. On Windows nothing changes: it
// reads them at sign-in only, and they are the user's own.
[[nodiscard]] Restore WithDisplaySettings(DWORD dpi, const wchar_t* face = nullptr, int points = 0);

// The system colours of windows and buttons, for the programs started while the result lives
// (Wine keeps a running program's as they were): `window` for backgrounds, `text` for texts.
[[nodiscard]] Restore WithSystemColours(COLORREF window, COLORREF text);

// ctest's steps around the end-to-end tests (tests/CMakeLists.txt): `step` "save" writes the
// system colours that the tests change for the whole session to `file`, "restore" puts them back
// from it, whatever happened between, a test process killed included. Returns an exit code.
int KeepColours(std::string_view step, const std::filesystem::path& file);

// The folder of this test program, which holds its helpers and data files.
std::filesystem::path TestFolder();
