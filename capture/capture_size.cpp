#include "capture/capture_size.h"

#include <cmath>
#include <limits>

#include "toolkit/run_time_error.h"

namespace kestrel {
namespace {

// Halves to even, like the toolkit's conversion to whole numbers. Written out
// rather than std::nearbyint so that no code elsewhere in the process can
// change the result by switching the floating-point rounding mode.
double RoundHalfEven(double v) {
    const double below = std::floor(v);
    const double fraction = v - below;  // exact for every finite v
    if (fraction > 0.5) return below + 1.0;
    if (fraction < 0.5) return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::int32_t PixelCount(double twips, double twipsPerPixel) {
    if (twipsPerPixel == 0.0) throw DivisionByZeroError();
    if (!std::isfinite(twipsPerPixel) || twipsPerPixel < 0.0) {
        throw OverflowError();
    }
    const double pixels = twips / twipsPerPixel;
    if (!std::isfinite(pixels)) throw OverflowError();
    const double rounded = RoundHalfEven(pixels);
    if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max()) {
        throw OverflowError();
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t CheckedDifference(std::int32_t high, std::int32_t low) {
    // In 64 bits the difference of two 32-bit values cannot overflow, so the
    // range check below is the whole test and no signed overflow ever happens.
    const std::int64_t difference = static_cast<std::int64_t>(high) - static_cast<std::int64_t>(low);
    if (difference < std::numeric_limits<std::int32_t>::min() ||
        difference > std::numeric_limits<std::int32_t>::max()) {
        throw OverflowError();
    }
    return static_cast<std::int32_t>(difference);
}

}  // namespace

PixelSize ScreenPixelSize(double widthTwips, double twipsPerPixelX, double heightTwips, double twipsPerPixelY) {
    const std::int32_t width = PixelCount(widthTwips, twipsPerPixelX);
    const std::int32_t height = PixelCount(heightTwips, twipsPerPixelY);
    return PixelSize{width, height};
}

PixelSize WindowRectSize(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    const std::int32_t height = CheckedDifference(bottom, top);
    const std::int32_t width = CheckedDifference(right, left);
    return PixelSize{width, height};
}

}  // namespace kestrel
