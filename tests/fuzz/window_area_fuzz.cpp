// libFuzzer target for the part of a window that Active Window copies: the window rectangle comes
// from any window of any program, and the frame bounds and the DPI scale from the compositor and
// the monitor. Either the area lies inside the window's own device context and is not empty (or is
// the whole window rectangle), or the window is too big for 32 bits and the overflow error says so.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <algorithm>
#include <optional>

#include "capture/window_area.h"
#include "tests/fuzz/require.h"
#include "toolkit/run_time_error.h"

namespace {

kestrel::ScreenRect ConsumeRect(FuzzedDataProvider& input) {
    return kestrel::ScreenRect{input.ConsumeIntegral<std::int32_t>(), input.ConsumeIntegral<std::int32_t>(),
                               input.ConsumeIntegral<std::int32_t>(), input.ConsumeIntegral<std::int32_t>()};
}

// An edge a few pixels from `edge`, kept inside 32 bits.
std::int32_t Near(std::int32_t edge, FuzzedDataProvider& input) {
    const std::int64_t moved = static_cast<std::int64_t>(edge) + input.ConsumeIntegralInRange(-16, 16);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(moved, INT32_MIN, INT32_MAX));
}

bool Fits(std::int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const kestrel::ScreenRect window = ConsumeRect(input);
    // No bounds, random ones, or bounds near the window's own edges, where the decisions lie.
    std::optional<kestrel::ScreenRect> frame;
    const int bounds = input.ConsumeIntegralInRange(0, 2);
    if (bounds == 1) frame = ConsumeRect(input);
    if (bounds == 2) {
        frame = kestrel::ScreenRect{Near(window.left, input), Near(window.top, input), Near(window.right, input),
                                    Near(window.bottom, input)};
    }
    const double scale = input.ConsumeBool() ? 1.0 : input.ConsumeFloatingPoint<double>();

    const std::int64_t width = static_cast<std::int64_t>(window.right) - window.left;
    const std::int64_t height = static_cast<std::int64_t>(window.bottom) - window.top;
    try {
        const kestrel::WindowArea area = kestrel::VisibleWindowArea(window, frame, scale);
        Require(Fits(width) && Fits(height));
        const bool whole = area.left == 0 && area.top == 0 && area.width == width && area.height == height;
        if (!whole) {
            Require(frame.has_value());
            Require(area.left >= 0 && area.top >= 0 && area.width > 0 && area.height > 0);
            Require(static_cast<std::int64_t>(area.left) + area.width <= width);
            Require(static_cast<std::int64_t>(area.top) + area.height <= height);
        }
    } catch (const kestrel::RunTimeError& error) {
        Require(error.number == kestrel::OverflowError().number);
        Require(!Fits(width) || !Fits(height));
    }
    return 0;
}
