// Capture to the clipboard as a user sees it: the picture that lands on the clipboard has the size
// of what was captured and the pixels that were on the screen; the main window goes away for the
// capture and comes back; trouble is reported and the program lives on.
#include "app/fmMain_ids.h"
#include "tests/e2e/capture_support.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

using namespace capture;

std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void Dismiss(HWND box) { ::PostMessageW(box, WM_COMMAND, IDOK, 0); }

TEST(CaptureToClipboard, ActiveWindowIsTheForegroundWindowFrameIncluded) {
    ActiveWindowScenario(Screen::TrueColour, 301, 203);
}

TEST(CaptureToClipboard, EmptySettingsCaptureTheForegroundWindow) {
    DeleteSettingsKey();
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(222, 111));
    ASSERT_TRUE(pattern.BringToFront());

    ASSERT_TRUE(Capture(main));
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
}

// Clicking Capture with the mouse brings Kestrel to the front, and hiding it hands the foreground
// to whichever window Windows (or Wine) picks, or for a moment to none. The capture still shows the
// window the user was working in.
TEST(CaptureToClipboard, ClickingKestrelCapturesTheWindowTheUserWorkedIn) {
    WriteSettings("2", "2", "P", "100");
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    PatternWindow worked(PatternWindow::Kind::Captioned, ColourField(301, 203), {}, POINT{40, 30});
    PatternWindow other(PatternWindow::Kind::Captioned, ColourField(257, 181), {}, POINT{620, 30});
    ASSERT_TRUE(worked.BringToFront());
    // The other window lies above the one the user works in: it is next in line when Kestrel hides.
    ::SetWindowPos(other.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PumpFor(200ms);
    ASSERT_EQ(::GetForegroundWindow(), worked.hWnd());

    const DWORD sequence = ::GetClipboardSequenceNumber();
    ClickCaptureWithTheMouse(main);
    ASSERT_TRUE(WaitForCaptureDone(main, sequence, true));
    ExpectWindowCapture(ReadClipboardPicture(), worked);
    EXPECT_FALSE(FindMessageBox(kestrel.ProcessId()));
}

TEST(CaptureToClipboard, EntireScreenIsTheWholeScreenPixelForPixel) { EntireScreenScenario(Screen::TrueColour); }

// Minimised to the notification area, the window stays out of sight through a capture from the
// menu (which presses the Capture button).
TEST(CaptureToClipboard, AHiddenWindowStaysHidden) {
    WriteSettings("2", "2", "P", "100");
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(200, 150));
    ::ShowWindow(main, SW_HIDE);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(main); }));
    ASSERT_TRUE(pattern.BringToFront());

    const DWORD sequence = ::GetClipboardSequenceNumber();
    bool seen = false;
    PressCapture(main);
    ASSERT_TRUE(PumpUntil([&] {
        seen = seen || ::IsWindowVisible(main);
        return WaitForCaptureDone(main, sequence, false, 0ms);
    }));
    PumpUntil([&] { return seen = seen || ::IsWindowVisible(main); }, 500ms);
    EXPECT_FALSE(seen) << "the hidden window was shown";
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
}

// Two Capture requests that arrive together: the second comes in during the first one's yield and
// is ignored, rather than replacing the picture the first one is about to deliver.
TEST(CaptureToClipboard, ASecondCaptureDuringTheFirstIsIgnored) {
    WriteSettings("2", "2", "P", "100");
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(240, 160));
    ASSERT_TRUE(pattern.BringToFront());

    // How far one capture moves the clipboard's sequence number.
    const DWORD before = ::GetClipboardSequenceNumber();
    PressCapture(main);
    ASSERT_TRUE(WaitForCaptureDone(main, before, true));
    const DWORD afterOne = ::GetClipboardSequenceNumber();
    ASSERT_TRUE(pattern.BringToFront());

    {
        FrozenProcess frozen(kestrel.ProcessId());
        ASSERT_GT(frozen.Threads(), 0u);
        PressCapture(main);
        PressCapture(main);
    }
    ASSERT_TRUE(WaitForCaptureDone(main, afterOne, true));
    PumpFor(500ms);
    EXPECT_EQ(::GetClipboardSequenceNumber() - afterOne, afterOne - before) << "exactly one more capture";
    EXPECT_FALSE(FindMessageBox(kestrel.ProcessId())) << "no error";
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
    EXPECT_TRUE(::IsWindowVisible(main));
}

