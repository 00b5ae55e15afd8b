// The capture's rules: the screen's and a window's size, which window to take, the part of it
// that is seen, and the dragged region with its label.
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

#include "capture/capture_size.h"
#include "capture/capture_target.h"
#include "capture/region_rules.h"
#include "capture/window_area.h"
#include "tests/host/table_test.h"

namespace kestrel {

std::ostream& operator<<(std::ostream& out, const PixelRect& r) {
    return out << "{" << r.left << "," << r.top << " - " << r.right << "," << r.bottom << "}";
}

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct ScreenCase {
    double widthTwips, twipsPerPixelX, heightTwips, twipsPerPixelY;
    std::int32_t width = 0, height = 0;  // for the errors: the error number in width
};

class ScreenPixelSizeTest : public ::testing::TestWithParam<ScreenCase> {};
class ScreenPixelSizeErrors : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(ScreenPixelSizeTest, GivesTheScreensTruePixelSize) {
    const ScreenCase& c = GetParam();
    const PixelSize size = ScreenPixelSize(c.widthTwips, c.twipsPerPixelX, c.heightTwips, c.twipsPerPixelY);
    EXPECT_EQ(size.width, c.width);
    EXPECT_EQ(size.height, c.height);
}

TEST_P(ScreenPixelSizeErrors, ThrowTheToolkitsError) {
    const ScreenCase& c = GetParam();
    EXPECT_EQ(Raised([&] { ScreenPixelSize(c.widthTwips, c.twipsPerPixelX, c.heightTwips, c.twipsPerPixelY); }).number,
              c.width);
}

// The toolkit hands out single-precision metrics; 1440/168 (175 %) is not exact in float, so the
// quotient lands a hair off the whole pixel count. At 144 dpi a rounded divisor (8) would give
// 3600 x 2025; different horizontal and vertical resolutions are kept apart.
const float k175Percent = 1440.0f / 168.0f;

INSTANTIATE_TEST_SUITE_P(DisplayScalings, ScreenPixelSizeTest,
                         ::testing::Values(ScreenCase{1920 * 15.0, 15, 1080 * 15.0, 15, 1920, 1080},
                                           ScreenCase{2560 * 12.0, 12, 1440 * 12.0, 12, 2560, 1440},
                                           ScreenCase{3840 * 7.5, 7.5, 2160 * 7.5, 7.5, 3840, 2160},
                                           ScreenCase{static_cast<float>(2560 * k175Percent), k175Percent,
                                                      static_cast<float>(1600 * k175Percent), k175Percent, 2560, 1600},
                                           ScreenCase{640 * 15.0, 15, 350 * 24.0, 24, 640, 350}));
INSTANTIATE_TEST_SUITE_P(QuotientRounding, ScreenPixelSizeTest,
                         ::testing::Values(ScreenCase{100.4, 1, 100.6, 1, 100, 101},
                                           ScreenCase{100.5, 1, 101.5, 1, 100, 102},  // to even
                                           ScreenCase{0, 15, 0, 15, 0, 0}));
INSTANTIATE_TEST_SUITE_P(BadMetrics, ScreenPixelSizeErrors,
                         ::testing::Values(ScreenCase{28800, 0, 16200, 15, 11}, ScreenCase{28800, 15, 16200, 0, 11},
                                           ScreenCase{28800, -15, 16200, 15, 6}, ScreenCase{28800, kNaN, 16200, 15, 6},
                                           ScreenCase{28800, 15, 16200, kInf, 6}, ScreenCase{kNaN, 15, 16200, 15, 6},
                                           ScreenCase{28800, 15, kInf, 15, 6}, ScreenCase{3e9, 1, 16200, 15, 6},
                                           ScreenCase{28800, 15, -3e9, 1, 6}, ScreenCase{28800, 1e-320, 16200, 15, 6}));

TEST(ScreenPixelSizeLimits, LargestWholeSizesStillFit) {
    const PixelSize size = ScreenPixelSize(2147483647.0, 1, -2147483648.0, 1);
    EXPECT_EQ(size.width, kMax);
    EXPECT_EQ(size.height, kMin);
}

struct RectCase {
    std::int32_t left, top, right, bottom;
    std::int32_t width = 0, height = 0;
};

class WindowRectSizeTest : public ::testing::TestWithParam<RectCase> {};
class WindowRectSizeOverflow : public ::testing::TestWithParam<RectCase> {};

TEST_P(WindowRectSizeTest, IsRightMinusLeftAndBottomMinusTop) {
    const RectCase& c = GetParam();
    const PixelSize size = WindowRectSize(c.left, c.top, c.right, c.bottom);
    EXPECT_EQ(size.width, c.width);
    EXPECT_EQ(size.height, c.height);
}

TEST_P(WindowRectSizeOverflow, ThrowsOverflow) {
    const RectCase& c = GetParam();
    const RunTimeError error = Raised([&] { WindowRectSize(c.left, c.top, c.right, c.bottom); });
    EXPECT_EQ(error.number, 6);
    EXPECT_STREQ(error.what(), "Overflow");
}

// A maximised window's frame hangs off the screen's top-left corner.
INSTANTIATE_TEST_SUITE_P(Rectangles, WindowRectSizeTest,
                         ::testing::Values(RectCase{10, 20, 110, 220, 100, 200},
                                           RectCase{-8, -8, 1928, 1048, 1936, 1056}, RectCase{100, 50, 0, 0, -100, -50},
                                           RectCase{0, 0, 0, 0, 0, 0}, RectCase{0, 0, kMax, kMax, kMax, kMax},
                                           RectCase{-1, -1, kMax - 1, kMax - 1, kMax, kMax},
                                           RectCase{0, 0, kMin, kMin, kMin, kMin},
                                           RectCase{kMin, kMin, kMin, kMin, 0, 0}));
INSTANTIATE_TEST_SUITE_P(OutOfRange, WindowRectSizeOverflow,
                         ::testing::Values(RectCase{kMin, 0, 0, 0}, RectCase{-1, 0, kMax, 0}, RectCase{0, kMin, 0, 0},
                                           RectCase{0, -1, 0, kMax}, RectCase{1, 0, kMin, 0}, RectCase{0, 1, 0, kMin},
                                           RectCase{kMin, kMin, kMax, kMax}));

// A shown window of another program, with one fact changed.
WindowFacts Usable(bool WindowFacts::*fact = nullptr, bool value = true) {
    WindowFacts w;
    w.exists = true;
    w.visible = true;
    if (fact) w.*fact = value;
    return w;
}
const WindowFacts kUsable = Usable();
const WindowFacts kMissing{};
const WindowFacts kHidden = Usable(&WindowFacts::visible, false);
const WindowFacts kMinimized = Usable(&WindowFacts::minimized);
const WindowFacts kCloaked = Usable(&WindowFacts::cloaked);
const WindowFacts kKestrels = Usable(&WindowFacts::ownProcess);
const WindowFacts kTaskbar = Usable(&WindowFacts::shellSurface);

struct CandidateCase {
    const char* name;
    WindowFacts window;
    bool candidate;
};

class IsCaptureCandidateTest : public ::testing::TestWithParam<CandidateCase> {};

TEST_P(IsCaptureCandidateTest, OnlyShownWindowsOfOtherPrograms) {
    EXPECT_EQ(IsCaptureCandidate(GetParam().window), GetParam().candidate);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, IsCaptureCandidateTest,
    ::testing::Values(CandidateCase{"usable", kUsable, true}, CandidateCase{"missing", kMissing, false},
                      CandidateCase{"hidden", kHidden, false}, CandidateCase{"minimized", kMinimized, false},
                      CandidateCase{"cloaked", kCloaked, false}, CandidateCase{"kestrels", kKestrels, false},
                      CandidateCase{"taskbar", kTaskbar, false}),
    kRowName);

using Choice = CaptureTargetChoice;

struct ChoiceCase {
    const char* name;
    WindowFacts foregroundNow;
    bool requestedFromKestrel;
    WindowFacts remembered;
    Choice choice;
};

class ChooseCaptureTargetTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooseCaptureTargetTest, TakesTheWindowTheUserWorkedIn) {
    const ChoiceCase& c = GetParam();
    EXPECT_EQ(ChooseCaptureTarget(c.foregroundNow, c.requestedFromKestrel, c.remembered), c.choice);
}

