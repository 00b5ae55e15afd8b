// The notification-area icon: the record handed to Shell_NotifyIconA and the
// decoding of the mouse actions the shell reports back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The NOTIFYICONDATAA layout with a 64-byte tip and no later fields. The
// oldest layout is used on purpose: every shell version accepts it, and with
// it the callback carries the plain mouse message in lParam.
constexpr std::size_t kTrayRecordSize = 88;

// The six integers of the record, 32 bits each as on 32-bit Windows (handles
// are 32-bit values even in 64-bit processes, so truncation is harmless).
struct TrayIconFields {
    std::uint32_t cbSize;
    std::uint32_t hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    std::uint32_t hIcon;
};

// cbSize 88, uID 1 (the program's one icon), uFlags 7 (message, icon and tip
// valid), callback message 512 (WM_MOUSEMOVE).
TrayIconFields MakeTrayFields(std::uint32_t hwnd, std::uint32_t hicon);

// The record's bytes: the integers little-endian at offsets 0..20, the tip at
// 24 as 64 bytes of narrow (ANSI) text followed by one NUL, the rest blanks
// (0x20) as the toolkit's fixed-length text left them. A tip of 64 bytes or
// more is cut at 64 and carries no NUL, so callers pass at most 63.
std::array<std::uint8_t, kTrayRecordSize> EncodeTrayRecord(const TrayIconFields& fields, std::string_view narrowTip);

// The tip back out of a record: up to the first NUL, or all 64 bytes.
std::string DecodeTrayTip(const std::array<std::uint8_t, kTrayRecordSize>& record);

// Rounds a twips coordinate to a signed 16-bit integer, halves to even, as
// the toolkit does when a Single is passed where an Integer is expected.
// NaN or a result outside -32768..32767 throws OverflowError.
std::int16_t RoundToInt16(float value);

// The screen's twips per pixel that the icon's mouse messages are scaled and
// divided back by: 1440 / dpi rounded down to a whole number (at least 1).
// A whole number keeps the round trip exact; with the true 7.5 of a 192-dpi
// screen, 517 becomes 3877.5 twips, rounds to 3878 and divides to 517.07, and
// the menu never opens. A dpi of 0 or less counts as the standard 96.
float TrayTwipsPerPixel(int dpi);

// GetMouseEvent: the toolkit reports the shell's mouse message as an X in
// twips (message number x twips per pixel); this divides it back, in single
// precision. A zero divisor throws DivisionByZeroError, a NaN result
// InvalidCallError, an infinite one OverflowError; the caller's error guard
// reports the error and then treats the result as nothing (nullopt).
std::optional<float> GetMouseEventNumber(std::int16_t xTwips, float twipsPerPixel);

enum class TrayAction { None, RestoreWindow, PopupMenu, BringModalToFront };

// Form_MouseMove's table: 515 (WM_LBUTTONDBLCLK) restores the main window
// only while it is hidden; 517 (WM_RBUTTONUP) pops up the menu; 513, 514,
// 516, 518, every other number and nothing do nothing.
TrayAction TrayActionFor(std::optional<float> message, bool mainWindowVisible);

// The same table for a window procedure that gets the shell's callback
// itself; pass LOWORD(lParam), the mouse message.
TrayAction TrayActionForMessage(std::uint32_t mouseMessage, bool mainWindowVisible);

// While one of the program's modal windows is open (Options, the About
// window from its button, a message), the icon answers as a program with a
// modal dialog answers on the taskbar: a click with either button (a release,
// 514 or 517, or a double click, 515 or 518) brings that window to the front.
// Nothing else happens: no menu that could open a second dialog or end the
// program under the first, no restore of the window the dialog disabled.
TrayAction TrayActionWhileModal(std::optional<float> message);

}  // namespace kestrel
