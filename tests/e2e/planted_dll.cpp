// A look-alike of a system DLL, as an attacker would plant it beside a downloaded program. If
// anything loads it, it leaves "<its own path>.loaded" behind.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    wchar_t marker[MAX_PATH + 8]{};
    if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameW(instance, marker, MAX_PATH) < MAX_PATH) {
        lstrcatW(marker, L".loaded");
        CloseHandle(CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return TRUE;
}
