#pragma once

#include <windows.h>

namespace ui {

// Functions of Windows versions newer than 7 SP1, looked up at run time so that the program
// starts on Windows 7; each is null where the running Windows lacks it. Use them through the
// functions below, which fall back on what Windows 7 has.
struct NewerFunctions {
    BOOL(WINAPI* set_default_dll_directories)(DWORD flags);  // Windows 8, or 7 with KB2533623
    UINT(WINAPI* get_dpi_for_window)(HWND window);           // this and the next: Windows 10 1607
    BOOL(WINAPI* adjust_window_rect_ex_for_dpi)
    (RECT* rect, DWORD style, BOOL menu, DWORD ex_style, UINT dpi);
    BOOL(WINAPI* system_parameters_info_for_dpi)
    (UINT action, UINT param, void* value, UINT ini, UINT dpi);
};
const NewerFunctions& Newer();

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
