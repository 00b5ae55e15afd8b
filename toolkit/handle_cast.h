// Typed handles to and from their 32-bit values, by the one rule of toolkit/handle_bits.h.
#pragma once
#include "toolkit/handle_bits.h"
#include "toolkit/win.h"

namespace kestrel {

template <typename Handle>
Handle HandleFromBits(std::uint32_t bits) noexcept {
    return reinterpret_cast<Handle>(WidenHandleBits(bits));
}

template <typename Handle>
std::uint32_t BitsOfHandle(Handle handle) noexcept {
    return HandleBits(reinterpret_cast<std::uintptr_t>(handle));
}

}  // namespace kestrel
