// Capture to the clipboard as a user sees it: the picture has the size and the pixels of what was
// captured, wherever it is; the main window goes away for the capture and comes back; trouble is
// reported and leaves the clipboard alone; Exit during a capture waits for the picture.
#include "app/fmMain_ids.h"
#include "tests/e2e/capture_support.h"
#include "tests/e2e/keyboard_support.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

using namespace capture;

using CaptureToClipboard = CaptureScenarios;
using CaptureToClipboardAt144Dpi = CaptureScenarios;
using CaptureToClipboardOn8Bit = CaptureScenarios;
using CaptureOnTwoScreens = CaptureScenarios;
using CaptureThenExit = CaptureScenarios;
using ActiveWindowTarget = CaptureScenarios;

TEST_F(CaptureToClipboard, ActiveWindowIsTheForegroundWindowFrameIncluded) {
    CaptureScenario(Screen::TrueColour, Scope::ActiveWindow, {301, 203});
}

TEST_F(CaptureToClipboard, EmptySettingsCaptureTheForegroundWindow) {
    DeleteSettingsKey();
    ASSERT_NO_FATAL_FAILURE(Start());
    ExpectCaptureOf(PatternWindow(PatternWindow::Kind::Captioned, ColourField(222, 111)));
}

// Clicking Capture with the mouse brings Kestrel to the front, and hiding it hands the foreground
// to whichever window Windows (or Wine) picks, or for a moment to none. The capture still shows the
// window the user was working in.
TEST_F(CaptureToClipboard, ClickingKestrelCapturesTheWindowTheUserWorkedIn) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow worked(PatternWindow::Kind::Captioned, ColourField(301, 203), {}, POINT{40, 30});
    PatternWindow other(PatternWindow::Kind::Captioned, ColourField(257, 181), {}, POINT{620, 30});
    ASSERT_TRUE(worked.BringToFront());
    // The other window lies above the one the user works in: it is next in line when Kestrel hides.
    ::SetWindowPos(other.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PumpFor(200ms);
    ASSERT_EQ(::GetForegroundWindow(), worked.hWnd());

    const RECT button = WindowRect(Child(main_, ids::fmMain::kCmdCapture));
    const POINT centre{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    ASSERT_TRUE(Capture(main_, [&] {
        SendMouse(centre, MOUSEEVENTF_LEFTDOWN);
        SendMouse(centre, MOUSEEVENTF_LEFTUP);
    }));
    ExpectWindowCapture(ReadClipboardPicture(), worked);
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
}

TEST_F(CaptureToClipboard, EntireScreenIsTheWholeScreenPixelForPixel) {
    CaptureScenario(Screen::TrueColour, Scope::EntireScreen);
}

// Minimised to the notification area, the window stays out of sight through a capture from the
// menu (which presses the Capture button).
TEST_F(CaptureToClipboard, AHiddenWindowStaysHidden) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(200, 150));
    ::ShowWindow(main_, SW_HIDE);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(main_); }));
    ASSERT_TRUE(pattern.BringToFront());

    const DWORD sequence = ::GetClipboardSequenceNumber();
    bool seen = false;
    PressCapture(main_);
    ASSERT_TRUE(PumpUntil([&] {
        seen = seen || ::IsWindowVisible(main_);
        return WaitForCaptureDone(main_, sequence, false, 0ms);
    }));
    PumpUntil([&] { return seen = seen || ::IsWindowVisible(main_); }, 500ms);
    EXPECT_FALSE(seen) << "the hidden window was shown";
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
}

// Two Capture requests that arrive together: the second comes in during the first one's yield and
// is ignored, rather than replacing the picture the first one is about to deliver.
TEST_F(CaptureToClipboard, ASecondCaptureDuringTheFirstIsIgnored) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(240, 160));
    ASSERT_TRUE(pattern.BringToFront());
    // How far one capture moves the clipboard's sequence number.
    const DWORD before = ::GetClipboardSequenceNumber();
    ASSERT_TRUE(Capture(main_));
    const DWORD afterOne = ::GetClipboardSequenceNumber();
    ASSERT_TRUE(pattern.BringToFront());

    auto captureTwice = [&] {
        PressCapture(main_);
        PressCapture(main_);
    };
    ASSERT_GT(WhileFrozen(kestrel_.ProcessId(), captureTwice), 0u);
    ASSERT_TRUE(WaitForCaptureDone(main_, afterOne, true));
    PumpFor(500ms);
    EXPECT_EQ(::GetClipboardSequenceNumber() - afterOne, afterOne - before) << "exactly one more capture";
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId())) << "no error";
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
    EXPECT_TRUE(::IsWindowVisible(main_));
}

