// Which part of a window an Active-window capture copies.
//
// On Windows 10 and 11 the desktop compositor gives every resizable top-level window invisible
// resize borders (about 7 pixels at 100 % on the left, right and bottom, more when scaled).
// GetWindowRect and the whole-window device context include them, so a copy of the window
// rectangle shows strips of whatever lies behind the window. The compositor reports the frame the
// user actually sees as the window's extended frame bounds; this rule decides between the two.
#pragma once

#include <cstdint>
#include <optional>

namespace kestrel {

// A rectangle in screen pixels: left and top inside, right and bottom just outside. Coordinates
// left of or above the primary monitor are negative.
struct ScreenRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// The part to copy, relative to the whole-window device context, whose origin is the window
// rectangle's top-left corner.
struct WindowArea {
    std::int32_t left;
    std::int32_t top;
    std::int32_t width;
    std::int32_t height;
};

// `window`: the window rectangle (GetWindowRect) in the program's own coordinates.
// `frameBounds`: the compositor's extended frame bounds, in physical pixels, when it answered.
// `frameScale`: physical pixels per pixel of the program's coordinates on the window's monitor;
// 1 for a per-monitor DPI aware program, the monitor's DPI over the program's DPI otherwise.
//
// The frame bounds are taken when they make a non-empty rectangle inside the window rectangle;
// otherwise (no compositor, Windows XP, a failed call, bounds partly outside or empty, a scale
// that is no number above zero) the whole window rectangle is. Throws OverflowError when the
// window rectangle's size does not fit in signed 32 bits, as WindowRectSize does.
WindowArea VisibleWindowArea(const ScreenRect& window, const std::optional<ScreenRect>& frameBounds, double frameScale);

}  // namespace kestrel
