#include "settings/setting_codes.h"

namespace kestrel {

Scope ScopeFromText(std::wstring_view text) noexcept { return text == L"1" ? Scope::EntireScreen : Scope::ActiveWindow; }

Destination DestinationFromText(std::wstring_view text) noexcept {
    return text == L"1" ? Destination::Printer : Destination::Clipboard;
}

Orientation OrientationFromText(std::wstring_view text) noexcept {
    return text == L"P" ? Orientation::Portrait : Orientation::Landscape;
}

std::string_view ScopeCode(Scope scope) noexcept { return scope == Scope::EntireScreen ? "1" : "2"; }

std::string_view DestinationCode(Destination destination) noexcept {
    return destination == Destination::Printer ? "1" : "2";
}

std::string_view OrientationCode(Orientation orientation) noexcept {
    return orientation == Orientation::Portrait ? "P" : "L";
}

}  // namespace kestrel
