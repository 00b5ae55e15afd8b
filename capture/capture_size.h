// How big the bitmap of a capture is.
#pragma once

#include <cstdint>

namespace kestrel {

struct PixelSize {
    std::int32_t width;
    std::int32_t height;
};

// The whole screen in pixels, from the toolkit's screen size in twips and its
// twips per pixel. The quotient is rounded to the nearest pixel (halves to
// even); the divisor is NOT rounded first. Rounding the divisor, as the
// original did, captured a 3840-pixel screen at 7.5 twips per pixel (144 dpi)
// only 3600 pixels wide.
// Throws RunTimeError: a zero divisor -> DivisionByZeroError; a negative or
// non-finite divisor, a non-finite size, or a result outside signed 32-bit
// range -> OverflowError.
PixelSize ScreenPixelSize(double widthTwips, double twipsPerPixelX, double heightTwips, double twipsPerPixelY);

// The size of a window rectangle (GetWindowRect: left, top, right, bottom in
// screen pixels), frame included. A rectangle whose width or height does not
// fit in signed 32 bits throws OverflowError and nothing is captured.
PixelSize WindowRectSize(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

}  // namespace kestrel
