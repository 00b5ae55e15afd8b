#include "app/tray_rules.h"

#include <cmath>
#include <cstring>

#include "settings/leading_number.h"
#include "toolkit/run_time_error.h"

namespace kestrel {
namespace {

constexpr std::size_t kTipOffset = 24;
constexpr std::size_t kTipSize = 64;

constexpr std::uint32_t kLeftButtonDoubleClick = 515;  // WM_LBUTTONDBLCLK
constexpr std::uint32_t kRightButtonUp = 517;          // WM_RBUTTONUP
// WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP, WM_RBUTTONDBLCLK.
constexpr std::uint32_t kClicks[] = {514, 515, 517, 518};

void PutLittleEndian(std::array<std::uint8_t, kTrayRecordSize>& record, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        record[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Halves to even without relying on the current rounding mode.
double RoundHalfEven(double v) {
    const double below = std::floor(v);
    const double fraction = v - below;
    if (fraction > 0.5) return below + 1.0;
    if (fraction < 0.5) return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

TrayAction ActionFor(bool isDoubleClick, bool isRightButtonUp, bool mainWindowVisible) {
    if (isDoubleClick) {
        return mainWindowVisible ? TrayAction::None : TrayAction::RestoreWindow;
    }
    return isRightButtonUp ? TrayAction::PopupMenu : TrayAction::None;
}

}  // namespace

TrayIconFields MakeTrayFields(std::uint32_t hwnd, std::uint32_t hicon) {
    return TrayIconFields{static_cast<std::uint32_t>(kTrayRecordSize), hwnd, 1, 7, 512, hicon};
}

std::array<std::uint8_t, kTrayRecordSize> EncodeTrayRecord(const TrayIconFields& fields, std::string_view narrowTip) {
    std::array<std::uint8_t, kTrayRecordSize> record{};
    PutLittleEndian(record, 0, fields.cbSize);
    PutLittleEndian(record, 4, fields.hWnd);
    PutLittleEndian(record, 8, fields.uID);
    PutLittleEndian(record, 12, fields.uFlags);
    PutLittleEndian(record, 16, fields.uCallbackMessage);
    PutLittleEndian(record, 20, fields.hIcon);

    std::memset(record.data() + kTipOffset, ' ', kTipSize);
    const std::size_t length = narrowTip.size() < kTipSize ? narrowTip.size() : kTipSize;
    if (length > 0) std::memcpy(record.data() + kTipOffset, narrowTip.data(), length);
    if (length < kTipSize) record[kTipOffset + length] = 0;
    return record;
}

std::string DecodeTrayTip(const std::array<std::uint8_t, kTrayRecordSize>& record) {
    std::string tip;
    for (std::size_t i = 0; i < kTipSize; ++i) {
        const std::uint8_t byte = record[kTipOffset + i];
        if (byte == 0) break;
        tip += static_cast<char>(byte);
    }
    return tip;
}

std::int16_t RoundToInt16(float value) {
    if (std::isnan(value)) throw OverflowError();
    const double rounded = RoundHalfEven(static_cast<double>(value));
    if (rounded < -32768.0 || rounded > 32767.0) throw OverflowError();
    return static_cast<std::int16_t>(rounded);
}

float TrayTwipsPerPixel(int dpi) {
    if (dpi <= 0) dpi = 96;
    const int whole = 1440 / dpi;
    return static_cast<float>(whole > 0 ? whole : 1);
}

std::optional<float> GetMouseEventNumber(std::int16_t xTwips, float twipsPerPixel) {
    if (twipsPerPixel == 0.0f) throw DivisionByZeroError();
    // Both operands are exact in double and the double quotient rounds to the
    // same float as a true single-precision division, also where an x87 FPU
    // would otherwise carry extra precision.
    const double quotient = static_cast<double>(xTwips) / static_cast<double>(twipsPerPixel);
    if (std::isnan(quotient)) throw InvalidCallError();
    const float number = ToSingle(quotient);
    if (std::isinf(number)) throw OverflowError();
    return number;
}

TrayAction TrayActionFor(std::optional<float> message, bool mainWindowVisible) {
    if (!message) return TrayAction::None;
    return ActionFor(*message == static_cast<float>(kLeftButtonDoubleClick),
                     *message == static_cast<float>(kRightButtonUp), mainWindowVisible);
}

TrayAction TrayActionForMessage(std::uint32_t mouseMessage, bool mainWindowVisible) {
    return ActionFor(mouseMessage == kLeftButtonDoubleClick, mouseMessage == kRightButtonUp, mainWindowVisible);
}

TrayAction TrayActionWhileModal(std::optional<float> message) {
    if (!message) return TrayAction::None;
    for (std::uint32_t click : kClicks) {
        if (*message == static_cast<float>(click)) return TrayAction::BringModalToFront;
    }
    return TrayAction::None;
}

}  // namespace kestrel
