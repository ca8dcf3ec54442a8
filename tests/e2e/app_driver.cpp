#include "app_driver.h"

#include <stdexcept>
#include <vector>

namespace {

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMessageCaption[] = L"Vorlax Demo Fixer";
constexpr int kMessageTextId = 0xFFFF;
// The Open dialog's file-name box: a combo box (cmb13) on current dialogs, an edit (edt1) on old.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;

struct Search {
    DWORD process;
    const wchar_t* window_class;
    const wchar_t* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t window_class[64]{};
    GetClassNameW(window, window_class, static_cast<int>(std::size(window_class)));
    if (process == search.process && IsWindowVisible(window) &&
        std::wstring(window_class) == search.window_class &&
        AppDriver::Text(window) == search.caption) {
        search.found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD process, const wchar_t* window_class,
                                  const wchar_t* caption) {
    Search search{process, window_class, caption, {}};
    EnumWindows(&Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Starts `command` with `folder` as its current folder (ours when empty).
bool StartProcess(std::wstring command, const std::filesystem::path& folder,
                  PROCESS_INFORMATION& process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process) != 0;
}

}  // namespace

bool RunToEnd(std::wstring command, const std::filesystem::path& folder) {
    PROCESS_INFORMATION process{};
    if (!StartProcess(std::move(command), folder, process)) {
        return false;
    }
    const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

AppDriver::AppDriver(const std::filesystem::path& program) {
    if (!StartProcess(L"\"" + program.wstring() + L"\"", {}, process_)) {
        throw std::runtime_error("cannot start the program");
    }
    WaitForInputIdle(process_.hProcess, 10000);
    main_ = WaitForWindow(L"frmVorlax", L"Vorlax Demo Fixer v1.0.");
    if (main_ == nullptr) {
        throw std::runtime_error("the main window did not appear");
    }
}

AppDriver::~AppDriver() {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

std::wstring AppDriver::Text(HWND window) {
    wchar_t text[2048]{};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &copied)) {
        return L"<no answer>";
    }
    return std::wstring(text, copied);
}

void AppDriver::Click(HWND window, int id) const {
    // Posted, because the click may open a modal window that a sent message would wait on.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

HWND AppDriver::FindWindowNow(const wchar_t* window_class, const wchar_t* caption) const {
    const auto found = TopLevelWindows(process_.dwProcessId, window_class, caption);
    return found.empty() ? nullptr : found.front();
}

int AppDriver::CountWindows(const wchar_t* window_class, const wchar_t* caption) const {
    return static_cast<int>(TopLevelWindows(process_.dwProcessId, window_class, caption).size());
}

HWND AppDriver::WaitForWindow(const wchar_t* window_class, const wchar_t* caption) const {
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindWindowNow(window_class, caption)) != nullptr; });
    return window;
}

void AppDriver::OpenFile(const std::filesystem::path& path) const {
    Click(ui::MainWindow::kOpen);
    const HWND dialog = WaitForWindow(kDialogClass, L"Open");
    if (dialog == nullptr) {
        throw std::runtime_error("the Open dialog did not appear");
    }
    HWND name = GetDlgItem(dialog, kFileNameCombo);
    if (name == nullptr) {
        name = GetDlgItem(dialog, kFileNameEdit);
    }
    SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(dialog); });
}

void AppDriver::CancelOpenFile() const {
    Click(ui::MainWindow::kOpen);
    const HWND dialog = WaitForWindow(kDialogClass, L"Open");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(dialog); });
}

bool AppDriver::Arm(const std::filesystem::path& path) const {
    OpenFile(path);
    return WaitUntil([&] { return DisplayText() == path.wstring(); }) && !MessageIsUp();
}

bool AppDriver::MessageIsUp() const {
    return FindWindowNow(kDialogClass, kMessageCaption) != nullptr;
}

std::wstring AppDriver::MessageText() const {
    const HWND box = WaitForWindow(kDialogClass, kMessageCaption);
    return box != nullptr ? Text(GetDlgItem(box, kMessageTextId)) : L"<no message>";
}

std::wstring AppDriver::DismissMessage() const {
    const HWND box = WaitForWindow(kDialogClass, kMessageCaption);
    if (box == nullptr) {
        return L"<no message>";
    }
    const std::wstring text = Text(GetDlgItem(box, kMessageTextId));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(box); });
    return text;
}

bool AppDriver::WaitForExit(std::chrono::milliseconds timeout) const {
    return WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) ==
           WAIT_OBJECT_0;
}
