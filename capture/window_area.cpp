#include "capture/window_area.h"

#include "capture/capture_size.h"

#include <cmath>
#include <limits>

namespace kestrel {
namespace {

// One edge of the frame bounds in the program's coordinates, or nothing when it is not a number
// that fits. Edges round to the nearest pixel: the frame of a scaled window rarely falls on a
// whole pixel of the unscaled coordinates, and a pixel either way is the best that can be done.
std::optional<std::int32_t> Unscaled(std::int32_t physical, double scale) {
    const double edge = std::floor(static_cast<double>(physical) / scale + 0.5);
    if (!std::isfinite(edge) || edge < std::numeric_limits<std::int32_t>::min() ||
        edge > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(edge);
}

}  // namespace

WindowArea VisibleWindowArea(const ScreenRect& window, const std::optional<ScreenRect>& frameBounds,
                             double frameScale) {
    const PixelSize whole = WindowRectSize(window.left, window.top, window.right, window.bottom);
    const WindowArea wholeWindow{0, 0, whole.width, whole.height};
    if (!frameBounds || !std::isfinite(frameScale) || !(frameScale > 0.0)) return wholeWindow;

    const auto left = Unscaled(frameBounds->left, frameScale);
    const auto top = Unscaled(frameBounds->top, frameScale);
    const auto right = Unscaled(frameBounds->right, frameScale);
    const auto bottom = Unscaled(frameBounds->bottom, frameScale);
    if (!left || !top || !right || !bottom) return wholeWindow;
    if (*right <= *left || *bottom <= *top) return wholeWindow;
    if (*left < window.left || *top < window.top || *right > window.right || *bottom > window.bottom) {
        return wholeWindow;
    }
    // Inside a rectangle whose size fits, so every difference below fits too; and none of them
    // assumes the window lies right of or below the primary monitor's origin.
    return WindowArea{*left - window.left, *top - window.top, *right - *left, *bottom - *top};
}

}  // namespace kestrel