// Another program holds the clipboard open: Kestrel waits a little, then says so and goes on; the
// clipboard keeps what the user had copied, and Picture1 lets go of the picture.
TEST(CaptureToClipboard, ABusyClipboardIsReportedAndLeftAlone) {
    WriteSettings("2", "2", "P", "100");
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
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
        PressCapture(main);
        HWND box = WaitForMessageBox(kestrel);
        const auto waited = std::chrono::steady_clock::now() - pressed;
        ::CloseClipboard();
        ASSERT_NE(box, nullptr) << "a message tells the user";
        EXPECT_GE(waited, 450ms) << "Kestrel tried again for about half a second first";
        EXPECT_EQ(WindowText(box), L"Kestrel");
        EXPECT_NE(MessageBoxText(box).find(L"clipboard"), std::wstring::npos) << Ascii(MessageBoxText(box));
        if (round == 0) EXPECT_EQ(MessageBoxIconKind(box), L"information");
        EXPECT_FALSE(::IsWindowVisible(main)) << "hidden until the message is dismissed";

        Dismiss(box);
        ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(main); })) << "the window comes back";
        EXPECT_TRUE(kestrel.Running());
        EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(L"copied by the user"));
        EXPECT_FALSE(::IsClipboardFormatAvailable(CF_BITMAP));
        PumpFor(200ms);
        if (!afterFirst) {
            afterFirst = CountResources(kestrel.Process());
        } else {
            // A repaint may hold a device context for a moment; what a failed capture leaks stays.
            std::vector<std::string> grown;
            PumpUntil([&] { return (grown = Growth(*afterFirst, CountResources(kestrel.Process()), 1 << 20)).empty(); },
                      2s);
            EXPECT_TRUE(grown.empty()) << "the failed capture left something behind:\n" << Join(grown);
        }
    }

    // And the next capture works.
    ASSERT_TRUE(pattern.BringToFront());
    ASSERT_TRUE(Capture(main));
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
}

// With no window of another program anywhere, there is nothing to capture: Kestrel says so instead
// of putting a picture of nothing (or of itself) on the clipboard.
TEST(CaptureToClipboard, NoWindowToCaptureIsReported) {
    WriteSettings("2", "2", "P", "100");
    PutTextOnClipboard(L"nothing to see");
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == main; }, 5s));

    PressCapture(main);
    HWND box = WaitForMessageBox(kestrel);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Kestrel");
    EXPECT_NE(MessageBoxText(box).find(L"no window"), std::wstring::npos) << Ascii(MessageBoxText(box));
    Dismiss(box);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(main); }));
    EXPECT_TRUE(kestrel.Running());
    EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(L"nothing to see"));
}

// On a display scaled to 150 % the picture still has the screen's real pixels: Kestrel is DPI aware,
// so nothing is virtualised, and the screen's size in pixels is not rounded through twips.
TEST(CaptureToClipboardAt144Dpi, ActiveWindowIsCapturedInRealPixels) { ActiveWindowScenario(Screen::Dpi144, 333, 222); }

TEST(CaptureToClipboardAt144Dpi, EntireScreenIsTheWholeScreenPixelForPixel) { EntireScreenScenario(Screen::Dpi144); }

// On a 256-colour palette screen the clipboard carries the system palette with the bitmap, and the
// colours that were on the screen are the colours of the picture.
TEST(CaptureToClipboardOn8Bit, TheScreenReallyIsAPaletteScreen) { ExpectScreen(Screen::Palette8Bit); }

TEST(CaptureToClipboardOn8Bit, ActiveWindowKeepsItsColoursThroughThePalette) {
    ActiveWindowScenario(Screen::Palette8Bit, 241, 163);
}

TEST(CaptureToClipboardOn8Bit, EntireScreenKeepsItsColoursThroughThePalette) {
    EntireScreenScenario(Screen::Palette8Bit);
}

}  // namespace
}  // namespace kestrel::e2e
