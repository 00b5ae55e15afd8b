#include "app/key_repeat.h"

#include <algorithm>

namespace kestrel {

std::uint32_t KeyRepeatWindowMs(unsigned delaySetting, unsigned speedSetting) {
    constexpr std::uint32_t kMarginMs = 150;
    const std::uint32_t delayMs = 250 * (std::min(delaySetting, 3u) + 1);
    // About 2.5 repeats a second at 0, rising evenly to about 30 at 31.
    const double perSecond = 2.5 + 27.5 * std::min(speedSetting, 31u) / 31.0;
    const auto intervalMs = static_cast<std::uint32_t>(1000.0 / perSecond + 0.5);
    return std::max(delayMs, intervalMs) + kMarginMs;
}

bool KeyRepeatFilter::IsNewPress(std::uint32_t now) {
    // Unsigned subtraction measures across the tick count's wrap-around.
    const bool repeat = last_ && now - *last_ <= windowMs_;
    last_ = now;
    return !repeat;
}

}  // namespace kestrel
