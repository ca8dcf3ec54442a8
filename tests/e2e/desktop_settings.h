#pragma once

// The desktop the tests run on: which system it is, and the settings they give it.

#include <windows.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

// Whether this runs under Wine rather than on Windows.
inline bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Undoes a change to the system's settings when it goes: no pointer, only the deleter that undoes
// it (none in an empty one).
using Restore = std::shared_ptr<void>;

inline constexpr wchar_t kMetricsKey[] = L"Control Panel\\Desktop\\WindowMetrics";
// The system colours the tests change.
inline constexpr int kColourElements[] = {COLOR_WINDOW, COLOR_BTNFACE, COLOR_WINDOWTEXT,
                                          COLOR_BTNTEXT};

// The DPI of the programs started next: Wine 8 takes LogPixels; Wine 9 and later keep a DPI for
// each display where Windows keeps its settings, which a program reads as it starts.
inline void SetDpi(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                    sizeof(dpi));
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

// The display settings of the Wine prefix, as a user sets them, for the programs started while
// the result lives: the DPI and, optionally, the message font. On Windows nothing changes: it
// reads them at sign-in only, and they are the user's own.
[[nodiscard]] inline Restore WithDisplaySettings(DWORD dpi, const wchar_t* face = nullptr,
                                                 int points = 0) {
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

// The system colours of windows and buttons, for the programs started while the result lives
// (Wine keeps a running program's as they were): `window` for backgrounds, `text` for texts.
[[nodiscard]] inline Restore WithSystemColours(COLORREF window, COLORREF text) {
    const COLORREF colours[] = {window, window, text, text};
    std::array<COLORREF, 4> saved{};
    std::ranges::transform(kColourElements, saved.begin(), GetSysColor);
    SetSysColors(4, kColourElements, colours);
    return Restore(nullptr, [saved](void*) { SetSysColors(4, kColourElements, saved.data()); });
}

// ctest's steps around the end-to-end tests (tests/CMakeLists.txt): `step` "save" writes the
// system colours that the tests change for the whole session to `file`, "restore" puts them back
// from it, whatever happened between, a test process killed included. Returns an exit code.
inline int KeepColours(std::string_view step, const std::filesystem::path& file) {
    std::array<COLORREF, 4> colours{};
    const auto bytes = reinterpret_cast<char*>(colours.data());
    if (step == "save") {
        std::ranges::transform(kColourElements, colours.begin(), GetSysColor);
        return !std::ofstream(file, std::ios::binary).write(bytes, sizeof(colours));
    }
    return !(std::ifstream(file, std::ios::binary).read(bytes, sizeof(colours)) &&
             SetSysColors(4, kColourElements, colours.data()));
}
