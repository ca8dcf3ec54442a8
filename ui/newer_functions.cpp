#include "newer_functions.h"

#include <iterator>
#include <string>

namespace ui {
namespace {

// The functions newer than Windows 7 SP1; each is null where the running Windows lacks it.
struct NewerFunctions {
    // Windows 8, or 7 with KB2533623.
    BOOL(WINAPI* set_default_dll_directories)(DWORD flags);
    // Windows 10 1607, all three.
    UINT(WINAPI* get_dpi_for_window)(HWND window);
    BOOL(WINAPI* adjust_window_rect_ex_for_dpi)(RECT*, DWORD style, BOOL, DWORD ex_style, UINT);
    BOOL(WINAPI* system_parameters_info_for_dpi)(UINT action, UINT, void*, UINT, UINT dpi);
};

template <typename Function>
void Find(Function*& function, const wchar_t* module, const char* name) {
#ifdef VORLAX_AS_ON_WINDOWS_7
    // The test build that behaves as on Windows 7 finds none of them, so that every fallback runs.
    (void)module, (void)name;
    function = nullptr;
#else
    // kernel32 and user32 are loaded from System32 before the program starts.
    function = reinterpret_cast<Function*>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(module), name)));
#endif
}

UINT SystemDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

const NewerFunctions& Newer() {
    static const NewerFunctions newer = [] {
        NewerFunctions found{};
        Find(found.set_default_dll_directories, L"kernel32.dll", "SetDefaultDllDirectories");
        Find(found.get_dpi_for_window, L"user32.dll", "GetDpiForWindow");
        Find(found.adjust_window_rect_ex_for_dpi, L"user32.dll", "AdjustWindowRectExForDpi");
        Find(found.system_parameters_info_for_dpi, L"user32.dll", "SystemParametersInfoForDpi");
        return found;
    }();
    return newer;
}

}  // namespace

void RestrictDllSearch() {
    if (Newer().set_default_dll_directories != nullptr &&
        Newer().set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (Newer().set_default_dll_directories != nullptr) {
        return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Windows 7 without KB2533623 refuses LOAD_LIBRARY_SEARCH_SYSTEM32: name the file in full,
    // and have the DLL's own imports found beside it first.
    wchar_t folder[MAX_PATH]{};
    const UINT length = GetSystemDirectoryW(folder, static_cast<UINT>(std::size(folder)));
    if (length == 0 || length >= std::size(folder)) {
        return nullptr;
    }
    const std::wstring path = std::wstring(folder, length) + L'\\' + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

UINT WindowDpi(HWND window) {
    if (Newer().get_dpi_for_window != nullptr) {
        return Newer().get_dpi_for_window(window);
    }
    return SystemDpi();
}

void AdjustFrame(RECT& frame, DWORD style, DWORD ex_style, UINT dpi) {
    if (Newer().adjust_window_rect_ex_for_dpi != nullptr) {
        Newer().adjust_window_rect_ex_for_dpi(&frame, style, FALSE, ex_style, dpi);
        return;
    }
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
}

bool MessageFontAt(UINT dpi, LOGFONTW& font) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (Newer().system_parameters_info_for_dpi != nullptr) {
        if (!Newer().system_parameters_info_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics),
                                                    &metrics, 0, dpi)) {
            return false;
        }
        font = metrics.lfMessageFont;
        return true;
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        return false;
    }
    // The system gives the font at the system DPI; Windows 8.1 may draw a window at another.
    font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return true;
}

}  // namespace ui
