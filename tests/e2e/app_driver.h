#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <vector>

#include "desktop_settings.h"
#include "ui/info_window.h"
#include "ui/main_window.h"

using Handle = std::unique_ptr<void, decltype(&CloseHandle)>;

// What the foreground window is, for failure messages: its title, its program's path, and
// whether keys sent from here can reach it.
inline std::wstring Foreground() {
    const HWND window = GetForegroundWindow();
    DWORD id = 0, size = MAX_PATH;
    GetWindowThreadProcessId(window, &id);
    const Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id), CloseHandle);
    // An elevated process lets an unelevated one ask no more than that (so may a protected or
    // another user's process), and Windows drops input sent to its windows and says nothing.
    const bool above = !Handle(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id), CloseHandle) &&
                       GetLastError() == ERROR_ACCESS_DENIED;
    wchar_t title[256]{}, image[MAX_PATH] = L"a program not named to this one";
    GetWindowTextW(window, title, 256);  // another program's: no message is sent
    QueryFullProcessImageNameW(process.get(), 0, image, &size);
    return !window ? L"no window"
                   : L"\"" + (title + (L"\" of " + std::wstring(image))) +
                         (above ? L", which may have more rights: keys may not reach it" : L"");
}

// Polls `done` until it holds or `timeout` passes. Its failure says what was in the foreground
// then; the caller adds what did not come.
template <typename Condition>
testing::AssertionResult WaitUntil(Condition done,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    for (const auto deadline = std::chrono::steady_clock::now() + timeout; !done(); Sleep(15)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return testing::AssertionFailure()
                   << "in " << timeout.count() << " ms (in front: " << Foreground() << "), no ";
        }
    }
    return testing::AssertionSuccess();
}
// As WaitUntil, then checks that `done` still holds half a second later: the window system's own
// events can undo a change a moment later.
template <typename Condition>
testing::AssertionResult WaitUntilSettled(
    Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    auto came = WaitUntil(done, timeout);
    Sleep(came ? 500 : 0);
    return !came || done() ? came
                           : testing::AssertionFailure()
                                 << "half a second later (in front: " << Foreground() << "), no ";
}

// The folder of this test program, which holds its helpers and data files.
inline std::filesystem::path TestFolder() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

