#include <oleacc.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>

#include "../temp_dir.h"
#include "app_driver.h"
#include "demo/messages.h"

namespace {

using ui::InfoWindow;
using ui::MainWindow;

using namespace demo::message;

const Bytes kBroken = DemoBytes({0, 0, 0, 0});

// Window and text colours as contrast themes set them: Aquatic's, and High Contrast White's.
// Greys and white: the same whether read as COLORREF or as 0x00RRGGBB.
struct Palette {
    COLORREF window;
    COLORREF text;
};
constexpr Palette kDark{0x202020, 0xFFFFFF}, kLight{0xFFFFFF, 0x000000};

// Every test runs against both builds, the program and its double that finds none of the
// functions newer than Windows XP, and no WIC, and so takes every fallback; and at 100% and 150%
// with a 9-point message font: Windows 10 and 11's own Segoe UI, or under Wine the as wide DejaVu
// Sans. The system colours are a contrast theme's, dark at 100% and light at 150%, which no
// contrast theme on must not show.
class ProgramTest : public testing::TestWithParam<std::tuple<fs::path, int>> {
protected:
    void SetUp() override {
        if (!UnderWine() && dpi() != 96) {
            GTEST_SKIP() << "Windows takes another DPI only at the next sign-in";
        }
    }
    const fs::path& program() const { return std::get<0>(GetParam()); }
    int dpi() const { return std::get<1>(GetParam()); }
    const Palette& palette() const { return dpi() == 96 ? kDark : kLight; }
    static const wchar_t* face() { return UnderWine() ? L"DejaVu Sans" : L"Segoe UI"; }

    const DisplaySettings settings_{static_cast<DWORD>(dpi()), face(), 9};
    const SystemColours colours_{palette().window, palette().text};
    TempDir dir_;
    AppDriver app_{program()};
};

TEST_P(ProgramTest, DemosThroughTheDialogTheMessagesAndTheField) {
    const auto ok = dir_.Write("healthy.dmo", DemoBytes({0xFF, 0xFF, 0xFF, 0xFF}));
    // A few folders deep, so that the path is longer than the field.
    const auto folder = dir_.path() / L"My Games" / L"Vorlax" / L"Recorded demos" / L"2002";
    const auto demo = dir_.Write(folder / u8"crashed & lagged демо.dmo", kBroken);
    ASSERT_TRUE(app_.OpenFile(ok));
    EXPECT_EQ(app_.DismissMessage(), kHealthy);
    ASSERT_TRUE(app_.OpenFile());  // the name the dialog starts with: the last one confirmed
    EXPECT_EQ(app_.DismissMessage(), kHealthy);
    EXPECT_EQ(app_.DisplayText(), L"");

    ASSERT_TRUE(app_.Arm(demo));
    const HWND display = app_.Control(MainWindow::kDisplay);
    RECT field{};
    GetClientRect(display, &field);
    const auto end = static_cast<short>(
        LOWORD(SendMessageW(display, EM_POSFROMCHAR, demo.wstring().size() - 1, 0)));
    EXPECT_TRUE(end >= 0 && end < field.right) << "the file name shows at " << end;
    ASSERT_TRUE(app_.CancelOpenFile());  // silently: the next dialog could not open over a message
    for (const auto& path : {ok, demo}) {  // the armed demo stays armed whatever is picked
        ASSERT_TRUE(app_.OpenFile(path));
        EXPECT_EQ(app_.DismissMessage(), kCannotOpen);
    }
    EXPECT_EQ(app_.DisplayText(), demo.wstring());

    app_.Click(MainWindow::kFix);
    EXPECT_EQ(app_.DismissMessage(), kModified);
    EXPECT_EQ(ReadAll(demo), DemoBytes({0x00, 0x75, 0x2B, 0x7D}));
    EXPECT_EQ(app_.DisplayText(), demo.wstring());
}

// Closing the main window leaves the program running until the Info window closes too, and the
// armed demo as it was.
TEST_P(ProgramTest, ProgramRunsUntilItsLastWindowClosesAndWritesNothing) {
    const auto demo = dir_.Write("armed.dmo", kBroken);
    ASSERT_TRUE(app_.Arm(demo));
    const HWND info = app_.OpenInfo();
    PostMessageW(app_.main_window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(app_.main_window()); }));
    // Two requests in turn: a program that had ended its message loop with the main window
    // would not get to the second.
    PostMessageW(info, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(info); }));
    PostMessageW(info, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindow(info) && !IsIconic(info); }));
    app_.Click(info, InfoWindow::kClose);
    EXPECT_TRUE(app_.WaitForExit());
    EXPECT_EQ(ReadAll(demo), kBroken);
}

