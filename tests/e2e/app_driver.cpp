#include "app_driver.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <stdexcept>

using namespace std::chrono_literals;

namespace {

using Handle = std::unique_ptr<void, decltype(&CloseHandle)>;
constexpr int kMessageTextId = 0xFFFF;
// The Open dialog's file-name box (cmb13).
constexpr int kFileNameBox = 0x47C;
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kMetricsKey[] = L"Control Panel\\Desktop\\WindowMetrics";
// The system colours the tests change.
constexpr int kColourElements[] = {COLOR_WINDOW, COLOR_BTNFACE, COLOR_WINDOWTEXT, COLOR_BTNTEXT};

// The DPI of the programs started next: Wine 8 takes LogPixels; Wine 9 and later keep a DPI for
// each display where Windows keeps its settings, which a program reads as it starts.
void SetDpi(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
    wchar_t device[512];  // \Registry\Machine\System\...\Video\{id}\0000
    for (DWORD i = 0, size = sizeof(device);
         RegGetValueW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\VIDEO",
                      (L"\\Device\\Video" + std::to_wstring(i)).c_str(), RRF_RT_REG_SZ, nullptr,
                      device, &size) == ERROR_SUCCESS;
         ++i, size = sizeof(device)) {
        const std::wstring key = L"System\\CurrentControlSet\\Hardware Profiles\\Current" +
                                 std::wstring(device + std::size(L"\\Registry\\Machine") - 1);
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Dpi", REG_DWORD, &dpi, sizeof(dpi));
    }
}

std::runtime_error Failure(const std::wstring& what) {
    return std::runtime_error(
        std::filesystem::path(what + L"; in the foreground: " + AppDriver::Foreground()).string());
}

}  // namespace

std::filesystem::path TestFolder() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

AppDriver::AppDriver(const std::filesystem::path& program) : program_(program) {
    // Under Wine without a window manager, a program stamps its X focus requests with the X
    // server's time until it has read an X input event, and with message times after that; the
    // server ignores a request stamped earlier than the last focus change. Input sent from here
    // never passes through X, so a window popping up under the pointer would switch the program
    // from one kind of stamp to the other in mid-test, and its main window would lose the focus
    // to nobody. The pointer is kept where the program never puts a window. (On Windows that
    // corner is the taskbar's Show desktop button.)
    if (UnderWine()) {
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + program.wstring() + L"\"";
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &process_)) {
        throw std::runtime_error("cannot start " + program.string());
    }
    // The program may take the foreground, as a program the user starts may: this process hands
    // it on, after a press of Alt, which Windows takes as the user's and after which it lets the
    // foreground change (LockSetForegroundWindow, Remarks); that Alt is enough is common practice,
    // not documented. Ctrl goes between, so that Alt alone does not open the system menu of
    // whichever window gets it.
    SendKeys({VK_MENU, VK_CONTROL});
    // Fails where this process may not set the foreground itself; GetLastError says why.
    allow_error_ = AllowSetForegroundWindow(process_.dwProcessId) ? 0 : GetLastError();
    ResumeThread(process_.hThread);
    main_ = WaitForWindow(L"frmVorlax", L"Vorlax Demo Fixer v1.0.");
    // Windows handles the keys above in its own time, and may refuse the program all the same:
    // there the window is brought forward after a moment, as a user would. Wine refuses nothing.
    if (main_ == nullptr ||
        !WaitUntil([&] { return GetForegroundWindow() == main_; }, UnderWine() ? 10s : 2s)) {
        if (main_ == nullptr || UnderWine()) {
            throw Failure(L"no main window of " + program.wstring() + L" came to the foreground");
        }
        BringToFront(main_);
    }
}

std::wstring AppDriver::Text(HWND window) {
    wchar_t text[2048]{};
    const auto length =
        SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return std::wstring(text, static_cast<std::size_t>(length));
}

