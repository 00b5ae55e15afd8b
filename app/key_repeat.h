// Telling a held key's repeats from a new press of a system-wide key.
//
// Windows sends no repeats for a key registered with MOD_NOREPEAT; Wine accepts the flag and sends
// one WM_HOTKEY for every auto-repeat of a held key. Nor can the key's release be watched there:
// Wine keeps reporting a hot key's key as down after it was let go. What is left is timing: while
// a key is held, its messages follow each other within the keyboard's repeat delay.
#pragma once

#include <cstdint>
#include <optional>

namespace kestrel {

// How long after one message of a held key the next one may come, in milliseconds, for the
// system's keyboard settings: the delay before the first repeat (SPI_GETKEYBOARDDELAY, 0 to 3 for
// 250 to 1000 ms) or the time between repeats (SPI_GETKEYBOARDSPEED, 0 to 31 for about 2.5 to 30
// repeats a second), whichever is longer, plus a margin for a busy message queue. Settings out of
// range count as their nearest end.
std::uint32_t KeyRepeatWindowMs(unsigned delaySetting, unsigned speedSetting);

class KeyRepeatFilter {
public:
    explicit KeyRepeatFilter(std::uint32_t windowMs = KeyRepeatWindowMs(1, 31)) : windowMs_(windowMs) {}

    // A message of the key, stamped with the tick count `now` (milliseconds, wrapping at 2^32):
    // true when it starts a new press, false when it repeats a key that is still held.
    bool IsNewPress(std::uint32_t now);

private:
    std::uint32_t windowMs_;
    std::optional<std::uint32_t> last_;
};

}  // namespace kestrel
