// Which window Active Window takes, and that it gives that window's pixels wherever the window is:
// a remembered window that went away is not replaced by whatever came to the front, and on a desk
// of two monitors a window left of the primary one is copied exactly. Entire Screen stays the
// primary screen.
#include "tests/e2e/capture_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrel::e2e {
namespace {

using ActiveWindowTarget = KestrelTest;

using namespace capture;
using CaptureOnTwoScreens = capture::CaptureScenarios;

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
        if (::GetForegroundWindow() == main_) return true;
        ::SetForegroundWindow(main_);
        return false;
    }));
    ::ShowWindow(worked.hWnd(), SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(worked.hWnd()) != FALSE; }));
    ASSERT_EQ(::GetForegroundWindow(), main_);

    PressCapture(main_);
    HWND box = WaitForMessageBox(kestrel_);
    ASSERT_NE(box, nullptr) << "a message tells the user";
    EXPECT_EQ(WindowText(box), L"Kestrel");
    EXPECT_NE(MessageBoxText(box).find(L"no window"), std::wstring::npos);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(main_); })) << "the window comes back";
    EXPECT_TRUE(kestrel_.Running());
    EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(L"copied by the user"));
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_BITMAP)) << "nothing placed";
}

// ------------------------------------------------------------------------------------------------
// A desk of two monitors (session.sh two-screens): the primary one at (0,0)-(800,600) and a
// second one left of it at (-640,0)-(0,480).

constexpr RECT kPrimary{0, 0, 800, 600};
constexpr RECT kLeft{-640, 0, 0, 480};

struct Monitor {
    RECT rect;
    bool primary;
};

std::vector<Monitor> Monitors() {
    std::vector<Monitor> monitors;
    ::EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM list) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (::GetMonitorInfoW(monitor, &info)) {
                reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
                    Monitor{info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

bool Same(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST_F(CaptureOnTwoScreens, TheDeskHasAMonitorLeftOfThePrimary) {
    const std::vector<Monitor> monitors = Monitors();
    ASSERT_EQ(monitors.size(), 2u);
    int primaries = 0;
    bool left = false;
    for (const Monitor& monitor : monitors) {
        if (monitor.primary) {
            ++primaries;
            EXPECT_TRUE(Same(monitor.rect, kPrimary));
        } else {
            left = Same(monitor.rect, kLeft);
        }
    }
    EXPECT_EQ(primaries, 1);
    EXPECT_TRUE(left) << "a monitor at negative coordinates";
    EXPECT_EQ(::GetSystemMetrics(SM_XVIRTUALSCREEN), kLeft.left);
    EXPECT_EQ(::GetSystemMetrics(SM_CXVIRTUALSCREEN), 1440);
}

struct PlaceCase {
    const char* name;
    POINT position;
    bool onTheLeftMonitor;
};

using ActiveWindowOnTwoScreens = KestrelTestWithParam<PlaceCase>;

TEST_P(ActiveWindowOnTwoScreens, IsThatWindowPixelForPixel) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(301, 203), {}, GetParam().position);
    ASSERT_TRUE(pattern.BringToFront());
    const RECT outer = WindowRect(pattern.hWnd());
    ASSERT_EQ(outer.left, GetParam().position.x) << "placed where asked";
    ASSERT_EQ(Inside(outer, kLeft), GetParam().onTheLeftMonitor);

    ASSERT_TRUE(Capture(main_));
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
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
    EntireScreenScenario(Screen::TrueColour);
}

}  // namespace
}  // namespace kestrel::e2e