// Started while another program was in front (tests, automation): that window. When the front
// one is Kestrel's hidden window, nobody's or the shell's: the remembered one.
INSTANTIATE_TEST_SUITE_P(
    RequestedFromAnotherWindow, ChooseCaptureTargetTest,
    ::testing::Values(ChoiceCase{"foregroundWins", kUsable, false, kUsable, Choice::ForegroundNow},
                      ChoiceCase{"foregroundWithoutMemory", kUsable, false, kMissing, Choice::ForegroundNow},
                      ChoiceCase{"kestrelInFront", kKestrels, false, kUsable, Choice::Remembered},
                      ChoiceCase{"nobodyInFront", kMissing, false, kUsable, Choice::Remembered},
                      ChoiceCase{"taskbarInFront", kTaskbar, false, kUsable, Choice::Remembered},
                      ChoiceCase{"minimizedInFront", kMinimized, false, kUsable, Choice::Remembered},
                      ChoiceCase{"cloakedInFront", kCloaked, false, kUsable, Choice::Remembered},
                      ChoiceCase{"nothing", kMissing, false, kMissing, Choice::None},
                      ChoiceCase{"rememberedClosed", kKestrels, false, kMissing, Choice::None},
                      ChoiceCase{"rememberedHidden", kMissing, false, kHidden, Choice::None},
                      ChoiceCase{"rememberedMinimized", kMissing, false, kMinimized, Choice::None},
                      ChoiceCase{"rememberedCloaked", kTaskbar, false, kCloaked, Choice::None},
                      ChoiceCase{"bothCloaked", kCloaked, false, kCloaked, Choice::None}),
    kRowName);

