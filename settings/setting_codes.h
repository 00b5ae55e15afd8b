// The encodings of the capture settings as they are stored in the registry
// and kept in the main window's hidden text fields.
//
// Every reader compares the exact, case-sensitive text with the first choice's
// code; any other text (empty, " 1", "p", garbage) means the second choice.
// That way a missing or damaged setting still yields a usable capture
// (active window to the clipboard) instead of an error.
#pragma once

#include <array>
#include <string_view>

namespace kestrel {

enum class Scope { EntireScreen, ActiveWindow };
enum class Destination { Printer, Clipboard };
enum class Orientation { Portrait, Landscape };

// The texts of the main window's fields, as they are.
// "1" -> EntireScreen, anything else -> ActiveWindow.
Scope ScopeFromText(std::wstring_view text) noexcept;
// "1" -> Printer, anything else -> Clipboard.
Destination DestinationFromText(std::wstring_view text) noexcept;
// "P" -> Portrait, anything else -> Landscape.
Orientation OrientationFromText(std::wstring_view text) noexcept;

// The codes written back: "1"/"2", "1"/"2", "P"/"L".
std::string_view ScopeCode(Scope scope) noexcept;
std::string_view DestinationCode(Destination destination) noexcept;
std::string_view OrientationCode(Orientation orientation) noexcept;

// Under HKEY_LOCAL_MACHINE. Reading only opens the key; saving at Exit creates
// it when it is missing, which only a user who may write there can do, so for
// everyone else settings persist where an installer made the key.
inline constexpr std::string_view kSettingsKeyPath = "Software\\Olm\\Kestrel";

// Value names in the order they are loaded at start-up and saved at Exit.
inline constexpr std::array<std::string_view, 4> kSettingNames = {"Scope", "Destination", "Orientation", "Percent"};

}  // namespace kestrel
