#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <map>

#include "../shown_messages.h"
#include "../temp_dir.h"
#include "app_driver.h"
#include "programs.h"

namespace {

// What a player downloads, checked for what it could let in and what it needs of Windows.
TEST(SafetyTest, DllsPlantedBesideTheProgramAreNeverLoaded) {
    TempDir downloads;
    const fs::path& original = ProgramsUnderTest().program;
    const auto program = downloads.path() / original.filename();
    fs::copy_file(original, program);
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

    const auto armed = downloads.Write("armed.dmo", {0, 0, 0, 0});
    AppDriver app(program);
    app.Click(ui::MainWindow::kFix);  // a message
    EXPECT_EQ(app.DismissMessage(), kNotOpen);
    ASSERT_TRUE(app.Arm(armed));
    app.OpenInfo();
    app.Click(ui::MainWindow::kExit);  // at once, Info window and armed demo included
    ASSERT_TRUE(app.EndedCleanly());
    EXPECT_EQ(ReadAll(armed), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(std::count_if(fs::directory_iterator(downloads.path()), {},
                            [](const auto& file) { return file.path().extension() == L".loaded"; }),
              0);
}

// Where the DLL search cannot be restricted (the Windows XP double takes that way), the DLLs that
// system DLLs load by name come from System32: those of every path once the main window shows,
// the Open dialog's once it shows and not before. Those System32 lacks are not looked for.
TEST(SafetyTest, DllsLoadedByNameAreTakenFromSystem32First) {
    using Names = std::vector<std::wstring>;
    const Names every_path{L"apphelp.dll",   L"dwmapi.dll",          L"uxtheme.dll", L"version.dll",
                           L"cryptbase.dll", L"userenv.dll",         L"profapi.dll", L"clbcatq.dll",
                           L"oleacc.dll",    L"uiautomationcore.dll"};
    const Names open_dialog{L"propsys.dll", L"explorerframe.dll", L"duser.dll",
                            L"dui70.dll",   L"linkinfo.dll",      L"ntshrui.dll",
                            L"cscapi.dll",  L"srvcli.dll",        L"setupapi.dll"};
    wchar_t system32[MAX_PATH]{};
    GetSystemDirectoryW(system32, MAX_PATH);
    AppDriver app(ProgramsUnderTest().as_xp);
    // Each of `names` that System32 holds is loaded from there, or (`loaded` false) none is.
    const auto check_modules = [&](const Names& names, bool loaded) {
        std::map<std::wstring, std::wstring> modules;  // their folders, by name, in lower case
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, app.process_id());
        MODULEENTRY32W module{};
        module.dwSize = sizeof(module);
        for (BOOL more = Module32FirstW(snapshot, &module); more;
             more = Module32NextW(snapshot, &module)) {
            const auto path = fs::path(CharLowerW(module.szExePath));
            modules[path.filename()] = path.parent_path();
        }
        CloseHandle(snapshot);
        ASSERT_FALSE(modules.empty()) << "no modules of the program could be read";
        for (const std::wstring& name : names) {
            if (!loaded) {
                EXPECT_FALSE(modules.contains(name)) << fs::path(name) << " is loaded already";
            } else if (fs::exists(fs::path(system32) / name)) {
                EXPECT_EQ(modules[name], CharLowerW(system32))
                    << fs::path(name) << " (none: not loaded)";
            }
        }
    };
    check_modules(every_path, true);
    check_modules(open_dialog, false);
    const HWND dialog = app.ShowOpenDialog();
    check_modules(open_dialog, true);
    EXPECT_TRUE(app.Confirm(dialog, {}, IDCANCEL));
    app.Click(ui::MainWindow::kExit);
    EXPECT_TRUE(app.EndedCleanly());
}

}  // namespace
