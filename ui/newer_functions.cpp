#include "newer_functions.h"

#include <versionhelpers.h>
#include <wincodec.h>

#include <cstddef>
#include <initializer_list>
#include <iterator>

#include "demo/wide_string.h"
#include "system_library.h"

namespace ui {
namespace {

// The functions newer than Windows XP; each is null where the running Windows lacks it.
struct NewerFunctions {
    // Windows 8, or 7 with KB2533623 (taken on 7 and later only: see RestrictDllSearch).
    BOOL(WINAPI* set_default_dll_directories)(DWORD flags);
    // Windows 10 1607, all three.
    UINT(WINAPI* get_dpi_for_window)(HWND window);
    BOOL(WINAPI* adjust_window_rect_ex_for_dpi)(RECT*, DWORD style, BOOL, DWORD ex_style, UINT);
    BOOL(WINAPI* system_parameters_info_for_dpi)(UINT action, UINT, void*, UINT, UINT dpi);
};

template <typename Function>
void Find(Function*& function, HMODULE module, const char* name) {
#ifdef VORLAX_AS_ON_XP
    // The test build that behaves as on Windows XP finds none of them, so that every fallback
    // runs.
    (void)module, (void)name;
    function = nullptr;
#else
    function = ExportedFunction<Function>(module, name);
#endif
}

UINT SystemDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<UINT>(dpi) : kUnscaledDpi;
}

const NewerFunctions& Newer() {
    static const NewerFunctions newer = [] {
        // kernel32 and user32 are loaded from System32 before the program starts.
        const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        NewerFunctions found{};
        // On Vista, KB2533623 brings it too, but there it has been seen to break later COM
        // activations: the Open dialog and the credit picture need COM.
        if (IsWindows7OrGreater()) {
            Find(found.set_default_dll_directories, kernel32, "SetDefaultDllDirectories");
        }
        Find(found.get_dpi_for_window, user32, "GetDpiForWindow");
        Find(found.adjust_window_rect_ex_for_dpi, user32, "AdjustWindowRectExForDpi");
        Find(found.system_parameters_info_for_dpi, user32, "SystemParametersInfoForDpi");
        return found;
    }();
    return newer;
}

// Windows 8.1, and 10 before 1607, draw a per-monitor aware window at its monitor's DPI but have
// no GetDpiForWindow: shcore tells the monitor's.
UINT MonitorDpi(HWND window) {
    using GetDpiForMonitorFunction = HRESULT WINAPI(HMONITOR, int type, UINT* x, UINT* y);
    static const SystemLibrary shcore(L"shcore.dll");
    static GetDpiForMonitorFunction* const get_dpi_for_monitor = [] {
        GetDpiForMonitorFunction* found = nullptr;
        Find(found, shcore.get(), "GetDpiForMonitor");
        return found;
    }();
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    UINT dpi = 0, unused = 0;
    if (get_dpi_for_monitor == nullptr ||
        FAILED(get_dpi_for_monitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST),
                                   kEffectiveDpi, &dpi, &unused)) ||
        dpi == 0) {
        return SystemDpi();
    }
    return dpi;
}

// Where the search cannot be restricted, it still looks beside the program first for a DLL that a
// system DLL loads by name, unless one of that name is loaded already (a DLL's base name is
// checked first). Those that are no known DLL there are taken from System32 before they are
// first needed, and kept; missing ones are skipped, with the loader's error boxes off.
bool search_restricted = false;

void TakeFromSystem32(std::initializer_list<const wchar_t*> names) {
    if (search_restricted) {
        return;
    }
    const UINT mode = SetErrorMode(0);
    SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    for (const wchar_t* name : names) {
        LoadSystemLibrary(name);
    }
    SetErrorMode(mode);
}

}  // namespace

