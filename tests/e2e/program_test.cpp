#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <functional>
#include <span>

#include "../shown_messages.h"
#include "../temp_dir.h"
#include "../test_main.h"
#include "app_driver.h"
#include "programs.h"

namespace {

using ui::InfoWindow;
using ui::MainWindow;

const Bytes kBroken = DemoBytes({0, 0, 0, 0});

// Window and text colours as contrast themes set them (Aquatic's, High Contrast White's) or as a
// classic scheme of Windows XP to 7 may (navy window text), and the background the Info window's
// green text must then have: the window-text colour where the green reads on it, else black.
struct Palette {
    COLORREF window, text, label1;
};
constexpr Palette kDark{0x202020, 0xFFFFFF, 0}, kLight{0xFFFFFF, 0, 0},
    kNavyText{0xFFFFFF, RGB(0, 0, 0x80), RGB(0, 0, 0x80)};

// The message font the tests set for the program under Wine: DejaVu Sans, as wide as the Segoe
// UI of Windows 10 and 11, which is theirs.
const wchar_t* const kMessageFace = UnderWine() ? L"DejaVu Sans" : L"Segoe UI";

// A build in the system colours of `palette`, at a DPI: the program; its double that finds none
// of the functions newer than Windows XP, and no WIC, and so takes every fallback; or its double
// that always sees a contrast theme on (`themed`).
struct Build {
    std::string name;
    fs::path exe;
    Palette palette;
    DWORD dpi = 96;
    bool has_wic = true, themed = false;
};
void PrintTo(const Build& build, std::ostream* out) {
    *out << build.name;
}

// Each test runs its build with a 9-point message font: Windows 10 and 11's own Segoe UI, or
// under Wine the as wide DejaVu Sans.
class ProgramTest : public testing::TestWithParam<Build> {
protected:
    const Palette& palette_ = GetParam().palette;
    const Restore settings_ = WithDisplaySettings(GetParam().dpi, kMessageFace, 9);
    const Restore colours_ = WithSystemColours(palette_.window, palette_.text);
    TempDir dir_;
    AppDriver app_{GetParam().exe};
};

TEST_P(ProgramTest, DemosThroughTheDialogTheMessagesAndTheField) {
    const auto ok = dir_.Write("healthy.dmo", DemoBytes({0xFF, 0xFF, 0xFF, 0xFF}));
    for (const char* other : {"notes.txt", "a.dm", "b.dm", "healthy.dmo.bak"}) {
        dir_.Write(other, kBroken);
    }
    // A few folders deep, so that the path is longer than the field.
    const auto folder = dir_.path() / L"My Games" / L"Vorlax" / L"Recorded demos" / L"2002";
    const auto demo = dir_.Write(folder / u8"crashed & lagged демо.dmo", kBroken);
    ASSERT_TRUE(app_.Confirm(app_.ShowOpenDialog(), ok));
    EXPECT_EQ(app_.DismissMessage(), kHealthy);
    // The dialog starts in the last demo's folder, with its name, and lists its folder and its
    // demo, no other file. (Windows Vista and later draw the list otherwise: see the check list.)
    const HWND dialog = app_.ShowOpenDialog();
    if (UnderWine()) {
        EXPECT_EQ(AppDriver::Text(GetDlgItem(dialog, 0x470)), L"Vorlax Demo (*.dmo)");  // cmb1
        EXPECT_EQ(SendDlgItemMessageW(dialog, 0x470, CB_GETCOUNT, 0, 0), 1);
        const HWND view = FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr);
        const HWND list = FindWindowExW(view, nullptr, L"SysListView32", nullptr);
        EXPECT_TRUE(WaitUntil([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 2; }));
    }
    ASSERT_TRUE(app_.Confirm(dialog));
    EXPECT_EQ(app_.DismissMessage(), kHealthy);
    EXPECT_EQ(app_.DisplayText(), L"");