// Drives the real program from outside, as a person would: finds its windows, presses its
// buttons and keys, answers its dialogs and reads what it says.
class AppDriver {
public:
    explicit AppDriver(const std::filesystem::path& program) : program_(program) {
        // Under Wine without a window manager, a program stamps its X focus requests with the X
        // server's time until it has read an X input event, and with message times after that;
        // the server ignores a request stamped earlier than the last focus change. Input sent
        // from here never passes through X, so a window popping up under the pointer would
        // switch the program from one kind of stamp to the other in mid-test, and its main
        // window would lose the focus to nobody. The pointer is kept where the program never
        // puts a window. (On Windows that corner is the taskbar's Show desktop button.)
        if (UnderWine()) {
            SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring command = L"\"" + program.wstring() + L"\"";
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                            nullptr, nullptr, &startup, &process_)) {
            throw std::runtime_error("cannot start " + program.string());
        }
        // The program may take the foreground, as a program the user starts may: this process
        // hands it on, after a press of Alt, which Windows takes as the user's and after which it
        // lets the foreground change (LockSetForegroundWindow, Remarks); that Alt is enough is
        // common practice, not documented. Ctrl goes between, so that Alt alone does not open
        // the system menu of whichever window gets it.
        SendKeys({VK_MENU, VK_CONTROL});
        // Fails where this process may not set the foreground itself; GetLastError says why.
        allow_error_ = AllowSetForegroundWindow(process_.dwProcessId) ? 0 : GetLastError();
        ResumeThread(process_.hThread);
        main_ = WaitForWindow(L"frmVorlax", L"Vorlax Demo Fixer v1.0.");
        // Windows handles the keys above in its own time. A program that stays behind is
        // brought forward, as a user would, for the tests; only CameForward's test fails.
        came_forward_ = WaitUntil([&] { return GetForegroundWindow() == main_; },
                                  std::chrono::seconds(UnderWine() ? 10 : 2))
                        << "main window in front at start";
        if (!came_forward_) {
            std::fprintf(stderr, "%s did not come to the foreground at start: the test brings it\n",
                         program.string().c_str());
            BringToFront(main_);
        }
    }
    AppDriver(const AppDriver&) = delete;

    HWND main_window() const { return main_; }
    HWND Control(int id) const { return GetDlgItem(main_, id); }
    // Posted, because the click may open a modal window that a sent message would wait on.
    void Click(HWND window, int id) const {
        PostMessageW(window, WM_COMMAND, id, reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    }
    void Click(int id) const { Click(main_, id); }
    // The control with the keyboard focus.
    HWND Focus() const {
        ThrowIfEnded();
        GUITHREADINFO info{sizeof(info), 0, {}, {}, {}, {}, {}, {}, {}};
        GetGUIThreadInfo(process_.dwThreadId, &info);
        return info.hwndFocus;
    }
    // Keys pressed together, then let go in reverse, as the user presses them: through the
    // system's input queue, to the focused control of the program, which must be in front.
    void Press(std::initializer_list<WORD> keys) const { SendKeys(keys, process_.dwProcessId); }

    // Brings `window` to the foreground as the user would switch to it, given half a second each
    // time, trying again where Windows refuses or a window manager hands the activation back
    // within half a second; throws, saying why, if it stays behind.
    void BringToFront(HWND window) const {
        int refused = 0;  // SetForegroundWindow sets no last error
        const auto in_front = [&] { return GetForegroundWindow() == window; };
        const auto brought = [&] {
            SendKeys({VK_MENU, VK_CONTROL});  // see the constructor
            refused += !SetForegroundWindow(window);
            return WaitUntilSettled(in_front, std::chrono::milliseconds(500));
        };
        if (!WaitUntil(brought)) {
            throw Failure(L"SetForegroundWindow refused " + std::to_wstring(refused) + L" times" +
                          L"; AllowSetForegroundWindow: error " + std::to_wstring(allow_error_));
        }
    }
    // Whether the main window came to the foreground of itself as the program started. Where it
    // did not, the driver brought it forward, and said so on the standard error.
    const testing::AssertionResult& CameForward() const { return came_forward_; }
    // Why this process could not hand the foreground on to the program (AllowSetForegroundWindow's
    // error), where it could not: then Windows lets no program it starts take the foreground.
    DWORD foreground_refusal() const { return allow_error_; }

    testing::AssertionResult Focused(HWND control) const {
        return WaitUntil([&] { return Focus() == control; })
               << "focus on control " << GetDlgCtrlID(control);
    }
    // Waits until `window` is the foreground window with `control` focused, and stays so.
    testing::AssertionResult Settled(HWND window, HWND control) const {
        return WaitUntilSettled(
                   [&] { return Focus() == control && GetForegroundWindow() == window; })
               << "window \"" << Text(window) << "\" in front, control " << GetDlgCtrlID(control)
               << " focused (now control " << GetDlgCtrlID(Focus()) << ")";
    }

    // The program's visible top-level windows with this class and caption (any, where null).
    std::vector<HWND> Windows(const wchar_t* window_class, const wchar_t* caption) const {
        ThrowIfEnded();
        std::vector<HWND> found;
        for (HWND window = nullptr;
             (window = FindWindowExW(nullptr, window, window_class, caption)) != nullptr;) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == process_.dwProcessId && IsWindowVisible(window)) {
                found.push_back(window);
            }
        }
        return found;
    }
    // Waits for one; throws if none comes.
    HWND WaitForWindow(const wchar_t* window_class, const wchar_t* caption) const {
        std::vector<HWND> found;
        if (!WaitUntil([&] { return !(found = Windows(window_class, caption)).empty(); })) {
            throw Failure(std::wstring(L"no window \"") + caption + L"\" came up");
        }
        return found.front();
    }
    HWND OpenInfo() const {
        return Click(ui::MainWindow::kInfo), WaitForWindow(L"frmInfo", L"Info");
    }
    // Opens the Info window and puts it in the screen's top-left corner with the main window
    // just right of it, so that neither covers the other. The Info window stays active.
    HWND OpenInfoBesideMain() const {
        const HWND info = OpenInfo();
        RECT box{};
        GetWindowRect(info, &box);
        SetWindowPos(info, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowPos(main_, nullptr, box.right - box.left, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return info;
    }

    // Moves the main window to a monitor of `dpi`, as Windows tells a window: WM_DPICHANGED, with
    // the `suggested` rectangle; returns once the program has handled it.
    void MoveToDpi(int dpi, RECT suggested) const {
        AskInside(L"Vorlax DPI changed", MAKEWPARAM(dpi, dpi), suggested);
    }
    // The sizes of the main window's icons, the large one and the small one.
    std::array<SIZE, 2> IconSizes() const {
        std::array<SIZE, 2> sizes{};
        return AskInside(L"Vorlax icons", 0, sizes), sizes;
    }
    DWORD process_id() const { return process_.dwProcessId; }

    // Open File: the Open dialog, once it has the focus.
    HWND ShowOpenDialog() const {
        return Click(ui::MainWindow::kOpen), WaitForActive(kDialogClass, L"Open");
    }
    // Types `path` into the Open `dialog` (or keeps the name it starts with, when `path` is
    // empty) and presses Open, or the `button` given; waits for the dialog to close.
    testing::AssertionResult Confirm(HWND dialog, const std::filesystem::path& path = {},
                                     int button = IDOK) const {
        if (!path.empty()) {
            // Typed into the edit field inside: a combo box under Wine, a ComboBoxEx around one
            // in the dialog of Windows Vista and later.
            HWND name = GetDlgItem(dialog, 0x47C);  // cmb13
            while (const HWND inside = FindWindowExW(name, nullptr, nullptr, nullptr)) {
                name = inside;
            }
            SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        }
        PostMessageW(dialog, WM_COMMAND, button, 0);
        return WaitUntil([&] { return !IsWindow(dialog); }) << "Open dialog closed";
    }
    // Opens `path` and waits for it to be armed: its path shown, which no message comes with.
    testing::AssertionResult Arm(const std::filesystem::path& path) const {
        const auto opened = Confirm(ShowOpenDialog(), path);
        return !opened ? opened
                       : WaitUntil([&] { return DisplayText() == path.wstring(); })
                             << "path shown: " << path.wstring();
    }

    // The message box now up, once it has the focus.
    HWND WaitForMessage() const { return WaitForActive(kDialogClass, kMessageCaption); }
    // Waits for a message box, presses its OK and returns its text; or, where the box does not
    // look as every message of the program must, says how.
    std::wstring DismissMessage() const {
        const HWND box = WaitForMessage();
        const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
        int buttons = 0, icons = 0;
        for (HWND child = nullptr;
             (child = FindWindowExW(box, child, nullptr, nullptr)) != nullptr;) {
            const bool shown = IsWindowVisible(child);
            buttons += shown && (SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) != 0;
            icons += shown && SendMessageW(child, STM_GETICON, 0, 0) != 0;
        }
        // As the program must show every message: one OK button and no icon, owned by the main
        // window and blocking it, not above other programs' windows, the only one.
        const std::pair<bool, const wchar_t*> faults[] = {
            {buttons != 1, L"not one button"},
            {Text(GetDlgItem(box, IDOK)) != L"OK", L"no OK button"},
            {icons != 0, L"an icon"},
            {GetWindow(box, GW_OWNER) != main_, L"not owned by the main window"},
            {IsWindowEnabled(main_) != FALSE, L"the main window not blocked"},
            {(GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, L"above other programs"},
            {Windows(kDialogClass, kMessageCaption).size() != 1, L"not the only one"}};
        for (const auto& [fault, what] : faults) {
            if (fault) {
                return text + L" <in a box: " + what + L">";
            }
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return WaitUntil([&] { return !IsWindow(box); }) ? text : text + L" <not dismissed>";
    }

    std::wstring DisplayText() const { return Text(Control(ui::MainWindow::kDisplay)); }
    // Whether the program has ended of itself within 10 s, with exit code 0.
    testing::AssertionResult EndedCleanly() const {
        DWORD code = 0;
        if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
            return testing::AssertionFailure() << "the program still runs after 10 s";
        }
        if (!GetExitCodeProcess(process_.hProcess, &code)) {
            return testing::AssertionFailure() << "no exit code, error " << GetLastError();
        }
        return testing::AssertionResult(code == 0)
               << "the program ended with exit code " << Hex(code);
    }

    static std::wstring Text(HWND window) {
        wchar_t text[2048]{};
        SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
        return text;
    }

private:
    static constexpr wchar_t kDialogClass[] = L"#32770";
    static constexpr wchar_t kMessageCaption[] = L"Vorlax Demo Fixer";

    // Has the hook loaded into the program (program_hook.dll) handle the registered `message`
    // there, with `data` copied into the program's memory and back: what Wine lets no other
    // process do or read (WM_DPICHANGED, a window class's icons).
    template <typename Data>
    void AskInside(const wchar_t* message, WPARAM wparam, Data& data) const {
        static const HMODULE hooks = LoadLibraryW((TestFolder() / L"program_hook.dll").c_str());
        static const auto handle = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(GetProcAddress(hooks, "HandleInside")));
        const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, handle, hooks, process_.dwThreadId);
        void* inside =
            VirtualAllocEx(process_.hProcess, nullptr, sizeof(data), MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(process_.hProcess, inside, &data, sizeof(data), nullptr);
        SendMessageW(main_, RegisterWindowMessageW(message), wparam,
                     reinterpret_cast<LPARAM>(inside));
        ReadProcessMemory(process_.hProcess, inside, &data, sizeof(data), nullptr);
        VirtualFreeEx(process_.hProcess, inside, 0, MEM_RELEASE);
        UnhookWindowsHookEx(hook);
    }

    static std::wstring Hex(DWORD code) {
        wchar_t text[16]{};
        std::swprintf(text, std::size(text), L"0x%lX", code);
        return text;
    }
    static std::runtime_error Failure(const std::wstring& what) {
        return std::runtime_error(
            std::filesystem::path(what + L"; in the foreground: " + Foreground()).string());
    }
    // As Press, to whichever window has the focus, or only to `to_process`'s, if it is in front.
    static void SendKeys(std::initializer_list<WORD> keys, DWORD to_process = 0) {
        std::vector<INPUT> input(2 * keys.size());
        for (std::size_t down = 0, up = input.size() - 1; down < keys.size(); ++down, --up) {
            input[down].type = input[up].type = INPUT_KEYBOARD;
            input[down].ki.wVk = input[up].ki.wVk = keys.begin()[down];
            input[up].ki.dwFlags = KEYEVENTF_KEYUP;
        }
        // Keys sent to another program's window would go astray; where Windows drops them, unseen.
        DWORD owner = 0;
        GetWindowThreadProcessId(GetForegroundWindow(), &owner);
        if (to_process != 0 && owner != to_process) {
            throw Failure(L"no key was sent: the program is not in front");
        }
        if (const auto count = static_cast<UINT>(input.size());
            SendInput(count, input.data(), sizeof(INPUT)) != count) {
            throw Failure(L"SendInput refused the keys, error " + std::to_wstring(GetLastError()));
        }
    }
    // Waits for a window of this class and caption that is active with a control of its own
    // focused, so that keys reach it; throws if none comes.
    HWND WaitForActive(const wchar_t* window_class, const wchar_t* caption) const {
        const HWND window = WaitForWindow(window_class, caption);
        if (!WaitUntil(
                [&] { return IsChild(window, Focus()) && GetForegroundWindow() == window; })) {
            throw Failure(std::wstring(L"no window \"") + caption + L"\" came to the foreground");
        }
        return window;
    }
    // Throws if the program has ended (crashed, most likely), naming it: every wait checks,
    // through Focus() or Windows().
    void ThrowIfEnded() const {
        DWORD code = 0;
        if (GetExitCodeProcess(process_.hProcess, &code) && code != STILL_ACTIVE) {
            throw Failure(program_.wstring() + L" ended, with exit code " + Hex(code));
        }
    }

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
    testing::AssertionResult came_forward_ = testing::AssertionSuccess();
};
