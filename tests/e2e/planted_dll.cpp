// A look-alike of a system DLL, as an attacker would plant it beside a downloaded program. If
// anything loads it, it leaves "<its own path>.loaded" behind.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t marker[MAX_PATH + 8]{};
        const DWORD length = GetModuleFileNameW(instance, marker, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcatW(marker, L".loaded");
            const HANDLE file =
                CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
            }
        }
    }
    return TRUE;
}