HWND AppDriver::Focus() const {
    ThrowIfEnded();
    GUITHREADINFO info{sizeof(info), 0, {}, {}, {}, {}, {}, {}, {}};
    GetGUIThreadInfo(process_.dwThreadId, &info);
    return info.hwndFocus;
}

void AppDriver::SendKeys(std::initializer_list<WORD> keys, DWORD to_process) {
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

void AppDriver::BringToFront(HWND window) const {
    int refused = 0;  // SetForegroundWindow sets no last error
    // As the user would switch to it, given half a second each time.
    const auto brought = [&] {
        SendKeys({VK_MENU, VK_CONTROL});  // see the constructor
        refused += !SetForegroundWindow(window);
        return WaitUntil([&] { return GetForegroundWindow() == window; }, 500ms);
    };
    if (!WaitUntil(brought)) {
        throw Failure(L"SetForegroundWindow refused " + std::to_wstring(refused) + L" times" +
                      L"; AllowSetForegroundWindow: error " + std::to_wstring(allow_error_));
    }
}

std::wstring AppDriver::Foreground() {
    const HWND window = GetForegroundWindow();
    DWORD id = 0, size = MAX_PATH;
    GetWindowThreadProcessId(window, &id);
    const Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id), CloseHandle);
    // An elevated process lets an unelevated one ask no more than that (so may a protected or
    // another user's process), and Windows drops input sent to its windows and says nothing.
    const bool above = !Handle(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id), CloseHandle) &&
                       GetLastError() == ERROR_ACCESS_DENIED;
    wchar_t title[256]{}, image[MAX_PATH] = L"a program not named to this one";
    GetWindowTextW(window, title, static_cast<int>(std::size(title)));  // another's: no message
    QueryFullProcessImageNameW(process.get(), 0, image, &size);
    return window == nullptr
               ? L"no window"
               : L"\"" + (title + (L"\" of " + std::wstring(image))) +
                     (above ? L", which may have more rights: keys may not reach it" : L"");
}

void AppDriver::ThrowIfEnded() const {
    DWORD code = 0;
    if (GetExitCodeProcess(process_.hProcess, &code) && code != STILL_ACTIVE) {
        throw Failure(program_.wstring() + L" ended, with code " + std::to_wstring(code));
    }
}

std::wstring AppDriver::Unsettled(HWND window, HWND control) const {
    const auto holds = [&] { return Focus() == control && GetForegroundWindow() == window; };
    return WaitUntil(holds) && (Sleep(500), holds()) ? L"" : L"in the foreground: " + Foreground();
}