// Another program holds the clipboard open: Kestrel waits a little, then says so and goes on; the
// clipboard keeps what the user had copied, and Picture1 lets go of the picture.
TEST_F(CaptureToClipboard, ABusyClipboardIsReportedAndLeftAlone) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(200, 150));
    PutTextOnClipboard(L"copied by the user");

    // Twice: the first message box loads its icon and caches device contexts for good, so only the
    // second round shows whether a capture that failed leaves anything behind.
    std::optional<ResourceCounts> afterFirst;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(pattern.BringToFront());
        ASSERT_TRUE(OpenClipboardPatiently());
        const auto pressed = std::chrono::steady_clock::now();
        ExpectCaptureReported(L"clipboard", L"copied by the user", [&](HWND box) {
            EXPECT_GE(std::chrono::steady_clock::now() - pressed, 450ms) << "Kestrel tried for about half a second";
            ::CloseClipboard();
            if (box && round == 0) EXPECT_EQ(MessageBoxIconKind(box), L"information");
            EXPECT_FALSE(::IsWindowVisible(main_)) << "hidden until the message is dismissed";
        });
        PumpFor(200ms);
        if (!afterFirst) {
            afterFirst = CountResources(kestrel_.Process());
        } else {
            EXPECT_EQ(LastingGrowth(kestrel_.Process(), *afterFirst, 1 << 20), "")
                << "left behind by the failed capture";
        }
    }
    ExpectCaptureOf(pattern);  // and the next capture works
}

// With no window of another program anywhere, there is nothing to capture: Kestrel says so instead
// of putting a picture of nothing (or of itself) on the clipboard.
TEST_F(CaptureToClipboard, NoWindowToCaptureIsReported) {
    WriteSettings("2", "2", "P", "100");
    PutTextOnClipboard(L"nothing to see");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == main_; }, 5s));
    ExpectCaptureReported(L"no window", L"nothing to see");
}

// At 150 % the picture still has the screen's real pixels: Kestrel is DPI aware, so nothing is
// virtualised, and the screen's size in pixels is not rounded through twips.
TEST_F(CaptureToClipboardAt144Dpi, ActiveWindowIsCapturedInRealPixels) {
    CaptureScenario(Screen::Dpi144, Scope::ActiveWindow, {333, 222});
}

TEST_F(CaptureToClipboardAt144Dpi, EntireScreenIsTheWholeScreenPixelForPixel) {
    CaptureScenario(Screen::Dpi144, Scope::EntireScreen);
}

// On a 256-colour palette screen the clipboard carries the system palette with the bitmap, and the
// colours that were on the screen are the colours of the picture.
TEST_F(CaptureToClipboardOn8Bit, TheScreenReallyIsAPaletteScreen) { ExpectScreen(Screen::Palette8Bit); }

TEST_F(CaptureToClipboardOn8Bit, ActiveWindowKeepsItsColoursThroughThePalette) {
    CaptureScenario(Screen::Palette8Bit, Scope::ActiveWindow, {241, 163});
}

TEST_F(CaptureToClipboardOn8Bit, EntireScreenKeepsItsColoursThroughThePalette) {
    CaptureScenario(Screen::Palette8Bit, Scope::EntireScreen);
}

// Exit chosen while a Capture is under way (its yields let it in) waits for the picture to be
// delivered, then ends Kestrel the usual way, settings saved.
TEST_F(CaptureThenExit, ExitDuringTheCaptureEndsKestrelOnceThePictureIsOnTheClipboard) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    SetField(main_, ids::fmMain::kTxtPercent, L"37");
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(240, 160));
    ASSERT_TRUE(pattern.BringToFront());

    const DWORD before = ::GetClipboardSequenceNumber();
    // Both requests wait in the queue together: the Capture's first yield finds the Exit.
    auto captureThenExit = [&] {
        PressCapture(main_);
        PressButton(main_, ids::fmMain::kCmdExit);
    };
    ASSERT_GT(WhileFrozen(kestrel_.ProcessId(), captureThenExit), 0u);
    ASSERT_TRUE(PumpUntil([&] { return !kestrel_.Running(); }, 20s)) << "Kestrel did not end";
    EXPECT_EQ(kestrel_.WaitForExit(), 0u);
    EXPECT_NE(::GetClipboardSequenceNumber(), before) << "the capture was delivered before the end";
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_BITMAP) || ::IsClipboardFormatAvailable(CF_DIB));
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"2", "2", "P", "37"})) << "Exit saved the settings";
}

