// Handles as the 32-bit values that records and interfaces of 32-bit origin carry (OLE_HANDLE,
// the notification-area record). Windows keeps USER and GDI handles within 32 significant bits so
// that 32-bit and 64-bit programs can share them, and widens such a value back by sign extension:
// a handle whose 32-bit value has the top bit set is a negative number in a 64-bit process. Zero
// extension gives a different handle there, which GDI rejects or, worse, finds as another object.
//
// The one rule for both directions, kept free of <windows.h> so that it is tested on the host.
#pragma once

#include <cstdint>

namespace kestrel {

// The handle's 32-bit value: the low 32 bits, the rest of a 64-bit handle is its sign.
constexpr std::uint32_t HandleBits(std::uintptr_t handle) noexcept { return static_cast<std::uint32_t>(handle); }

// The pointer-sized handle for a 32-bit value, sign-extended.
constexpr std::uintptr_t WidenHandleBits(std::uint32_t bits) noexcept {
    return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(static_cast<std::int32_t>(bits)));
}

}  // namespace kestrel
