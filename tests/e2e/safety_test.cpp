#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "../temp_dir.h"
#include "app_driver.h"

namespace {

using ui::MainWindow;

const std::vector<std::wstring> kPlantedNames{L"version.dll",       L"uxtheme.dll", L"comdlg32.dll",
                                              L"windowscodecs.dll", L"ole32.dll",   L"comctl32.dll",
                                              L"dwmapi.dll"};

int CountMarkers(const std::filesystem::path& folder) {
    int markers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        markers += entry.path().extension() == L".loaded";
    }
    return markers;
}

TEST(Safety, DllsPlantedBesideTheProgramAreNeverLoaded) {
    TempDir downloads;
    const auto tests_dir = std::filesystem::current_path().parent_path() / L"tests";
    const auto program = downloads.path() / AppDriver::exe.filename();
    std::filesystem::copy_file(AppDriver::exe, program);
    std::filesystem::copy_file(tests_dir / L"naive_loader.exe",
                               downloads.path() / L"naive_loader.exe");
    std::wstring naive_command = L"\"" + (downloads.path() / L"naive_loader.exe").wstring() + L"\"";
    for (const std::wstring& name : kPlantedNames) {
        std::filesystem::copy_file(tests_dir / L"planted.dll", downloads.path() / name);
        naive_command += L" " + name;
    }
    ASSERT_TRUE(RunToEnd(naive_command, downloads.path()));
    ASSERT_GT(CountMarkers(downloads.path()), 0) << "this setup would not catch a planted DLL";
    for (const auto& entry : std::filesystem::directory_iterator(downloads.path())) {
        if (entry.path().extension() == L".loaded") {
            std::filesystem::remove(entry.path());
        }
    }

    const auto demo = downloads.Write("crashed.dmo", {0, 0, 0, 0});
    {
        AppDriver app(program);
        ASSERT_TRUE(app.Arm(demo));
        app.Click(MainWindow::kFix);
        EXPECT_EQ(app.DismissMessage(), L"Demo has been modified!");
        app.Click(MainWindow::kInfo);
        EXPECT_NE(app.WaitForWindow(L"frmInfo", L"Info"), nullptr);
        app.Click(MainWindow::kExit);
        EXPECT_TRUE(app.WaitForExit());
    }
    EXPECT_EQ(ReadAll(demo), (Bytes{0x00, 0x75, 0x2B, 0x7D}));
    EXPECT_EQ(CountMarkers(downloads.path()), 0);
}

TEST(Safety, ExeIsBuiltWithAslrAndDep) {
    std::ifstream in(AppDriver::exe, std::ios::binary);
    const Bytes image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(image.size(), 0x200u);
    const auto word = [&](std::size_t at) { return image.at(at) | image.at(at + 1) << 8; };
    const std::size_t pe = word(0x3C) | word(0x3E) << 16;
    ASSERT_EQ(word(pe), 0x4550);  // "PE"
    const std::size_t optional_header = pe + 24;
    ASSERT_EQ(word(optional_header), 0x20B);  // PE32+
    const auto characteristics = word(optional_header + 70);
    EXPECT_TRUE(characteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
    EXPECT_TRUE(characteristics & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA);
    EXPECT_TRUE(characteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
}

// MinGW's runtime DLLs (libstdc++, libgcc, libwinpthread) would not be on a player's machine.
TEST(Safety, ExeImportsOnlyDllsThatShipWithWindows) {
    const HMODULE image =
        LoadLibraryExW(AppDriver::exe.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    const auto* base = reinterpret_cast<const BYTE*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    const std::set<std::string> shipped{"kernel32.dll", "user32.dll", "gdi32.dll",   "msvcrt.dll",
                                        "comdlg32.dll", "ole32.dll",  "advapi32.dll"};
    int count = 0;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports);
         entry->Name != 0; ++entry, ++count) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_TRUE(shipped.count(name)) << name;
    }
    EXPECT_GT(count, 0);
    FreeLibrary(image);
}

TEST(Safety, KilledWhileArmedLeavesTheDemoUnchanged) {
    TempDir dir;
    const Bytes broken = DemoBytes({0, 0, 0, 0});
    const auto demo = dir.Write("armed.dmo", broken);
    {
        AppDriver app;
        ASSERT_TRUE(app.Arm(demo));
    }  // the driver kills a program still running
    EXPECT_EQ(ReadAll(demo), broken);
}

}  // namespace