// The user worked in one window, came to Kestrel, and the window was minimised before the capture
// was taken. Windows then activates the next window in line once Kestrel hides; that window is not
// what the user asked for, so nothing is captured and the clipboard keeps what it had.
TEST_F(ActiveWindowTarget, ARememberedWindowMinimisedBeforeTheCaptureIsReported) {
    WriteSettings("2", "2", "P", "100");
    PutTextOnClipboard(L"copied by the user");
    ASSERT_NO_FATAL_FAILURE(Start());
    PatternWindow worked(PatternWindow::Kind::Captioned, ColourField(301, 203), {}, POINT{40, 30});
    PatternWindow other(PatternWindow::Kind::Captioned, ColourField(257, 181), {}, POINT{620, 30});
    ASSERT_TRUE(worked.BringToFront());
    ::SetWindowPos(other.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The user comes to Kestrel: it notes the window they leave.
    ASSERT_TRUE(PumpUntil([&] {
        ::SetForegroundWindow(main_);
        return ::GetForegroundWindow() == main_;
    }));
    ::ShowWindow(worked.hWnd(), SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(worked.hWnd()) != FALSE; }));
    ASSERT_EQ(::GetForegroundWindow(), main_);
    ExpectCaptureReported(L"no window", L"copied by the user");
}

// A desk of two monitors (session.sh two-screens): the primary one at (0,0)-(800,600) and a
// second one left of it at (-640,0)-(0,480).
constexpr RECT kPrimary{0, 0, 800, 600};
constexpr RECT kLeft{-640, 0, 0, 480};

MONITORINFO MonitorAt(POINT point) {
    MONITORINFO info{sizeof(MONITORINFO)};
    ::GetMonitorInfoW(::MonitorFromPoint(point, MONITOR_DEFAULTTONULL), &info);
    return info;
}

TEST_F(CaptureOnTwoScreens, TheDeskHasAMonitorLeftOfThePrimary) {
    EXPECT_EQ(::GetSystemMetrics(SM_CMONITORS), 2);
    const MONITORINFO primary = MonitorAt(POINT{0, 0});
    EXPECT_TRUE(::EqualRect(&primary.rcMonitor, &kPrimary));
    EXPECT_TRUE(primary.dwFlags & MONITORINFOF_PRIMARY);
    const MONITORINFO left = MonitorAt(POINT{-1, 0});
    EXPECT_TRUE(::EqualRect(&left.rcMonitor, &kLeft)) << "a monitor at negative coordinates";
    EXPECT_FALSE(left.dwFlags & MONITORINFOF_PRIMARY);
    EXPECT_EQ(::GetSystemMetrics(SM_XVIRTUALSCREEN), kLeft.left);
    EXPECT_EQ(::GetSystemMetrics(SM_CXVIRTUALSCREEN), 1440);
}

struct PlaceCase {
    const char* name;
    POINT position;
    bool onTheLeftMonitor;
};

class ActiveWindowOnTwoScreens : public CaptureScenarios, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ActiveWindowOnTwoScreens, IsThatWindowPixelForPixel) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(301, 203), {}, GetParam().position);
    ASSERT_TRUE(pattern.BringToFront());
    const RECT outer = WindowRect(pattern.hWnd());
    ASSERT_EQ(outer.left, GetParam().position.x) << "placed where asked";
    RECT common{};
    ::IntersectRect(&common, &outer, &kLeft);
    ASSERT_EQ(::EqualRect(&common, &outer) != FALSE, GetParam().onTheLeftMonitor) << "wholly on the left monitor";
    ExpectCaptureOf(pattern);
}

INSTANTIATE_TEST_SUITE_P(Places, ActiveWindowOnTwoScreens,
                         ::testing::Values(PlaceCase{"leftMonitor", POINT{-600, 40}, true},
                                           PlaceCase{"acrossBothMonitors", POINT{-150, 100}, false},
                                           PlaceCase{"primaryMonitor", POINT{300, 200}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Entire Screen keeps its meaning on a desk of several monitors: the primary screen, at its own
// size, not the whole desk.
TEST_F(CaptureOnTwoScreens, EntireScreenIsThePrimaryScreen) {
    ASSERT_EQ(::GetSystemMetrics(SM_CXSCREEN), kPrimary.right);
    ASSERT_EQ(::GetSystemMetrics(SM_CYSCREEN), kPrimary.bottom);
    CaptureScenario(Screen::TrueColour, Scope::EntireScreen);
}

}  // namespace
}  // namespace kestrel::e2e
