#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "../temp_dir.h"
#include "app_driver.h"

namespace {

using ui::InfoWindow;
using ui::MainWindow;

const std::wstring kHealthy = L"This demos time limit seems to be ok.";
const std::wstring kCannotOpen =
    L"This file could not be opened all ready open or it's write protected!";
const std::wstring kModified = L"Demo has been modified!";
const std::wstring kNotOpen = L"File is not open!";

const Bytes kBroken = DemoBytes({0, 0, 0, 0});
const Bytes kRepaired = [] {
    Bytes bytes = kBroken;
    bytes[1] = 0x75, bytes[2] = 0x2B, bytes[3] = 0x7D;
    return bytes;
}();

class ProgramTest : public testing::Test {
protected:
    TempDir dir_;
    AppDriver app_;
};

TEST_F(ProgramTest, BrokenDemoIsArmedThenFixedAndThePathStays) {
    const auto demo = dir_.Write(u8"crashed & lagged демо.dmo", kBroken);
    ASSERT_TRUE(app_.Arm(demo));
    EXPECT_EQ(ReadAll(demo), kBroken);

    EXPECT_EQ(app_.PressForMessage(MainWindow::kFix), kModified);
    EXPECT_EQ(ReadAll(demo), kRepaired);
    EXPECT_EQ(app_.DisplayText(), demo.wstring());

    EXPECT_EQ(app_.PressForMessage(MainWindow::kFix), kNotOpen);
    EXPECT_EQ(app_.DisplayText(), demo.wstring());
}

TEST_F(ProgramTest, HealthyDemoIsReportedInAModalMessageAndLeftAlone) {
    const auto demo = dir_.Write("healthy.dmo", DemoBytes({0xFF, 0xFF, 0xFF, 0xFF}));
    app_.OpenFile(demo);
    EXPECT_EQ(app_.MessageText(), kHealthy);
    EXPECT_FALSE(IsWindowEnabled(app_.main_window())) << "the message must be modal";
    EXPECT_EQ(app_.DismissMessage(), kHealthy);
    EXPECT_TRUE(IsWindowEnabled(app_.main_window()));
    EXPECT_EQ(app_.DisplayText(), L"");
    EXPECT_EQ(ReadAll(demo), DemoBytes({0xFF, 0xFF, 0xFF, 0xFF}));

    EXPECT_EQ(app_.PressForMessage(MainWindow::kFix), kNotOpen);
}

TEST_F(ProgramTest, CancelOrAnotherPickLeavesTheArmedDemoArmed) {
    const auto armed = dir_.Write("armed.dmo", kBroken);
    const auto other = dir_.Write("other.dmo", kBroken);
    ASSERT_TRUE(app_.Arm(armed));

    app_.CancelOpenFile();
    EXPECT_FALSE(app_.MessageIsUp());
    app_.OpenFile(other);
    EXPECT_EQ(app_.DismissMessage(), kCannotOpen);
    EXPECT_EQ(app_.DisplayText(), armed.wstring());

    EXPECT_EQ(app_.PressForMessage(MainWindow::kFix), kModified);
    EXPECT_EQ(ReadAll(armed), kRepaired);
    EXPECT_EQ(ReadAll(other), kBroken);
}

TEST_F(ProgramTest, WriteProtectedLockedOrShortFilesAreRefusedUntouched) {
    const auto protected_demo = dir_.Write("protected.dmo", kBroken);
    MakeReadOnly(protected_demo);
    const auto locked = dir_.Write("recording.dmo", kBroken);
    const auto short_file = dir_.Write("short.dmo", {0, 0});
    const HANDLE game =
        CreateFileW(locked.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(game, INVALID_HANDLE_VALUE);

    for (const auto& demo : {protected_demo, locked, short_file}) {
        const Bytes before = ReadAll(demo);
        app_.OpenFile(demo);
        EXPECT_EQ(app_.DismissMessage(), kCannotOpen) << demo;
        EXPECT_EQ(app_.PressForMessage(MainWindow::kFix), kNotOpen) << demo;
        EXPECT_EQ(ReadAll(demo), before) << demo;
    }
    EXPECT_EQ(app_.DisplayText(), L"");
    CloseHandle(game);
}

TEST_F(ProgramTest, InfoWindowIsSingleModelessAndBlockedByMessages) {
    app_.Click(MainWindow::kInfo);
    app_.Click(MainWindow::kInfo);
    const HWND info = app_.WaitForWindow(L"frmInfo", L"Info");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(app_.CountWindows(L"frmInfo", L"Info"), 1);
    EXPECT_EQ(GetWindow(info, GW_OWNER), nullptr);
    EXPECT_EQ(AppDriver::Text(GetDlgItem(info, InfoWindow::kLabel2)), L"Released July 22th 2002");
    const std::wstring about = AppDriver::Text(GetDlgItem(info, InfoWindow::kLabel1));
    EXPECT_EQ(about.rfind(L"This program is to help some of you", 0), 0u);
    EXPECT_NE(about.find(L"is nuffed.  So I hope"), std::wstring::npos);
    const std::wstring ending = L"one very common prob. Njoy!!";
    EXPECT_EQ(about.substr(about.size() - ending.size()), ending);

    app_.Click(MainWindow::kFix);  // the main window still works beside it
    EXPECT_EQ(app_.MessageText(), kNotOpen);
    EXPECT_FALSE(IsWindowEnabled(info)) << "a message must block the Info window too";
    app_.DismissMessage();
    EXPECT_TRUE(IsWindowEnabled(info));

    app_.Click(info, InfoWindow::kClose);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(info); }));
    app_.Click(MainWindow::kInfo);
    const HWND again = app_.WaitForWindow(L"frmInfo", L"Info");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(AppDriver::Text(GetDlgItem(again, InfoWindow::kLabel1)), about);
}

