#include <gtest/gtest.h>

#include <cctype>
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
        EXPECT_EQ(app.PressForMessage(MainWindow::kFix), L"Demo has been modified!");
        app.Click(MainWindow::kInfo);
        EXPECT_NE(app.WaitForWindow(L"frmInfo", L"Info"), nullptr);
        app.Click(MainWindow::kExit);
        EXPECT_TRUE(app.WaitForExit());
    }
    EXPECT_EQ(ReadAll(demo), (Bytes{0x00, 0x75, 0x2B, 0x7D}));
    EXPECT_EQ(CountMarkers(downloads.path()), 0);
}

// The exe mapped as an image, without running any of it or loading what it imports.
class MappedExe {
public:
    MappedExe()
        : image_(LoadLibraryExW(AppDriver::exe.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES)) {}
    MappedExe(const MappedExe&) = delete;
    MappedExe& operator=(const MappedExe&) = delete;
    ~MappedExe() {
        if (image_ != nullptr) {
            FreeLibrary(image_);
        }
    }
    const BYTE* base() const { return reinterpret_cast<const BYTE*>(image_); }
    const IMAGE_OPTIONAL_HEADER& header() const {
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base());
        return reinterpret_cast<const IMAGE_NT_HEADERS*>(base() + dos->e_lfanew)->OptionalHeader;
    }

private:
    HMODULE image_;
};

TEST(Safety, ExeIsBuiltWithAslrAndDep) {
    const MappedExe exe;
    ASSERT_NE(exe.base(), nullptr);
    ASSERT_EQ(exe.header().Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    const auto characteristics = exe.header().DllCharacteristics;
    EXPECT_TRUE(characteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
    EXPECT_TRUE(characteristics & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA);
    EXPECT_TRUE(characteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
}

// MinGW's runtime DLLs (libstdc++, libgcc, libwinpthread) would not be on a player's machine.
TEST(Safety, ExeImportsOnlyDllsThatShipWithWindows) {
    const MappedExe exe;
    ASSERT_NE(exe.base(), nullptr);
    const DWORD imports = exe.header().DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    const std::set<std::string> shipped{"kernel32.dll", "user32.dll", "gdi32.dll",   "msvcrt.dll",
                                        "comdlg32.dll", "ole32.dll",  "advapi32.dll"};
    int count = 0;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(exe.base() + imports);
         entry->Name != 0; ++entry, ++count) {
        std::string name = reinterpret_cast<const char*>(exe.base() + entry->Name);
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_TRUE(shipped.count(name)) << name;
    }
    EXPECT_GT(count, 0);
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