    ASSERT_TRUE(app_.Arm(demo));
    const HWND display = app_.Control(MainWindow::kDisplay);
    RECT field{};
    GetClientRect(display, &field);
    const auto x = [&](std::size_t at) {  // where the character at `at` is drawn, scrolled or not
        return static_cast<short>(LOWORD(SendMessageW(display, EM_POSFROMCHAR, at, 0)));
    };
    const auto last = demo.wstring().size() - 1;
    ASSERT_GT(x(last) - x(0), field.right) << "the whole path fits the field";
    EXPECT_GE(x(last), 0) << "the file name is scrolled out to the left";
    EXPECT_LT(x(last), field.right) << "the file name is out to the right";
    for (const auto& path : {ok, demo}) {  // the armed demo stays armed whatever is picked
        ASSERT_TRUE(app_.Confirm(app_.ShowOpenDialog(), path));
        EXPECT_EQ(app_.DismissMessage(), kCannotOpen);
    }
    EXPECT_EQ(app_.DisplayText(), demo.wstring());

    app_.Click(MainWindow::kFix);
    EXPECT_EQ(app_.DismissMessage(), kModified);
    EXPECT_EQ(ReadAll(demo), DemoBytes(kRepairedLength));
    EXPECT_EQ(app_.DisplayText(), demo.wstring());
}

// However often it is asked for, there is one Info window, and a message blocks it too. Closing
// the main window leaves the program running until the Info window closes too, and the armed
// demo as it was.
TEST_P(ProgramTest, OneInfoWindowAndTheProgramRunsUntilItsLastWindowCloses) {
    app_.Click(MainWindow::kInfo);
    app_.Click(MainWindow::kInfo);
    app_.Click(MainWindow::kFix);  // handled after both: every Info window is up by its message
    app_.WaitForMessage();
    const HWND info = app_.WaitForWindow(L"frmInfo", L"Info");
    ASSERT_EQ(app_.Windows(L"frmInfo", L"Info").size(), 1u);
    EXPECT_FALSE(IsWindowEnabled(info));
    EXPECT_EQ(app_.DismissMessage(), kNotOpen);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(info); }));
    const auto demo = dir_.Write("armed.dmo", kBroken);
    ASSERT_TRUE(app_.Arm(demo));
    PostMessageW(app_.main_window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(app_.main_window()); }));
    // Two requests in turn: a program that had ended its message loop with the main window
    // would not get to the second.
    PostMessageW(info, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(info); }));
    PostMessageW(info, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindow(info) && !IsIconic(info); }));
    app_.Click(info, InfoWindow::kClose);
    EXPECT_TRUE(app_.EndedCleanly());
    EXPECT_EQ(ReadAll(demo), kBroken);
}

// The ways a user closes a message or the Info window.
struct WayToClose {
    const char* name;
    void (*close)(const AppDriver& app, HWND window, HWND button);
};
const WayToClose kWaysToClose[] = {
    {.name = "Enter", .close = [](const AppDriver& app, HWND, HWND) { app.Press({VK_RETURN}); }},
    {.name = "Esc", .close = [](const AppDriver& app, HWND, HWND) { app.Press({VK_ESCAPE}); }},
    {.name = "Space", .close = [](const AppDriver& app, HWND, HWND) { app.Press({VK_SPACE}); }},
    {.name = "a click on its button",
     .close = [](const AppDriver&, HWND, HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }},
    {.name = "its close box", .close = [](const AppDriver&, HWND window, HWND) {
         PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
     }}};

// The keyboard and the activation, in an entry of their own (tests/CMakeLists.txt), which runs
// again under a window manager.
class FocusTest : public ProgramTest {};

// The main window takes the foreground as it starts, as a program the user starts may.
TEST_P(FocusTest, MainWindowComesToTheForegroundAtStart) {
    if (const DWORD refusal = app_.foreground_refusal()) {
        GTEST_SKIP() << "Windows lets no program started from here take the foreground: "
                     << "AllowSetForegroundWindow failed with error " << refusal;
    }
    EXPECT_TRUE(app_.CameForward());
}

