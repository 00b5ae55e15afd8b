// Conversions between the program's wide window texts and the system's narrow (ANSI) code page,
// which the registry store and the notification record use.
#pragma once
#include <string>
#include <string_view>

namespace kestrel {
std::wstring Widen(std::string_view narrow);
std::string Narrow(std::wstring_view wide);
}  // namespace kestrel
