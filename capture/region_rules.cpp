#include "capture/region_rules.h"

#include <algorithm>

namespace kestrel {
namespace {

int Clamp(int value, int low, int high) noexcept { return std::max(low, std::min(value, high)); }

// Decimal digits of a size (0 for a negative one). By hand: std::to_wstring would bring the wide
// printf family into the program file for two numbers.
std::wstring Digits(int value) {
    std::wstring digits;
    unsigned number = static_cast<unsigned>(std::max(value, 0));
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
        number /= 10;
    } while (number != 0);
    return digits;
}

}  // namespace

bool operator==(const PixelRect& a, const PixelRect& b) noexcept {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

PixelRect DragRect(PixelPoint press, PixelPoint release, int screenWidth, int screenHeight) noexcept {
    const int width = std::max(screenWidth, 0);
    const int height = std::max(screenHeight, 0);
    const int x1 = Clamp(press.x, 0, width);
    const int y1 = Clamp(press.y, 0, height);
    const int x2 = Clamp(release.x, 0, width);
    const int y2 = Clamp(release.y, 0, height);
    return PixelRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

std::wstring SelectionSizeText(const PixelRect& selection) {
    return Digits(selection.Width()) + L" \u00D7 " + Digits(selection.Height());
}

PixelRect LabelPlace(const PixelRect& selection, int labelWidth, int labelHeight, int screenWidth,
                     int screenHeight) noexcept {
    constexpr int kGap = 4;
    int top = selection.bottom + kGap;
    if (top + labelHeight > screenHeight) {
        top = selection.top - kGap - labelHeight;
        if (top < 0) top = selection.bottom - kGap - labelHeight;
    }
    int left = selection.right - labelWidth;
    left = Clamp(left, 0, std::max(screenWidth - labelWidth, 0));
    top = Clamp(top, 0, std::max(screenHeight - labelHeight, 0));
    return PixelRect{left, top, left + labelWidth, top + labelHeight};
}

}  // namespace kestrel
