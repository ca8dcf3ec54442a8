#pragma once

#include <windows.h>

namespace ui {

// Windows 7 SP1 lacks some functions the program uses where they exist: per-window DPI and a DLL
// search restricted to System32. These look them up at run time and otherwise fall back on
// what Windows 7 has.

// Keeps DLLs planted beside the program from being loaded: DLLs are searched for in System32
// only or, without SetDefaultDllDirectories, at least never in the current folder.
void RestrictDllSearch();

// Loads a DLL from System32 and nowhere else.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The DPI `window` is drawn at: its own, or the system's where Windows cannot tell.
UINT WindowDpi(HWND window);

// AdjustWindowRectEx at `dpi`.
void AdjustFrame(RECT& frame, DWORD style, DWORD ex_style, UINT dpi);

// The system's message font at `dpi`.
bool MessageFontAt(UINT dpi, LOGFONTW& font);

}  // namespace ui