TEST_F(ProgramTest, ExitEndsAtOnceAndLeavesTheArmedDemoUnwritten) {
    const auto demo = dir_.Write("armed.dmo", kBroken);
    ASSERT_TRUE(app_.Arm(demo));
    app_.Click(MainWindow::kInfo);
    ASSERT_NE(app_.WaitForWindow(L"frmInfo", L"Info"), nullptr);

    app_.Click(MainWindow::kExit);
    EXPECT_TRUE(app_.WaitForExit());
    EXPECT_EQ(ReadAll(demo), kBroken);
}

TEST_F(ProgramTest, ProgramRunsUntilItsLastWindowCloses) {
    const auto demo = dir_.Write("armed.dmo", kBroken);
    ASSERT_TRUE(app_.Arm(demo));
    app_.Click(MainWindow::kInfo);
    const HWND info = app_.WaitForWindow(L"frmInfo", L"Info");
    ASSERT_NE(info, nullptr);

    PostMessageW(app_.main_window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(app_.main_window()); }));
    EXPECT_FALSE(app_.WaitForExit(std::chrono::milliseconds(300)));
    EXPECT_FALSE(app_.MessageIsUp());

    app_.Click(info, InfoWindow::kClose);
    EXPECT_TRUE(app_.WaitForExit());
    EXPECT_EQ(ReadAll(demo), kBroken);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

TEST_F(ProgramTest, TabFollowsTheTabOrderAndAccessKeysPressButtons) {
    const HWND main = app_.main_window();
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(main) == app_.Control(MainWindow::kFix); }));
    for (const int next : {MainWindow::kDisplay, MainWindow::kOpen, MainWindow::kExit,
                           MainWindow::kInfo, MainWindow::kFix}) {
        PostMessageW(FocusOf(main), WM_KEYDOWN, VK_TAB, 0);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(main) == app_.Control(next); })) << next;
    }

    constexpr LPARAM kAltDown = 1 << 29;
    PostMessageW(FocusOf(main), WM_SYSCHAR, L'i', kAltDown);
    EXPECT_NE(app_.WaitForWindow(L"frmInfo", L"Info"), nullptr);
    SetForegroundWindow(main);
    PostMessageW(app_.Control(MainWindow::kFix), WM_SYSCHAR, L'f', kAltDown);
    EXPECT_EQ(app_.DismissMessage(), kNotOpen);
}

std::wstring VersionString(const std::filesystem::path& exe, const wchar_t* name) {
    std::vector<BYTE> block(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    void* value = nullptr;
    UINT size = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (block.empty() ||
        !GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueW(block.data(), key.c_str(), &value, &size)) {
        return L"<missing>";
    }
    return static_cast<const wchar_t*>(value);
}

TEST(Program, CarriesItsNameAndVersion) {
    EXPECT_EQ(AppDriver::exe.filename(), L"Vorlax Demo Fixer.exe");
    for (const wchar_t* name : {L"ProductName", L"InternalName", L"FileDescription"}) {
        EXPECT_EQ(VersionString(AppDriver::exe, name), L"Vorlax Demo Fixer") << name;
    }
    EXPECT_EQ(VersionString(AppDriver::exe, L"CompanyName"), L"None");
    EXPECT_EQ(VersionString(AppDriver::exe, L"FileVersion"), L"1.00");
    EXPECT_EQ(VersionString(AppDriver::exe, L"ProductVersion"), L"1.00");
    EXPECT_EQ(VersionString(AppDriver::exe, L"OriginalFilename"), L"Vorlax Demo Fixer.exe");
}

struct Place {
    int id;
    int left, top, width, height;  // twips
};

void ExpectLayout(HWND window, SIZE client, std::initializer_list<Place> places) {
    RECT area{};
    GetClientRect(window, &area);
    EXPECT_EQ(area.right, client.cx);
    EXPECT_EQ(area.bottom, client.cy);
    for (const Place& place : places) {
        RECT box{};
        GetWindowRect(GetDlgItem(window, place.id), &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        EXPECT_NEAR(box.left, place.left / 15.0, 1) << place.id;
        EXPECT_NEAR(box.top, place.top / 15.0, 1) << place.id;
        EXPECT_NEAR(box.right - box.left, place.width / 15.0, 1) << place.id;
        EXPECT_NEAR(box.bottom - box.top, place.height / 15.0, 1) << place.id;
    }
}

// At 96 DPI every control sits at its twips divided by 15.
TEST_F(ProgramTest, LayoutAt96Dpi) {
    ExpectLayout(app_.main_window(), {407, 215},
                 {{MainWindow::kInfo, 120, 2640, 1335, 495},
                  {MainWindow::kExit, 4680, 2640, 1335, 495},
                  {MainWindow::kOpen, 2445, 960, 1215, 375},
                  {MainWindow::kDisplay, -15, 1440, 6135, 285},
                  {MainWindow::kFix, 1845, 1800, 2415, 495},
                  {MainWindow::kImage1, 1560, 2640, 2955, 435}});
    EXPECT_EQ(AppDriver::Text(app_.Control(MainWindow::kOpen)), L"&Open File");

    app_.Click(MainWindow::kInfo);
    const HWND info = app_.WaitForWindow(L"frmInfo", L"Info");
    ASSERT_NE(info, nullptr);
    ExpectLayout(info, {312, 213},
                 {{InfoWindow::kClose, 120, 2880, 4455, 255},
                  {InfoWindow::kLabel1, 353, 360, 3975, 1935},
                  {InfoWindow::kLabel2, 360, 2400, 3975, 375}});
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM.exe\n", argv[0]);
        return 2;
    }
    AppDriver::exe = std::filesystem::absolute(argv[1]);
    return RUN_ALL_TESTS();
}
