// Capture to the clipboard as a user sees it: the picture that lands on the clipboard has the size
// of what was captured and the pixels that were on the screen; the main window goes away for the
// capture and comes back; trouble is reported and the program lives on.
#include "app/fmMain_ids.h"
#include "tests/e2e/capture_support.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

using CaptureToClipboard = capture::CaptureScenarios;
using CaptureToClipboardAt144Dpi = capture::CaptureScenarios;
using CaptureToClipboardOn8Bit = capture::CaptureScenarios;

using namespace capture;

std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void Dismiss(HWND box) { ::PostMessageW(box, WM_COMMAND, IDOK, 0); }

TEST_F(CaptureToClipboard, ActiveWindowIsTheForegroundWindowFrameIncluded) {
    ActiveWindowScenario(Screen::TrueColour, 301, 203);
}

TEST_F(CaptureToClipboard, EmptySettingsCaptureTheForegroundWindow) {
    DeleteSettingsKey();
    ASSERT_NO_FATAL_FAILURE(Start());
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(222, 111));
    ASSERT_TRUE(pattern.BringToFront());

    ASSERT_TRUE(Capture(main_));
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
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

    const DWORD sequence = ::GetClipboardSequenceNumber();
    ClickCaptureWithTheMouse(main_);
    ASSERT_TRUE(WaitForCaptureDone(main_, sequence, true));
    ExpectWindowCapture(ReadClipboardPicture(), worked);
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
}

TEST_F(CaptureToClipboard, EntireScreenIsTheWholeScreenPixelForPixel) { EntireScreenScenario(Screen::TrueColour); }

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
    PressCapture(main_);
    ASSERT_TRUE(WaitForCaptureDone(main_, before, true));
    const DWORD afterOne = ::GetClipboardSequenceNumber();
    ASSERT_TRUE(pattern.BringToFront());

    {
        FrozenProcess frozen(kestrel_.ProcessId());
        ASSERT_GT(frozen.Threads(), 0u);
        PressCapture(main_);
        PressCapture(main_);
    }
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
        PressCapture(main_);
        HWND box = WaitForMessageBox(kestrel_);
        const auto waited = std::chrono::steady_clock::now() - pressed;
        ::CloseClipboard();
        ASSERT_NE(box, nullptr) << "a message tells the user";
        EXPECT_GE(waited, 450ms) << "Kestrel tried again for about half a second first";
        EXPECT_EQ(WindowText(box), L"Kestrel");
        EXPECT_NE(MessageBoxText(box).find(L"clipboard"), std::wstring::npos) << Ascii(MessageBoxText(box));
        if (round == 0) EXPECT_EQ(MessageBoxIconKind(box), L"information");
        EXPECT_FALSE(::IsWindowVisible(main_)) << "hidden until the message is dismissed";

        Dismiss(box);
        ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(main_); })) << "the window comes back";
        EXPECT_TRUE(kestrel_.Running());
        EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(L"copied by the user"));
        EXPECT_FALSE(::IsClipboardFormatAvailable(CF_BITMAP));
        PumpFor(200ms);
        if (!afterFirst) {
            afterFirst = CountResources(kestrel_.Process());
        } else {
            // A repaint may hold a device context for a moment; what a failed capture leaks stays.
            std::vector<std::string> grown;
            PumpUntil(
                [&] { return (grown = Growth(*afterFirst, CountResources(kestrel_.Process()), 1 << 20)).empty(); }, 2s);
            EXPECT_TRUE(grown.empty()) << "the failed capture left something behind:\n" << Join(grown);
        }
    }

    // And the next capture works.
    ASSERT_TRUE(pattern.BringToFront());
    ASSERT_TRUE(Capture(main_));
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
}

// With no window of another program anywhere, there is nothing to capture: Kestrel says so instead
// of putting a picture of nothing (or of itself) on the clipboard.
TEST_F(CaptureToClipboard, NoWindowToCaptureIsReported) {
    WriteSettings("2", "2", "P", "100");
    PutTextOnClipboard(L"nothing to see");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == main_; }, 5s));

    PressCapture(main_);
    HWND box = WaitForMessageBox(kestrel_);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Kestrel");
    EXPECT_NE(MessageBoxText(box).find(L"no window"), std::wstring::npos) << Ascii(MessageBoxText(box));
    Dismiss(box);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(main_); }));
    EXPECT_TRUE(kestrel_.Running());
    EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(L"nothing to see"));
}

// On a display scaled to 150 % the picture still has the screen's real pixels: Kestrel is DPI aware,
// so nothing is virtualised, and the screen's size in pixels is not rounded through twips.
TEST_F(CaptureToClipboardAt144Dpi, ActiveWindowIsCapturedInRealPixels) {
    ActiveWindowScenario(Screen::Dpi144, 333, 222);
}

TEST_F(CaptureToClipboardAt144Dpi, EntireScreenIsTheWholeScreenPixelForPixel) { EntireScreenScenario(Screen::Dpi144); }

// On a 256-colour palette screen the clipboard carries the system palette with the bitmap, and the
// colours that were on the screen are the colours of the picture.
TEST_F(CaptureToClipboardOn8Bit, TheScreenReallyIsAPaletteScreen) { ExpectScreen(Screen::Palette8Bit); }

TEST_F(CaptureToClipboardOn8Bit, ActiveWindowKeepsItsColoursThroughThePalette) {
    ActiveWindowScenario(Screen::Palette8Bit, 241, 163);
}

TEST_F(CaptureToClipboardOn8Bit, EntireScreenKeepsItsColoursThroughThePalette) {
    EntireScreenScenario(Screen::Palette8Bit);
}

}  // namespace
}  // namespace kestrel::e2e
