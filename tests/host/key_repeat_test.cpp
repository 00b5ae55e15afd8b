#include "app/key_repeat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kestrel {
namespace {

TEST(KeyRepeatWindow, IsTheLongerOfDelayAndRepeatIntervalPlusMargin) {
    struct Case {
        unsigned delay;
        unsigned speed;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {0, 31, 250 + 150},   // shortest delay, fastest repeats (33 ms)
        {1, 31, 500 + 150},   // Windows' default
        {3, 31, 1000 + 150},  // longest delay
        {0, 0, 400 + 150},    // slowest repeats outlast the shortest delay
        {9, 99, 1000 + 150},  // out of range: the nearest end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyRepeatWindowMs(c.delay, c.speed), c.expected) << c.delay << "," << c.speed;
    }
}

TEST(KeyRepeatFilter, AHeldKeyIsOnePressAndAPauseStartsTheNext) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> ticks;
        std::vector<bool> newPress;
    };
    const Case cases[] = {
        {"first message", {1000}, {true}},
        {"held: a delay, then fast repeats", {0, 500, 533, 566, 600}, {true, false, false, false, false}},
        {"a long hold stays one press", {0, 600, 1200, 1800, 2400, 3000}, {true, false, false, false, false, false}},
        {"released and pressed again", {0, 33, 66, 1000}, {true, false, false, true}},
        {"exactly at the window's end is still the same press", {0, 650, 1301}, {true, false, true}},
        {"across the tick count's wrap", {0xFFFFFF00u, 0x00000010u, 0x00001000u}, {true, false, true}},
    };
    for (const Case& c : cases) {
        KeyRepeatFilter filter(650);
        std::vector<bool> seen;
        for (std::uint32_t tick : c.ticks) seen.push_back(filter.IsNewPress(tick));
        EXPECT_EQ(seen, c.newPress) << c.name;
    }
}

}  // namespace
}  // namespace kestrel