// Kestrel's button was clicked: the window Windows handed the foreground to after the hide (maybe
// the taskbar, maybe some other window) is not what the user chose, and is not taken in place of
// a remembered window that has gone since (closed, minimised, hidden, on another virtual desktop).
INSTANTIATE_TEST_SUITE_P(
    RequestedFromKestrel, ChooseCaptureTargetTest,
    ::testing::Values(ChoiceCase{"rememberedWins", kUsable, true, kUsable, Choice::Remembered},
                      ChoiceCase{"rememberedOverTaskbar", kTaskbar, true, kUsable, Choice::Remembered},
                      ChoiceCase{"rememberedOverNobody", kMissing, true, kUsable, Choice::Remembered},
                      ChoiceCase{"rememberedOverCloaked", kCloaked, true, kUsable, Choice::Remembered},
                      ChoiceCase{"rememberedClosed", kUsable, true, kMissing, Choice::None},
                      ChoiceCase{"rememberedMinimized", kUsable, true, kMinimized, Choice::None},
                      ChoiceCase{"rememberedHidden", kUsable, true, kHidden, Choice::None},
                      ChoiceCase{"rememberedCloaked", kUsable, true, kCloaked, Choice::None},
                      ChoiceCase{"rememberedKestrels", kUsable, true, kKestrels, Choice::None},
                      ChoiceCase{"rememberedTaskbar", kUsable, true, kTaskbar, Choice::None},
                      ChoiceCase{"nothing", kKestrels, true, kMissing, Choice::None},
                      ChoiceCase{"onlyTheTaskbar", kTaskbar, true, kHidden, Choice::None}),
    kRowName);

class IsShellSurfaceClassTest : public ::testing::TestWithParam<Row<const wchar_t*, bool>> {};

TEST_P(IsShellSurfaceClassTest, KnowsTheShellsOwnWindows) {
    EXPECT_EQ(IsShellSurfaceClass(GetParam().in), GetParam().out);
}

