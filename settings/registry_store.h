// The code unit mdlRegistry, the settings store: one registry value per call, the key opened and closed around each
// value. Narrow (ANSI) registry calls, so names and texts travel in the system's code page.
#pragma once
#include "toolkit/win.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace kestrel {

// Empty (nothing could be read), a text, or a 32-bit number.
using RegistryValue = std::variant<std::monostate, std::string, std::int32_t>;

constexpr int kRegistryTypeText = 1;    // REG_SZ
constexpr int kRegistryTypeNumber = 4;  // REG_DWORD

// The value as a hidden field holds it: nothing is the empty text, a number its decimal digits.
std::string RegistryValueText(const RegistryValue& value);

// Writes one value with type code 1 (text) or 4 (number); any other code writes nothing. The key
// is created when it is missing. Returns the system's result of the write (ERROR_SUCCESS when
// stored), so that the caller can tell the user a setting was lost.
LSTATUS SaveRegistryValue(HKEY root, std::string_view keyPath, std::string_view valueName, const RegistryValue& value,
                          int typeCode);

// Reads one value; empty when the key or the value is missing, unreadable or of another type.
// Never throws for anything the registry holds.
RegistryValue ReadRegistryValue(HKEY root, std::string_view keyPath, std::string_view valueName) noexcept;

}  // namespace kestrel