TEST_P(FocusTest, KeyboardWorksAsInADialogBox) {
    const HWND main = app_.main_window(), display = app_.Control(MainWindow::kDisplay);
    ASSERT_TRUE(app_.Settled(main, app_.Control(MainWindow::kFix)));
    for (const int next : {MainWindow::kDisplay, MainWindow::kOpen, MainWindow::kExit,
                           MainWindow::kInfo, MainWindow::kFix, MainWindow::kDisplay}) {
        app_.Press({VK_TAB});
        EXPECT_TRUE(app_.Focused(app_.Control(next)));
    }
    // Enter does nothing in the path field, and Esc nothing in this window: no window comes, the
    // focus stays, and the Tab after them, handled after them, moves on from there.
    for (const WORD key : {VK_RETURN, VK_ESCAPE}) {
        app_.Press({key});
        EXPECT_TRUE(app_.Settled(main, display)) << "after key " << key;
        EXPECT_EQ(app_.Windows(nullptr, nullptr), std::vector{main}) << "after key " << key;
    }
    app_.Press({VK_TAB});
    const HWND open = app_.Control(MainWindow::kOpen);
    EXPECT_TRUE(app_.Focused(open));

    const HWND info = app_.OpenInfo();  // the main window keeps its focus meanwhile
    ASSERT_TRUE(app_.Focused(GetDlgItem(info, InfoWindow::kClose)));
    app_.BringToFront(main);
    ASSERT_TRUE(app_.Settled(main, open)) << "back from another window";
    app_.Press({VK_MENU, 'F'});
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
        const WayToClose& way = kWaysToClose[round % std::size(kWaysToClose)];
        SCOPED_TRACE(testing::Message() << "round " << round << ", closed by " << way.name);
        app_.Press({VK_RETURN});
        const HWND box = app_.WaitForMessage();
        way.close(app_, box, GetDlgItem(box, IDOK));
        ASSERT_TRUE(app_.Settled(main, fix)) << "after the message";

        if (round % 2 == 0) {
            ASSERT_TRUE(app_.Confirm(app_.ShowOpenDialog(), {}, IDCANCEL));
        } else {
            ASSERT_TRUE(app_.Confirm(app_.ShowOpenDialog(), healthy));
            EXPECT_EQ(app_.DismissMessage(), kHealthy);
        }
        ASSERT_TRUE(app_.Settled(main, fix)) << "after the Open dialog";

        const HWND info = app_.OpenInfo(), close = GetDlgItem(info, InfoWindow::kClose);
        ASSERT_TRUE(app_.Focused(close));
        way.close(app_, info, close);
        ASSERT_TRUE(app_.Settled(main, fix)) << "after the Info window";
    }
}

std::wstring AccessibleName(HWND control) {
    Microsoft::WRL::ComPtr<IAccessible> accessible;
    BSTR name = nullptr;
    VARIANT self{};  // CHILDID_SELF
    self.vt = VT_I4;
    if (SUCCEEDED(AccessibleObjectFromWindow(control, OBJID_CLIENT, IID_PPV_ARGS(&accessible)))) {
        accessible->get_accName(self, &name);
    }
    const std::wstring text = name != nullptr ? name : L"";
    return SysFreeString(name), text;
}