// Ordinary programs and near misses after the shell's own: exact, case-sensitive names only.
INSTANTIATE_TEST_SUITE_P(Classes, IsShellSurfaceClassTest,
                         ::testing::ValuesIn(std::vector<Row<const wchar_t*, bool>>{
                             {L"Shell_TrayWnd", true},
                             {L"Shell_SecondaryTrayWnd", true},
                             {L"Progman", true},
                             {L"WorkerW", true},
                             {L"#32769", true},
                             {L"NotifyIconOverflowWindow", true},
                             {L"TopLevelWindowForOverflowXamlIsland", true},
                             {L"MultitaskingViewFrame", true},
                             {L"XamlExplorerHostIslandWindow", true},
                             {L"TaskSwitcherWnd", true},
                             {L"ForegroundStaging", true},
                             {L"__winex11_standalone_tray", true},
                             {L"Notepad", false},
                             {L"Kestrel.fmMain", false},
                             {L"#32770", false},
                             {L"shell_traywnd", false},
                             {L"Shell_TrayWnd2", false},
                             {L"Shell_Tray", false},
                             {L"", false}}));
struct AreaCase {
    const char* name;
    ScreenRect window;
    std::optional<ScreenRect> frame;
    double scale;
    WindowArea area;
};

class VisibleWindowAreaTest : public ::testing::TestWithParam<AreaCase> {};

TEST_P(VisibleWindowAreaTest, CopiesWhatTheUserSees) {
    const AreaCase& c = GetParam();
    const WindowArea area = VisibleWindowArea(c.window, c.frame, c.scale);
    EXPECT_EQ(area.left, c.area.left);
    EXPECT_EQ(area.top, c.area.top);
    EXPECT_EQ(area.width, c.area.width);
    EXPECT_EQ(area.height, c.area.height);
}

// A window of 816 x 639 at (100, 50) with the compositor's invisible borders of 7 pixels left,
// right and bottom: what is seen is 802 x 632 from (7, 0).
constexpr ScreenRect kWindow{100, 50, 916, 689};
constexpr ScreenRect kFrame{107, 50, 909, 682};
constexpr WindowArea kWholeWindow{0, 0, 816, 639};
constexpr WindowArea kSeenFrame{7, 0, 802, 632};

INSTANTIATE_TEST_SUITE_P(
    Compositor, VisibleWindowAreaTest,
    ::testing::Values(AreaCase{"invisibleBorders", kWindow, kFrame, 1.0, kSeenFrame},
                      // Wine and Windows XP: no answer, or the window rectangle itself.
                      AreaCase{"noAnswer", kWindow, std::nullopt, 1.0, kWholeWindow},
                      AreaCase{"answerIsTheWindow", kWindow, kWindow, 1.0, kWholeWindow},
                      // A maximised window reaches past its monitor by its borders; the frame is the work area.
                      AreaCase{"maximised", ScreenRect{-8, -8, 1928, 1048}, ScreenRect{0, 0, 1920, 1040}, 1.0,
                               WindowArea{8, 8, 1920, 1040}},
                      // 150 %: borders of 11 physical pixels, and the window rectangle in physical pixels too
                      // (a per-monitor aware program).
                      AreaCase{"scaledMonitorPerMonitorAware", ScreenRect{150, 75, 1374, 1034},
                               ScreenRect{161, 75, 1363, 1023}, 1.0, WindowArea{11, 0, 1202, 948}}),
    kRowName);

// Monitors left of or above the primary one have negative coordinates; the offset into the
// window's own device context is the same wherever the window is.
INSTANTIATE_TEST_SUITE_P(Monitors, VisibleWindowAreaTest,
                         ::testing::Values(AreaCase{"leftOfThePrimary", ScreenRect{-1700, 200, -884, 839},
                                                    ScreenRect{-1693, 200, -891, 832}, 1.0, kSeenFrame},
                                           AreaCase{"aboveThePrimary", ScreenRect{300, -1000, 1116, -361},
                                                    ScreenRect{307, -1000, 1109, -368}, 1.0, kSeenFrame},
                                           AreaCase{"acrossTheOrigin", ScreenRect{-408, -300, 408, 339},
                                                    ScreenRect{-401, -300, 401, 332}, 1.0, kSeenFrame},
                                           AreaCase{"farAway", ScreenRect{kMin, kMin, kMin + 816, kMin + 639},
                                                    ScreenRect{kMin + 7, kMin, kMin + 809, kMin + 632}, 1.0,
                                                    kSeenFrame}),
                         kRowName);