// The keyboard and the activation, against both builds.
class FocusTest : public testing::TestWithParam<fs::path> {
protected:
    bool Focused(HWND control) const {
        return WaitUntil([&] { return app_.Focus() == control; });
    }
    // Closes `window` the way numbered `way`: Enter, Esc, Space, a click on `button`, or the
    // frame's close box.
    static void CloseBy(int way, HWND window, HWND button) {
        if (way < 3) {
            AppDriver::Type({std::array<WORD, 3>{VK_RETURN, VK_ESCAPE, VK_SPACE}[way]});
        } else {
            PostMessageW(way == 3 ? button : window, way == 3 ? BM_CLICK : WM_SYSCOMMAND,
                         way == 3 ? 0 : SC_CLOSE, 0);
        }
    }

    TempDir dir_;
    AppDriver app_{GetParam()};
};

TEST_P(FocusTest, KeyboardWorksAsInADialogBox) {
    ASSERT_TRUE(app_.Settled(app_.main_window(), app_.Control(MainWindow::kFix)));
    for (const int next : {MainWindow::kDisplay, MainWindow::kOpen, MainWindow::kExit,
                           MainWindow::kInfo, MainWindow::kFix, MainWindow::kDisplay}) {
        AppDriver::Type({VK_TAB});
        EXPECT_TRUE(Focused(app_.Control(next))) << next;
    }
    // Enter does nothing in the path field, and Esc nothing in this window: the Tab after them
    // is the first key to show an effect, and it shows it here.
    AppDriver::Type({VK_RETURN});
    AppDriver::Type({VK_ESCAPE});
    AppDriver::Type({VK_TAB});
    const HWND open = app_.Control(MainWindow::kOpen);
    EXPECT_TRUE(Focused(open));

    const HWND info = app_.OpenInfo();  // the main window keeps its focus meanwhile
    ASSERT_TRUE(Focused(GetDlgItem(info, InfoWindow::kClose)));
    SetForegroundWindow(app_.main_window());
    EXPECT_TRUE(Focused(open)) << "back from another window";
    AppDriver::Type({VK_MENU, 'F'});
    EXPECT_EQ(app_.DismissMessage(), kNotOpen);
}

// After every message, Open dialog and Info window, the main window is active again with the
// focus where it was, and stays so. Twenty rounds, so that a fault that shows one time in ten
// shows here almost every run.
TEST_P(FocusTest, ActivationComesBackAfterEveryWindowAndHolds) {
    const auto healthy = dir_.Write("healthy.dmo", DemoBytes({1, 0, 0, 0}));
    const HWND main = app_.main_window(), fix = app_.Control(MainWindow::kFix);
    ASSERT_TRUE(app_.Settled(main, fix));
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        AppDriver::Type({VK_RETURN});
        const HWND box = app_.WaitForMessage();
        ASSERT_EQ(GetWindow(box, GW_OWNER), main) << "no message, or not the main window's";
        CloseBy(round % 5, box, GetDlgItem(box, IDOK));
        ASSERT_TRUE(app_.Settled(main, fix)) << "after the message";

        if (round % 2 == 0) {
            ASSERT_TRUE(app_.CancelOpenFile());
        } else {
            ASSERT_TRUE(app_.OpenFile(healthy));
            EXPECT_EQ(app_.DismissMessage(), kHealthy);
        }
        ASSERT_TRUE(app_.Settled(main, fix)) << "after the Open dialog";

        const HWND info = app_.OpenInfo();
        const HWND close = GetDlgItem(info, InfoWindow::kClose);
        ASSERT_TRUE(Focused(close));
        CloseBy(round % 5, info, close);
        ASSERT_TRUE(app_.Settled(main, fix)) << "after the Info window";
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, FocusTest, testing::ValuesIn(AppDriver::programs));

std::wstring AccessibleName(HWND control) {
    Microsoft::WRL::ComPtr<IAccessible> accessible;
    BSTR name = nullptr;
    VARIANT self{};  // CHILDID_SELF
    self.vt = VT_I4;
    if (SUCCEEDED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                             IID_PPV_ARGS(&accessible)))) {
        accessible->get_accName(self, &name);
    }
    const std::wstring text = name != nullptr ? name : L"";
    SysFreeString(name);
    return text;
}