void RestrictDllSearch() {
    search_restricted = Newer().set_default_dll_directories != nullptr &&
                        Newer().set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!search_restricted) {
        SetDllDirectoryW(L"");
    }
    // Those loaded by name on every path of the program, from its start on.
    TakeFromSystem32({
        L"apphelp.dll",    // the compatibility engine's, Vista and later
        L"dwmapi.dll",     // by uxtheme, on Vista and 7
        L"uxtheme.dll",    // by comctl32 6
        L"version.dll",    // no known DLL on 7
        L"cryptbase.dll",  // by advapi32, on 7
        L"userenv.dll",    // the user's profile, with the next one on 7
        L"profapi.dll",
        L"clbcatq.dll",  // by ole32, for COM; no known DLL on XP
        L"oleacc.dll",   // for screen readers, whenever one asks
        L"uiautomationcore.dll",
    });
}

void PrepareOpenDialog() {
    // The Open dialog's (on Vista and 7 the Common Item Dialog's: explorerframe, duser, dui70),
    // the shell's under it, and setupapi, for its drives and devices.
    TakeFromSystem32({L"propsys.dll", L"explorerframe.dll", L"duser.dll", L"dui70.dll",
                      L"linkinfo.dll", L"ntshrui.dll", L"cscapi.dll", L"srvcli.dll",
                      L"setupapi.dll"});
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (Newer().set_default_dll_directories != nullptr) {
        return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Without KB2533623, LOAD_LIBRARY_SEARCH_SYSTEM32 is refused: name the file in full, and
    // have the DLL's own imports found beside it first.
    wchar_t folder[MAX_PATH]{};
    const UINT length = GetSystemDirectoryW(folder, static_cast<UINT>(std::size(folder)));
    if (length == 0 || length >= std::size(folder)) {
        return nullptr;
    }
    const demo::WideString path = demo::WideString(folder, length) + L'\\' + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

UINT WindowDpi(HWND window) {
    if (Newer().get_dpi_for_window != nullptr) {
        return Newer().get_dpi_for_window(window);
    }
    return MonitorDpi(window);
}

void AdjustFrame(RECT& frame, DWORD style, DWORD ex_style, UINT dpi) {
    if (Newer().adjust_window_rect_ex_for_dpi != nullptr) {
        Newer().adjust_window_rect_ex_for_dpi(&frame, style, FALSE, ex_style, dpi);
        return;
    }
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
}

bool MessageFontAt(UINT dpi, LOGFONTW& font) {
    // Vista added iPaddedBorderWidth after the message font, and XP refuses a size that counts
    // it; whichever size the headers give, the Vista one is asked first and XP's after.
    constexpr UINT kXpSize = offsetof(NONCLIENTMETRICSW, lfMessageFont) + sizeof(LOGFONTW);
    struct {
        NONCLIENTMETRICSW metrics;
        int room_for_the_vista_member;
    } buffer{};
    const auto get = [&](UINT size) {
        buffer.metrics.cbSize = size;
        if (Newer().system_parameters_info_for_dpi != nullptr) {
            return Newer().system_parameters_info_for_dpi(SPI_GETNONCLIENTMETRICS, size, &buffer, 0,
                                                          dpi) != FALSE;
        }
        return SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, size, &buffer, 0) != FALSE;
    };
#ifdef VORLAX_AS_ON_XP
    const bool got = get(kXpSize);  // as XP answers the Vista size
#else
    const bool got = get(kXpSize + sizeof(int)) || get(kXpSize);
#endif
    if (!got) {
        return false;
    }
    font = buffer.metrics.lfMessageFont;
    if (Newer().system_parameters_info_for_dpi == nullptr) {
        // The system gives the font at the system DPI; the window may be drawn at another.
        font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    }
    return true;
}

HRESULT CreateImagingFactory(IWICImagingFactory** factory) {
#ifdef VORLAX_AS_ON_XP
    (void)factory;
    return REGDB_E_CLASSNOTREG;  // what COM answers where WIC is missing
#else
    const auto create_instance = StartCom();
    if (create_instance == nullptr) {
        return E_FAIL;
    }
    // WIC's first factory, which Windows XP and Vista have too, as wincodec.h names it: defined
    // here, since Visual Studio's libraries hold WIC's identifiers in windowscodecs.lib only.
    constexpr CLSID kImagingFactory1{
        0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
    constexpr IID kImagingFactoryInterface{
        0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
    return create_instance(kImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                           kImagingFactoryInterface, reinterpret_cast<void**>(factory));
#endif
}

}  // namespace ui
