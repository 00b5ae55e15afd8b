#include "capture/capture_size.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "toolkit/run_time_error.h"

namespace kestrel {
namespace {

struct ScreenCase {
    double widthTwips, twipsPerPixelX, heightTwips, twipsPerPixelY;
    std::int32_t width, height;
};

class ScreenPixelSizeTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(ScreenPixelSizeTest, GivesTheScreensTruePixelSize) {
    const ScreenCase& c = GetParam();
    const PixelSize size = ScreenPixelSize(c.widthTwips, c.twipsPerPixelX, c.heightTwips, c.twipsPerPixelY);
    EXPECT_EQ(size.width, c.width);
    EXPECT_EQ(size.height, c.height);
}

// The toolkit hands out single-precision metrics; 1440/168 (175 %) is not
// exact in float, so the quotient lands a hair off the whole pixel count.
const float k175Percent = 1440.0f / 168.0f;

INSTANTIATE_TEST_SUITE_P(DisplayScalings, ScreenPixelSizeTest,
                         ::testing::Values(ScreenCase{1920 * 15.0, 15, 1080 * 15.0, 15, 1920, 1080},  // 96 dpi
                                           ScreenCase{2560 * 12.0, 12, 1440 * 12.0, 12, 2560, 1440},  // 120 dpi
                                           // 144 dpi: a rounded divisor (8) would give 3600 x 2025.
                                           ScreenCase{3840 * 7.5, 7.5, 2160 * 7.5, 7.5, 3840, 2160},
                                           ScreenCase{static_cast<float>(2560 * k175Percent), k175Percent,
                                                      static_cast<float>(1600 * k175Percent), k175Percent, 2560, 1600},
                                           // Different horizontal and vertical resolutions are kept apart.
                                           ScreenCase{640 * 15.0, 15, 350 * 24.0, 24, 640, 350}));

INSTANTIATE_TEST_SUITE_P(QuotientRounding, ScreenPixelSizeTest,
                         ::testing::Values(ScreenCase{100.4, 1, 100.6, 1, 100, 101},
                                           ScreenCase{100.5, 1, 101.5, 1, 100, 102},  // to even
                                           ScreenCase{0, 15, 0, 15, 0, 0}));

struct ScreenErrorCase {
    double widthTwips, twipsPerPixelX, heightTwips, twipsPerPixelY;
    int errorNumber;
};

class ScreenPixelSizeErrors : public ::testing::TestWithParam<ScreenErrorCase> {};

TEST_P(ScreenPixelSizeErrors, ThrowTheToolkitsError) {
    const ScreenErrorCase& c = GetParam();
    try {
        ScreenPixelSize(c.widthTwips, c.twipsPerPixelX, c.heightTwips, c.twipsPerPixelY);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number, c.errorNumber);
    }
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    BadMetrics, ScreenPixelSizeErrors,
    ::testing::Values(ScreenErrorCase{28800, 0, 16200, 15, 11}, ScreenErrorCase{28800, 15, 16200, 0, 11},
                      ScreenErrorCase{28800, -15, 16200, 15, 6}, ScreenErrorCase{28800, kNaN, 16200, 15, 6},
                      ScreenErrorCase{28800, 15, 16200, kInf, 6}, ScreenErrorCase{kNaN, 15, 16200, 15, 6},
                      ScreenErrorCase{28800, 15, kInf, 15, 6}, ScreenErrorCase{3e9, 1, 16200, 15, 6},
                      ScreenErrorCase{28800, 15, -3e9, 1, 6}, ScreenErrorCase{28800, 1e-320, 16200, 15, 6}));

TEST(ScreenPixelSizeLimits, LargestWholeSizesStillFit) {
    const PixelSize size = ScreenPixelSize(2147483647.0, 1, -2147483648.0, 1);
    EXPECT_EQ(size.width, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(size.height, std::numeric_limits<std::int32_t>::min());
}

struct RectCase {
    std::int32_t left, top, right, bottom;
    std::int32_t width, height;
};

class WindowRectSizeTest : public ::testing::TestWithParam<RectCase> {};

TEST_P(WindowRectSizeTest, IsRightMinusLeftAndBottomMinusTop) {
    const RectCase& c = GetParam();
    const PixelSize size = WindowRectSize(c.left, c.top, c.right, c.bottom);
    EXPECT_EQ(size.width, c.width);
    EXPECT_EQ(size.height, c.height);
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(Rectangles, WindowRectSizeTest,
                         ::testing::Values(RectCase{10, 20, 110, 220, 100, 200},
                                           // A maximised window's frame hangs off the screen's top-left corner.
                                           RectCase{-8, -8, 1928, 1048, 1936, 1056}, RectCase{100, 50, 0, 0, -100, -50},
                                           RectCase{0, 0, 0, 0, 0, 0}, RectCase{0, 0, kMax, kMax, kMax, kMax},
                                           RectCase{-1, -1, kMax - 1, kMax - 1, kMax, kMax},
                                           RectCase{0, 0, kMin, kMin, kMin, kMin},
                                           RectCase{kMin, kMin, kMin, kMin, 0, 0}));

class WindowRectSizeOverflow : public ::testing::TestWithParam<RectCase> {};

TEST_P(WindowRectSizeOverflow, ThrowsOverflow) {
    const RectCase& c = GetParam();
    try {
        WindowRectSize(c.left, c.top, c.right, c.bottom);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number, 6);
        EXPECT_STREQ(e.what(), "Overflow");
    }
}

// width and height fields are unused here.
INSTANTIATE_TEST_SUITE_P(OutOfRange, WindowRectSizeOverflow,
                         ::testing::Values(RectCase{kMin, 0, 0, 0, 0, 0}, RectCase{-1, 0, kMax, 0, 0, 0},
                                           RectCase{0, kMin, 0, 0, 0, 0}, RectCase{0, -1, 0, kMax, 0, 0},
                                           RectCase{1, 0, kMin, 0, 0, 0}, RectCase{0, 1, 0, kMin, 0, 0},
                                           RectCase{kMin, kMin, kMax, kMax, 0, 0}));

}  // namespace
}  // namespace kestrel