// A program that is not per-monitor aware sees the window rectangle scaled to its own DPI, while
// the frame bounds stay in physical pixels: they are brought to the program's coordinates first.
INSTANTIATE_TEST_SUITE_P(
    DpiScale, VisibleWindowAreaTest,
    ::testing::Values(
        // Window on a 150 % monitor, program at 96 dpi: the physical frame (161, 75)-(1363, 1023)
        // is (107.3, 50)-(908.7, 682) in the program's pixels.
        AreaCase{"scaled150", kWindow, ScreenRect{161, 75, 1363, 1023}, 1.5, kSeenFrame},
        // Window on a 100 % monitor, program at 144 dpi (a system-aware program on a 150 % primary).
        AreaCase{"scaledDown", ScreenRect{150, 75, 1374, 1034}, ScreenRect{108, 50, 908, 682}, 96.0 / 144.0,
                 WindowArea{12, 0, 1200, 948}},
        AreaCase{"scaledOnTheLeft", ScreenRect{-1700, 200, -884, 839}, ScreenRect{-2540, 300, -1337, 1248}, 1.5,
                 WindowArea{7, 0, 802, 632}},
        // Without a usable scale the bounds cannot be placed: keep the window.
        AreaCase{"zeroScale", kWindow, kFrame, 0.0, kWholeWindow},
        AreaCase{"negativeScale", kWindow, kFrame, -1.0, kWholeWindow},
        AreaCase{"notANumber", kWindow, kFrame, std::nan(""), kWholeWindow},
        AreaCase{"infiniteScale", kWindow, kFrame, HUGE_VAL, kWholeWindow},
        // Physical bounds that were never scaled (the scale is wrong): they fall outside.
        AreaCase{"unscaledBoundsOutside", kWindow, ScreenRect{107, 50, 909, 682}, 1.5, kWholeWindow},
        // Scaled far beyond 32 bits.
        AreaCase{"scaleOverflows", kWindow, ScreenRect{kMin, kMin, kMax, kMax}, 1e-300, kWholeWindow}),
    kRowName);

// Bounds that do not describe a visible part of this window are not trusted.
INSTANTIATE_TEST_SUITE_P(
    UntrustedBounds, VisibleWindowAreaTest,
    ::testing::Values(AreaCase{"leftOutside", kWindow, ScreenRect{99, 50, 909, 682}, 1.0, kWholeWindow},
                      AreaCase{"topOutside", kWindow, ScreenRect{107, 49, 909, 682}, 1.0, kWholeWindow},
                      AreaCase{"rightOutside", kWindow, ScreenRect{107, 50, 917, 682}, 1.0, kWholeWindow},
                      AreaCase{"bottomOutside", kWindow, ScreenRect{107, 50, 909, 690}, 1.0, kWholeWindow},
                      AreaCase{"anotherWindow", kWindow, ScreenRect{1000, 700, 1200, 800}, 1.0, kWholeWindow},
                      AreaCase{"empty", kWindow, ScreenRect{0, 0, 0, 0}, 1.0, kWholeWindow},
                      AreaCase{"emptyInside", kWindow, ScreenRect{200, 60, 200, 300}, 1.0, kWholeWindow},
                      AreaCase{"noHeightInside", kWindow, ScreenRect{200, 60, 300, 60}, 1.0, kWholeWindow},
                      AreaCase{"inverted", kWindow, ScreenRect{909, 682, 107, 50}, 1.0, kWholeWindow},
                      // Exactly on the window's edges is inside.
                      AreaCase{"onePixelAtTheCorner", kWindow, ScreenRect{915, 688, 916, 689}, 1.0,
                               WindowArea{815, 638, 1, 1}}),
    kRowName);

