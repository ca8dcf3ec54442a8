#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "../temp_dir.h"
#include "app_driver.h"

namespace {

TEST(Safety, DllsPlantedBesideTheProgramAreNeverLoaded) {
    TempDir downloads;
    const auto program = downloads.path() / AppDriver::programs.front().filename();
    fs::copy_file(AppDriver::programs.front(), program);
    for (const wchar_t* name :
         {L"version.dll", L"uxtheme.dll", L"comdlg32.dll", L"windowscodecs.dll", L"ole32.dll",
          L"comctl32.dll", L"dwmapi.dll", L"duser.dll"}) {
        fs::copy_file(TestFolder() / L"planted.dll", downloads.path() / name);
    }
    // A program that looks for one of them the usual way loads it: this setup would catch it.
    // (Of a DLL already loaded, Windows would return that one, whichever is planted.)
    ASSERT_EQ(GetModuleHandleW(L"duser.dll"), nullptr) << "duser.dll is loaded here already";
    SetDllDirectoryW(downloads.path().c_str());
    FreeLibrary(LoadLibraryW(L"duser.dll"));
    SetDllDirectoryW(nullptr);
    // A planted DLL that is loaded leaves "<its name>.loaded" behind.
    ASSERT_TRUE(fs::remove(downloads.path() / L"duser.dll.loaded"))
        << "this setup would not catch a planted DLL";

    const auto demo = downloads.Write("crashed.dmo", {0, 0, 0, 0});
    const auto armed = downloads.Write("armed.dmo", {0, 0, 0, 0});
    AppDriver app(program);
    ASSERT_TRUE(app.Arm(demo));
    app.Click(ui::MainWindow::kFix);
    EXPECT_EQ(app.DismissMessage(), L"Demo has been modified!");
    ASSERT_TRUE(app.Arm(armed));
    EXPECT_NE(app.OpenInfo(), nullptr);
    app.Click(ui::MainWindow::kExit);  // at once, Info window and armed demo included
    ASSERT_TRUE(app.WaitForExit());
    EXPECT_EQ(ReadAll(armed), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(std::count_if(fs::directory_iterator(downloads.path()), {},
                            [](const auto& file) { return file.path().extension() == L".loaded"; }),
              0);
}

// Wine has every function whatever Windows it plays, so the floor is read off the exe's headers
// and import table: a function Windows XP lacks (XP Professional x64 Edition for the x64 build),
// or a DLL it does not ship (as MinGW's runtime DLLs), would keep the program from starting there.
TEST(Safety, ExeIsHardenedAndImportsOnlyWhatWindowsXpHas) {
    const double xp = sizeof(void*) == 8 ? 5.2 : 5.1;
    // windows_imports.txt: "DLL function first-Windows" lines, where the program may import it.
    std::map<std::string, double> first_windows;
    std::ifstream list(TestFolder() / L"windows_imports.txt");
    for (std::string line, dll, function; std::getline(list, line);) {
        // Not a "#" line.
        if (double version = 0; std::istringstream(line) >> dll >> function >> version) {
            first_windows[dll + " " + function] = version;
        }
    }
    ASSERT_FALSE(first_windows.empty()) << "windows_imports.txt is missing";
    // Mapped as an image, without running any of it or loading what it imports.
    const HMODULE image =
        LoadLibraryExW(AppDriver::programs.front().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    const auto* base = reinterpret_cast<const BYTE*>(image);
    const auto& header = reinterpret_cast<const IMAGE_NT_HEADERS*>(
                             base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew)
                             ->OptionalHeader;
    const WORD flags = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_NX_COMPAT |
                       (sizeof(void*) == 8 ? IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA : 0);
    EXPECT_EQ(header.DllCharacteristics & flags, flags);
    // Windows XP's user32 makes no Common Controls 6 button, field or message box before
    // comctl32 has registered them, and Wine's does: only the exe itself can show the call.
    EXPECT_NE(std::string_view(reinterpret_cast<const char*>(base), header.SizeOfImage)
                  .find("InitCommonControlsEx"),
              std::string_view::npos);
    EXPECT_LE(header.MajorSubsystemVersion * 10 + header.MinorSubsystemVersion, xp * 10 + 0.5);
#ifndef VORLAX_PROGRAM_FOR_XP
    // Built with its tests, so with a posix-thread runtime (as MSYS2's), which imports functions
    // of its own choosing: the release builds are the ones held to the list.
    FreeLibrary(image);
    GTEST_SKIP() << "a build not made for Windows XP";
#endif
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
             base + header.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
         dll->Name != 0; ++dll) {
        const std::string name = reinterpret_cast<const char*>(base + dll->Name);
        for (auto* thunk =
                 reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
             thunk->u1.AddressOfData != 0; ++thunk) {
            ASSERT_FALSE(IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) << name << " by ordinal";
            const std::string function =
                name + " " +
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData)->Name;
            const auto found = first_windows.find(function);
            EXPECT_LE(found != first_windows.end() ? found->second : 99, xp)
                << function << " needs a newer Windows, or is not in the list";
        }
    }
    FreeLibrary(image);
}

}  // namespace