TEST_P(ProgramTest, InfoWindowIsSingleModelessAndScreenReadersNameEveryControl) {
    app_.Click(MainWindow::kInfo);
    app_.Click(MainWindow::kInfo);
    app_.Click(MainWindow::kFix);  // handled after both: every Info window is up by its message
    ASSERT_NE(app_.WaitForMessage(), nullptr);
    const auto infos = app_.Windows(L"frmInfo", L"Info");
    ASSERT_EQ(infos.size(), 1u);
    const HWND info = infos.front();
    // Buttons and labels are named by their captions; these two need the program's help.
    EXPECT_EQ(AccessibleName(app_.Control(MainWindow::kDisplay)), L"Demo to fix");
    EXPECT_EQ(AccessibleName(app_.Control(MainWindow::kImage1)),
              L"Vorlax Demo Fixer 1.0, made by players, for players");
    EXPECT_FALSE(IsWindowEnabled(info)) << "a message must block the Info window too";
    EXPECT_EQ(app_.DismissMessage(), kNotOpen);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(info); }));
}

// The pixels `draw` leaves in a bitmap of `size`, as 0x00RRGGBB.
std::vector<DWORD> Pixels(SIZE size, const std::function<void(HDC)>& draw) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    draw(dc);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD*>(bits),
                              static_cast<DWORD*>(bits) + size.cx * size.cy);
    DeleteObject(SelectObject(dc, previous));
    DeleteDC(dc);
    std::for_each(pixels.begin(), pixels.end(), [](DWORD& pixel) { pixel &= 0xFFFFFF; });
    return pixels;
}

// The highest contrast ratio, as WCAG measures it, of any pixel against the first, the
// background.
double HighestContrast(const std::vector<DWORD>& pixels) {
    const auto luminance = [](DWORD rgb) {
        double sum = 0.05;  // the viewing flare
        for (const auto& [shift, weight] :
             {std::pair{16, 0.2126}, std::pair{8, 0.7152}, std::pair{0, 0.0722}}) {
            const double c = ((rgb >> shift) & 0xFF) / 255.0;
            sum += weight * (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double background = luminance(pixels.front());
    double highest = 1;
    for (const DWORD pixel : pixels) {
        const double shown = luminance(pixel);
        highest = std::max({highest, shown / background, background / shown});
    }
    return highest;
}

// What `window` shows on the screen inside its frame, and its size.
std::pair<std::vector<DWORD>, SIZE> OnScreen(HWND window) {
    RECT box{};
    GetClientRect(window, &box);
    const SIZE size{box.right, box.bottom};
    POINT at{};
    ClientToScreen(window, &at);
    const HDC screen = GetDC(nullptr);
    auto pixels = Pixels(
        size, [&](HDC dc) { BitBlt(dc, 0, 0, size.cx, size.cy, screen, at.x, at.y, SRCCOPY); });
    ReleaseDC(nullptr, screen);
    return {pixels, size};
}

// The label shows its text in some size of `face`: that size's height in pixels and whether all
// of the text fits the label at it; nothing when no size draws what the label shows.
std::optional<std::pair<int, bool>> ShownText(HWND label, const wchar_t* face, COLORREF colour,
                                              COLORREF background) {
    const auto [shown, size] = OnScreen(label);
    const std::wstring text = AppDriver::Text(label);
    for (int height = 40; height > 3; --height) {
        const HFONT handle =
            CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
        RECT needed{0, 0, size.cx, 0};
        const auto drawn = Pixels(size, [&](HDC dc) {
            RECT box{0, 0, size.cx, size.cy};
            SelectObject(dc, handle);
            SetTextColor(dc, colour);
            SetBkColor(dc, background);
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &box, nullptr, 0, nullptr);  // fills the background
            DrawTextW(dc, text.c_str(), -1, &box, DT_WORDBREAK | DT_EXPANDTABS);
            DrawTextW(dc, text.c_str(), -1, &needed, DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT);
        });
        DeleteObject(handle);
        if (drawn == shown) {
            return std::pair{height, needed.bottom <= size.cy};
        }
    }
    return std::nullopt;
}

// The image in `file` as 0x00RRGGBB pixels, if it is no larger than `size`; else nothing.
std::vector<DWORD> Decoded(const fs::path& file, SIZE size) {
    Microsoft::WRL::ComPtr<IWICImagingFactory> factory;
    Microsoft::WRL::ComPtr<IWICBitmapDecoder> decoder;
    Microsoft::WRL::ComPtr<IWICBitmapFrameDecode> frame;
    Microsoft::WRL::ComPtr<IWICBitmapSource> image;
    std::vector<DWORD> pixels(static_cast<std::size_t>(size.cx * size.cy));
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.Get(), &image)) ||
        FAILED(image->CopyPixels(nullptr, static_cast<UINT>(size.cx * 4),
                                 static_cast<UINT>(pixels.size() * 4),
                                 reinterpret_cast<BYTE*>(pixels.data())))) {
        return {};
    }
    std::for_each(pixels.begin(), pixels.end(), [](DWORD& pixel) { pixel &= 0xFFFFFF; });
    return pixels;
}