TEST(VisibleWindowAreaErrors, AWindowTooBigFor32BitsIsAnOverflow) {
    for (const std::optional<ScreenRect>& frame : {std::optional<ScreenRect>{}, std::optional<ScreenRect>{kFrame}}) {
        EXPECT_EQ(Raised([&] { VisibleWindowArea(ScreenRect{kMin, 0, kMax, 10}, frame, 1.0); }).number, kErrOverflow);
    }
}

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

TEST(DragRect, EitherDirectionRightAndBottomExclusiveClampedToTheScreen) {
    struct Case {
        const char* name;
        PixelPoint press;
        PixelPoint release;
        PixelRect expected;
        bool empty;
    };
    const Case cases[] = {
        {"150 right and 90 down", {100, 200}, {250, 290}, {100, 200, 250, 290}, false},
        {"the same drag backwards", {250, 290}, {100, 200}, {100, 200, 250, 290}, false},
        {"up and to the right", {100, 290}, {250, 200}, {100, 200, 250, 290}, false},
        {"one pixel", {5, 5}, {6, 6}, {5, 5, 6, 6}, false},
        {"no movement", {300, 300}, {300, 300}, {300, 300, 300, 300}, true},
        {"along one axis only", {10, 10}, {200, 10}, {10, 10, 200, 10}, true},
        {"past the right and bottom edges", {1000, 700}, {1500, 900}, {1000, 700, 1024, 768}, false},
        {"past the left and top edges", {20, 30}, {-40, -50}, {0, 0, 20, 30}, false},
        {"the whole screen, corner to corner", {0, 0}, {1024, 768}, {0, 0, 1024, 768}, false},
        {"entirely beyond the edge", {-10, -10}, {-300, 50}, {0, 0, 0, 50}, true},
    };
    for (const Case& c : cases) {
        const PixelRect r = DragRect(c.press, c.release, kWidth, kHeight);
        EXPECT_EQ(r, c.expected) << c.name;
        EXPECT_EQ(r.Empty(), c.empty) << c.name;
    }
    EXPECT_EQ(DragRect({100, 200}, {250, 290}, kWidth, kHeight).Width(), 150);
    EXPECT_EQ(DragRect({100, 200}, {250, 290}, kWidth, kHeight).Height(), 90);
}

TEST(SelectionSizeText, WidthTimesHeightInPixels) {
    EXPECT_EQ(SelectionSizeText(PixelRect{100, 200, 250, 290}), L"150 \u00D7 90");
    EXPECT_EQ(SelectionSizeText(PixelRect{0, 0, 3840, 2160}), L"3840 \u00D7 2160");
    EXPECT_EQ(SelectionSizeText(PixelRect{7, 7, 7, 7}), L"0 \u00D7 0");
}

TEST(LabelPlace, BelowThenAboveThenInsideAndAlwaysOnTheScreen) {
    struct Case {
        const char* name;
        PixelRect selection;
        PixelRect expected;
    };
    // A label of 80 x 20 pixels.
    const Case cases[] = {
        {"below, right-aligned", {100, 100, 300, 200}, {220, 204, 300, 224}},
        {"no room below: above", {100, 700, 300, 760}, {220, 676, 300, 696}},
        {"room neither below nor above: inside", {100, 10, 300, 760}, {220, 736, 300, 756}},
        {"a narrow selection at the left edge", {0, 100, 30, 200}, {0, 204, 80, 224}},
        {"the whole screen", {0, 0, 1024, 768}, {944, 744, 1024, 764}},
    };
    for (const Case& c : cases) {
        const PixelRect label = LabelPlace(c.selection, 80, 20, kWidth, kHeight);
        EXPECT_EQ(label, c.expected) << c.name;
        EXPECT_GE(label.left, 0) << c.name;
        EXPECT_GE(label.top, 0) << c.name;
        EXPECT_LE(label.right, kWidth) << c.name;
        EXPECT_LE(label.bottom, kHeight) << c.name;
    }
}

}  // namespace
}  // namespace kestrel