std::vector<HWND> AppDriver::Windows(const wchar_t* window_class, const wchar_t* caption) const {
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

HWND AppDriver::WaitForWindow(const wchar_t* window_class, const wchar_t* caption) const {
    std::vector<HWND> found;
    WaitUntil([&] { return !(found = Windows(window_class, caption)).empty(); });
    return found.empty() ? nullptr : found.front();
}

HWND AppDriver::OpenInfoBesideMain() const {
    const HWND info = OpenInfo();
    RECT box{};
    GetWindowRect(info, &box);
    SetWindowPos(info, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(main_, nullptr, box.right - box.left, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return info;
}

// Wine never sends WM_DPICHANGED, whose rectangle must lie in the program's memory: a hook loaded
// into the program (dpi_hook.dll) turns a message with the rectangle put there into it.
void AppDriver::MoveToDpi(int dpi, const RECT& suggested) const {
    static const HMODULE hooks = LoadLibraryW((TestFolder() / L"dpi_hook.dll").c_str());
    static const auto deliver = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(hooks, "DeliverDpiChange")));
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, deliver, hooks, process_.dwThreadId);
    void* rectangle =
        VirtualAllocEx(process_.hProcess, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    WriteProcessMemory(process_.hProcess, rectangle, &suggested, sizeof(suggested), nullptr);
    SendMessageW(main_, RegisterWindowMessageW(L"Vorlax DPI changed"), MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(rectangle));
    UnhookWindowsHookEx(hook);
}

HWND AppDriver::WaitForActive(const wchar_t* window_class, const wchar_t* caption) const {
    const HWND window = WaitForWindow(window_class, caption);
    if (window == nullptr ||
        !WaitUntil([&] { return IsChild(window, Focus()) && GetForegroundWindow() == window; })) {
        throw Failure(std::wstring(L"no window \"") + caption + L"\" came to the foreground");
    }
    return window;
}

bool AppDriver::Confirm(HWND dialog, const std::filesystem::path& path) const {
    if (!path.empty()) {
        // Typed into the edit field inside: a combo box under Wine, a ComboBoxEx around one in
        // the dialog of Windows Vista and later.
        HWND name = GetDlgItem(dialog, kFileNameBox);
        while (const HWND inside = FindWindowExW(name, nullptr, nullptr, nullptr)) {
            name = inside;
        }
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    return PressAndWaitForClose(dialog, IDOK);
}

std::wstring AppDriver::DismissMessage() const {
    const HWND box = WaitForMessage();
    const std::wstring text = Text(GetDlgItem(box, kMessageTextId));
    // Shown as the program must show every message: one OK button and no icon, owned by the
    // main window and blocking it, not above other programs' windows.
    int buttons = 0, icons = 0;
    for (HWND child = nullptr; (child = FindWindowExW(box, child, nullptr, nullptr)) != nullptr;) {
        const bool shown = IsWindowVisible(child);
        buttons += shown && (SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) != 0;
        icons += shown && SendMessageW(child, STM_GETICON, 0, 0) != 0;
    }
    if (buttons != 1 || Text(GetDlgItem(box, IDOK)) != L"OK" || icons != 0 ||
        GetWindow(box, GW_OWNER) != main_ || IsWindowEnabled(main_) ||
        (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
        return text + L" <in a box not as specified>";
    }
    const bool alone = Windows(kDialogClass, kMessageCaption).size() == 1;
    return alone && PressAndWaitForClose(box, IDOK) ? text : L"<not dismissed>";
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

Restore WithDisplaySettings(DWORD dpi, const wchar_t* face, int points) {
    if (!UnderWine()) {
        return Restore();
    }
    SetDpi(dpi);
    if (face != nullptr) {
        // Stored as at 96 DPI; the system scales it.
        LOGFONTW font{-MulDiv(points, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                      DEFAULT_CHARSET,         0, 0, 0, 0,         {}};
        lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
        RegSetKeyValueW(HKEY_CURRENT_USER, kMetricsKey, L"MessageFont", REG_BINARY, &font,
                        sizeof(font));
    }
    // The prefix's own DPI; without the font, the system takes its default again.
    return Restore(nullptr, [](void*) {
        SetDpi(96);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kMetricsKey, L"MessageFont");
    });
}

Restore WithSystemColours(COLORREF window, COLORREF text) {
    const COLORREF colours[] = {window, window, text, text};
    std::array<COLORREF, 4> saved{};
    std::ranges::transform(kColourElements, saved.begin(), GetSysColor);
    SetSysColors(4, kColourElements, colours);
    return Restore(nullptr, [saved](void*) { SetSysColors(4, kColourElements, saved.data()); });
}

int KeepColours(std::string_view step, const std::filesystem::path& file) {
    std::array<COLORREF, 4> colours{};
    const auto bytes = reinterpret_cast<char*>(colours.data());
    if (step == "save") {
        std::ranges::transform(kColourElements, colours.begin(), GetSysColor);
        return !std::ofstream(file, std::ios::binary).write(bytes, sizeof(colours));
    }
    return !(std::ifstream(file, std::ios::binary).read(bytes, sizeof(colours)) &&
             SetSysColors(4, kColourElements, colours.data()));
}