// Both windows take their size in twips at the DPI and are black whatever the system's colours,
// the labels show their whole text, and the credit picture is the one drawn for that scale.
TEST_P(ProgramTest, ScalesWithDpiAndShowsEveryTextWhole) {
    const HWND info = app_.OpenInfoBesideMain();
    // Both are drawn a moment after the windows move; the picture is decoded later still. The
    // first label's background is the window-text colour.
    const HWND label = GetDlgItem(info, InfoWindow::kLabel1);
    std::optional<std::pair<int, bool>> text;
    ASSERT_TRUE(WaitUntil([&] {
        return (text = ShownText(label, face(), 0x00FF00, palette().text));
    })) << "no size of the message font draws the text as shown";
    EXPECT_TRUE(text->second) << "the text is cut off at " << text->first << " px";
    const HWND picture = app_.Control(MainWindow::kImage1);
    const auto file = TestFolder() / (dpi() == 96 ? L"credit.jpg" : L"credit-150.jpg");
    const auto image = Decoded(file, OnScreen(picture).second);
    // Without WIC, the picture's words, in its light grey on black.
    const bool has_wic = program() == AppDriver::programs.front();
    EXPECT_TRUE(WaitUntil([&] {
        const auto shown = OnScreen(picture).first;
        return has_wic ? shown == image : shown != image && HighestContrast(shown) > 15;
    })) << file;
    EXPECT_EQ(ShownText(label, face(), 0x00FF00, palette().text), text) << "drawn again";
    RECT box{};
    for (const auto& [window, twips] : {std::pair{app_.main_window(), MainWindow::kClientTwips},
                                        std::pair{info, InfoWindow::kClientTwips}}) {
        GetClientRect(window, &box);
        EXPECT_EQ(box.right, MulDiv(twips.cx, dpi(), 1440));
        EXPECT_EQ(box.bottom, MulDiv(twips.cy, dpi(), 1440));
        EXPECT_EQ(OnScreen(window).first.front(), 0u) << "not black";
    }
    EXPECT_EQ(OnScreen(GetDlgItem(info, InfoWindow::kLabel2)).first.front(), 0u) << "not black";
}

constexpr const char* kBuildNames[] = {"ProgramAt100", "ProgramAt150", "AsOnXpAt100",
                                       "AsOnXpAt150"};
INSTANTIATE_TEST_SUITE_P(Builds, ProgramTest,
                         testing::Combine(testing::ValuesIn(AppDriver::programs),
                                          testing::Values(96, 144)),
                         [](const auto& build) { return kBuildNames[build.index]; });

class ContrastTest : public testing::TestWithParam<Palette> {};

// In a contrast theme both windows, their texts and the credit picture's words are drawn in the
// theme's window colours, and every text stands out at least 4.5:1, as WCAG asks.
TEST_P(ContrastTest, ThemeColoursMakeEveryTextStandOut) {
    const SystemColours colours(GetParam().window, GetParam().text);
    TempDir dir;
    AppDriver app(AppDriver::contrast_program);
    ASSERT_TRUE(app.Arm(dir.Write("crashed.dmo", kBroken)));  // a text in the path field
    const HWND info = app.OpenInfoBesideMain();
    for (const HWND control :
         {info, GetDlgItem(info, InfoWindow::kLabel1), GetDlgItem(info, InfoWindow::kLabel2),
          app.main_window(), app.Control(MainWindow::kDisplay), app.Control(MainWindow::kImage1)}) {
        std::vector<DWORD> shown;
        EXPECT_TRUE(WaitUntil([&] {
            shown = OnScreen(control).first;
            return shown.front() == GetParam().window && HighestContrast(shown) >= 4.5;
        })) << GetDlgCtrlID(control)
            << " at " << HighestContrast(shown) << ":1";
    }
}

INSTANTIATE_TEST_SUITE_P(DarkThenLight, ContrastTest, testing::Values(kDark, kLight));

}  // namespace

// Usage: program_tests PROGRAM.exe XP_DOUBLE.exe CONTRAST_DOUBLE.exe [GoogleTest flags]
int main(int argc, char** argv) {
    // The programs first, before InitGoogleTest makes the tests of each.
    if (argc < 4) {
        return 2;
    }
    AppDriver::programs = {fs::absolute(argv[1]), fs::absolute(argv[2])};
    AppDriver::contrast_program = fs::absolute(argv[3]);
    testing::InitGoogleTest(&argc, argv);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return RUN_ALL_TESTS();
}
