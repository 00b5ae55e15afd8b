#include "toolkit/handle_bits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

namespace kestrel {
namespace {

struct WideningCase {
    std::uint32_t bits;
    std::uint64_t on64Bit;  // the handle a 64-bit process holds for that value
};

void PrintTo(const WideningCase& c, std::ostream* os) { *os << std::hex << "0x" << c.bits; }

class HandleWidening : public ::testing::TestWithParam<WideningCase> {};

TEST_P(HandleWidening, SignExtendsAndNarrowsBack) {
    const WideningCase& c = GetParam();
    const std::uintptr_t handle = WidenHandleBits(c.bits);
    if (sizeof(std::uintptr_t) == 8) {
        EXPECT_EQ(static_cast<std::uint64_t>(handle), c.on64Bit);
    } else {
        EXPECT_EQ(static_cast<std::uint64_t>(handle), c.bits);
    }
    EXPECT_EQ(HandleBits(handle), c.bits);
}

INSTANTIATE_TEST_SUITE_P(
    Values, HandleWidening,
    ::testing::Values(WideningCase{0x00000000u, 0x0000000000000000u}, WideningCase{0x00010ABCu, 0x0000000000010ABCu},
                      WideningCase{0x7FFFFFFFu, 0x000000007FFFFFFFu},
                      // From the top bit up a 64-bit process sees a negative number.
                      WideningCase{0x80000000u, 0xFFFFFFFF80000000u}, WideningCase{0x80000001u, 0xFFFFFFFF80000001u},
                      WideningCase{0x8A0512C4u, 0xFFFFFFFF8A0512C4u}, WideningCase{0xFFFFFFFEu, 0xFFFFFFFFFFFFFFFEu},
                      WideningCase{0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFu}));

TEST(HandleNarrowing, KeepsTheLow32BitsOfASignExtendedHandle) {
    if (sizeof(std::uintptr_t) != 8) GTEST_SKIP() << "handles are 32 bits wide here";
    EXPECT_EQ(HandleBits(static_cast<std::uintptr_t>(0xFFFFFFFF80001234u)), 0x80001234u);
    EXPECT_EQ(HandleBits(static_cast<std::uintptr_t>(0x0000000000001234u)), 0x00001234u);
}

}  // namespace
}  // namespace kestrel