// The pixels `draw` leaves in a bitmap the size of `window`'s client area (none without a
// window, for a DC to measure with), as 0x00RRGGBB.
std::vector<DWORD> Pixels(HWND window, const std::function<void(HDC, const RECT&)>& draw) {
    RECT box{};
    GetClientRect(window, &box);
    BITMAPINFO info{
        {sizeof(BITMAPINFOHEADER), box.right, -box.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    draw(dc, box);
    GdiFlush();
    std::vector<DWORD> pixels(bits != nullptr ? box.right * box.bottom : 0);
    std::transform(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + pixels.size(),
                   pixels.begin(), [](DWORD pixel) { return pixel & 0xFFFFFF; });
    DeleteObject(SelectObject(dc, previous));
    DeleteDC(dc);
    return pixels;
}

// What `window` shows on the screen inside its frame (nothing where it has no client area).
std::vector<DWORD> OnScreen(HWND window) {
    POINT at{};
    ClientToScreen(window, &at);
    const HDC screen = GetDC(nullptr);
    auto pixels = Pixels(window, [&](HDC dc, const RECT& box) {
        BitBlt(dc, 0, 0, box.right, box.bottom, screen, at.x, at.y, SRCCOPY);
    });
    return ReleaseDC(nullptr, screen), pixels;
}

// Draws `text` wrapped into `box` in the message font `height` pixels high; or, with
// DT_CALCRECT, tells whether it fits. The font is the system's, in the face the program is to
// have: Wine keeps the font a process read first, and this one set none.
bool DrawWrapped(HDC dc, const std::wstring& text, int height, RECT box, UINT format = 0) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    metrics.lfMessageFont.lfHeight = -height;
    lstrcpynW(metrics.lfMessageFont.lfFaceName, kMessageFace, LF_FACESIZE);
    const RECT room = box;
    const HGDIOBJ previous = SelectObject(dc, CreateFontIndirectW(&metrics.lfMessageFont));
    DrawTextW(dc, text.c_str(), -1, &box, DT_WORDBREAK | DT_EXPANDTABS | format);
    DeleteObject(SelectObject(dc, previous));
    return box.right <= room.right && box.bottom <= room.bottom;
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

constexpr wchar_t kLabel1Text[] =
    L"This program is to help some of you that when playing Vorlax and you lag out or game "
    L"crash's when hitting a wall and you were recording a demo and when you play it back it "
    L"doesn't play cause the time of the demo is nuffed.  So I hope this program helps some "
    L"people, it changes time of a demo to very long period of time and then you can play your "
    L"demo back of what got recorded. This won't fix every problem in a demo but one very common "
    L"prob. Njoy!!";

constexpr wchar_t kCreditWords[] = L"Vorlax Demo Fixer 1.0, made by players, for players";

// Each control of a window as it must be: its text, screen-reader name and place in twips.
struct Specified {
    int id;
    const wchar_t* text;
    const wchar_t* name;       // where it is not the text (else null)
    std::array<int, 4> twips;  // left, top, width, height
};
const Specified kMainWindow[] = {
    // id, text, name, place
    {MainWindow::kInfo, L"&Info", L"Info", {120, 2640, 1335, 495}},
    {MainWindow::kExit, L"&Exit", L"Exit", {4680, 2640, 1335, 495}},
    {MainWindow::kOpen, L"&Open File", L"Open File", {2445, 960, 1215, 375}},
    {MainWindow::kDisplay, L"", L"Demo to fix", {-15, 1440, 6135, 285}},
    {MainWindow::kFix, L"&Fix", L"Fix", {1845, 1800, 2415, 495}},
    {MainWindow::kImage1, kCreditWords, nullptr, {1560, 2640, 2955, 435}}};
const Specified kInfoWindow[] = {
    {InfoWindow::kClose, L"Close", nullptr, {120, 2880, 4455, 255}},
    {InfoWindow::kLabel1, kLabel1Text, nullptr, {353, 360, 3975, 1935}},
    {InfoWindow::kLabel2, L"Released July 22th 2002", nullptr, {360, 2400, 3975, 375}}};

TEST_P(ProgramTest, ScalesWithDpiAndShowsEveryTextWhole) {
    const int dpi = GetParam().dpi;
    const HWND info = app_.OpenInfoBesideMain(), main = app_.main_window();
    const auto px = [&](int twips, int at = 0) { return MulDiv(twips, at ? at : dpi, 1440); };
    const auto place = [](const RECT& r) {  // left, top, width, height
        return std::array<LONG, 4>{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    // Each icon loaded at its own size (the system's at the DPI the program started at), not one
    // of them scaled to the other's.
    const auto [large, small] = app_.IconSizes();
    EXPECT_EQ(large.cx, GetSystemMetricsForDpi(SM_CXICON, dpi)) << "large icon";
    EXPECT_EQ(small.cx, GetSystemMetricsForDpi(SM_CXSMICON, dpi)) << "small icon";
    RECT box{}, client{};
    for (const int moved_to : {0, dpi == 96 ? 144 : 96, dpi}) {
        if (moved_to != 0) {  // where Windows would put it: elsewhere, with the frame it has
            GetWindowRect(main, &box);
            GetClientRect(main, &client);
            const RECT suggested{box.left + 40, box.top + 30,
                                 box.right + 40 + px(6105, moved_to) - client.right,
                                 box.bottom + 30 + px(3225, moved_to) - client.bottom};
            app_.MoveToDpi(moved_to, suggested);
            GetWindowRect(main, &box);
            EXPECT_EQ(place(box), place(suggested)) << "moved to " << moved_to;
        }
        using Controls = std::tuple<HWND, std::span<const Specified>, int>;  // their DPI
        for (const auto& [window, controls, at] :
             {Controls{main, kMainWindow, moved_to}, Controls{info, kInfoWindow, 0}}) {
            for (const Specified& control : controls) {
                const HWND shown = GetDlgItem(window, control.id);
                GetWindowRect(shown, &box);
                MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
                const auto [left, top, width, height] = control.twips;
                EXPECT_EQ(place(box), (std::array<LONG, 4>{px(left, at), px(top, at), px(width, at),
                                                           px(height, at)}))
                    << control.text << " at " << moved_to;
                EXPECT_EQ(AppDriver::Text(shown), control.text);
                EXPECT_EQ(AccessibleName(shown), control.name ? control.name : control.text);
            }
        }
    }
    int largest = MulDiv(9, dpi, 72) + 1;  // one above the 9-point message font
    for (bool fits = false; !fits && --largest > 1;) {
        Pixels(nullptr, [&](HDC dc, const RECT&) {
            fits = DrawWrapped(dc, kLabel1Text, largest, {0, 0, px(3975), px(1935)}, DT_CALCRECT);
        });
    }
    // Drawn a moment after the windows move; the picture is decoded later still.
    const HWND label = GetDlgItem(info, InfoWindow::kLabel1);
    const auto as_drawn = [&] {
        return OnScreen(label) == Pixels(label, [&](HDC dc, const RECT& all) {
                   SetTextColor(dc, 0x00FF00);
                   SetBkColor(dc, palette_.label1);
                   ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);  // the background
                   DrawWrapped(dc, kLabel1Text, largest, all);
               });
    };
    ASSERT_TRUE(WaitUntil(as_drawn)) << "not in the message font " << largest << " pixels high";
    const HWND picture = app_.Control(MainWindow::kImage1);
    const auto file = TestFolder() / (dpi == 96 ? L"credit.jpg" : L"credit-150.jpg");
    const auto image = Decoded(file, {px(2955), px(435)});
    ASSERT_FALSE(image.empty()) << file;
    if (GetParam().has_wic) {
        EXPECT_TRUE(WaitUntil([&] { return OnScreen(picture) == image; })) << file;
    } else {  // the picture's words, in its light grey on black
        EXPECT_TRUE(WaitUntil([&] { return std::ranges::count(OnScreen(picture), 0xE8E8E8); }));
        EXPECT_NE(OnScreen(picture), image);
    }
    EXPECT_TRUE(as_drawn()) << "drawn again";
    GetClientRect(info, &box);  // the Info window's
    EXPECT_EQ((std::pair{box.right, box.bottom}), (std::pair<LONG, LONG>{px(4680), px(3195)}));
}

// Every test runs against the program and its Windows XP double, at 100% and, under Wine
// (Windows takes a new DPI at the next sign-in only), 150%. The system colours are set as no
// contrast theme on may show: a dark theme's at 100%, navy text at 150%.
std::vector<Build> Builds() {
    const Programs& exes = ProgramsUnderTest();
    std::vector<Build> builds{{"ProgramAt100", exes.program, kDark},
                              {"AsOnXpAt100", exes.as_xp, kDark, 96, /*has_wic=*/false},
                              {"ProgramAt150", exes.program, kNavyText, 144},
                              {"AsOnXpAt150", exes.as_xp, kNavyText, 144, /*has_wic=*/false}};
    builds.resize(UnderWine() ? 4 : 2);
    return builds;
}
constexpr auto kByName = [](const auto& test) { return test.param.name; };
INSTANTIATE_TEST_SUITE_P(Builds, ProgramTest, testing::ValuesIn(Builds()), kByName);
INSTANTIATE_TEST_SUITE_P(Builds, FocusTest, testing::ValuesIn(Builds()), kByName);

// Under each palette, in a contrast theme and without one, every control shows, read from its
// pixels, the colours promised for it, every pair at least 4.5:1 apart as WCAG asks: in a theme,
// the theme's window colours everywhere; else black windows, the path field (with a path in it)
// in the system's window colours, and the Info window's greens on theirs.
class ColourTest : public ProgramTest {};

TEST_P(ColourTest, EveryControlShowsItsPromisedColours) {
    ASSERT_TRUE(app_.Arm(dir_.Write("crashed.dmo", kBroken)));
    const HWND info = app_.OpenInfoBesideMain();
    const bool themed = GetParam().themed;
    const COLORREF text = palette_.text, window = palette_.window, black = themed ? window : 0;
    // Each control, its text's colour and its background's, which most of it shows; a window's
    // corner shows its background. The buttons are the system's to draw (under Wine, in its own
    // theme); without a contrast theme the credit picture is compared with its file elsewhere.
    struct Promised {
        HWND control;
        COLORREF ink, paper;
    };
    const Promised promised[] = {
        {app_.main_window(), black, black},
        {info, black, black},
        {app_.Control(MainWindow::kDisplay), text, window},
        {GetDlgItem(info, InfoWindow::kLabel1), themed ? text : 0x00FF00,
         themed ? window : palette_.label1},
        {GetDlgItem(info, InfoWindow::kLabel2), themed ? text : 0x00C000, black},
        {app_.Control(MainWindow::kImage1), text, window}};
    const auto pixel = [](COLORREF c) { return RGB(GetBValue(c), GetGValue(c), GetRValue(c)); };
    for (const auto& [control, ink, paper] : std::span(promised).first(themed ? 6 : 5)) {
        SCOPED_TRACE(testing::Message() << "control " << GetDlgCtrlID(control));
        const auto count = [&](COLORREF c) {
            return std::ranges::count(OnScreen(control), pixel(c));
        };
        if (ink == paper) {  // a window: its corner
            EXPECT_TRUE(WaitUntil([&] { return OnScreen(control).at(0) == pixel(paper); }));
            continue;
        }
        EXPECT_TRUE(WaitUntil([&] { return count(paper) * 2 > std::ssize(OnScreen(control)); }));
        EXPECT_TRUE(WaitUntil([&] { return count(ink) > 0; }));
    }
}

// A contrast theme's colours, or a classic scheme's, and the build that shows them: the double
// that always sees a contrast theme on, or the program, which sees none (as Wine reports none).
std::vector<Build> Schemes() {
    const Programs& exes = ProgramsUnderTest();
    return {{.name = "DarkTheme", .exe = exes.high_contrast, .palette = kDark, .themed = true},
            {.name = "LightTheme", .exe = exes.high_contrast, .palette = kLight, .themed = true},
            {.name = "DarkColours", .exe = exes.program, .palette = kDark},
            {.name = "NavyText", .exe = exes.program, .palette = kNavyText}};
}
INSTANTIATE_TEST_SUITE_P(Palettes, ColourTest, testing::ValuesIn(Schemes()), kByName);

}  // namespace

// Usage: program_tests PROGRAM.exe XP_DOUBLE.exe CONTRAST_DOUBLE.exe [GoogleTest flags]
//        program_tests --colours save|restore FILE
int main(int argc, char** argv) {
    if (argc < 4 || argv[1] == std::string_view("--colours")) {
        return argc == 4 ? KeepColours(argv[2], argv[3]) : 2;
    }
    ProgramsUnderTest(argv);  // before InitGoogleTest makes the tests of each
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The program's windows read as drawn, in pixels: a reader not aware of DPI is given them
    // scaled to 96 DPI (by Windows, and by Wine from 9 on).
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    return RunTests(argc, argv);
}
