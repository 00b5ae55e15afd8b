#include "capture/window_area.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "toolkit/run_time_error.h"

namespace kestrel {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

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

std::string CaseName(const ::testing::TestParamInfo<AreaCase>& info) { return info.param.name; }

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
    CaseName);

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
                         CaseName);

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
    CaseName);

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
    CaseName);

TEST(VisibleWindowAreaErrors, AWindowTooBigFor32BitsIsAnOverflow) {
    for (const std::optional<ScreenRect>& frame : {std::optional<ScreenRect>{}, std::optional<ScreenRect>{kFrame}}) {
        try {
            VisibleWindowArea(ScreenRect{kMin, 0, kMax, 10}, frame, 1.0);
            ADD_FAILURE() << "no error";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.number, OverflowError().number);
        }
    }
}

}  // namespace
}  // namespace kestrel
