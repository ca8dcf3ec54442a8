#pragma once

#include <wincodec.h>
#include <windows.h>

namespace ui {

// Windows XP lacks some functions and components the program uses where they exist: per-window
// and per-monitor DPI, a DLL search restricted to System32, and WIC. These look them up at run
// time and otherwise fall back on what XP has.

// The DPI at which Windows draws unscaled: USER_DEFAULT_SCREEN_DPI, declared for Vista and later.
inline constexpr UINT kUnscaledDpi = 96;

// Keeps DLLs planted beside the program from being loaded: DLLs are searched for in System32
// only or, without SetDefaultDllDirectories, at least never in the current folder, and those
// that system DLLs load by name on every path of the program are taken from System32 now.
void RestrictDllSearch();

// Without SetDefaultDllDirectories, takes from System32 the DLLs that the Open dialog loads by
// name, before it first shows (again later, when they are loaded already, it costs only a
// reference count).
void PrepareOpenDialog();

// Loads a DLL from System32 and nowhere else.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The DPI `window` is drawn at: its own, its monitor's, or the system's where Windows cannot tell.
UINT WindowDpi(HWND window);

// AdjustWindowRectEx at `dpi`.
void AdjustFrame(RECT& frame, DWORD style, DWORD ex_style, UINT dpi);

// The system's message font at `dpi`.
bool MessageFontAt(UINT dpi, LOGFONTW& font);

// WIC's imaging factory, through COM. A plain Windows XP has no WIC: it comes with .NET 3.0 or
// the XPS pack.
HRESULT CreateImagingFactory(IWICImagingFactory** factory);

}  // namespace ui
