#include "settings/preview_rules.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>

#include "settings/leading_number.h"

namespace kestrel {
namespace {

// The grey backing square rectBackground: left 3600, top 120, 2295 x 2295.
constexpr double kBackgroundRight = 3600.0 + 2295.0;
constexpr double kBackgroundBottom = 120.0 + 2295.0;

constexpr PreviewGeometry kClipboardThumb{3960.0f, 717.0f, 1560.0f, 1070.0f};

struct PrinterThumb {
    float left;
    float top;
    double widthPerPercent;
    double heightPerPercent;
};
constexpr PrinterThumb kPortraitThumb{4150.0f, 440.0f, 11.8, 8.0};
constexpr PrinterThumb kLandscapeThumb{3960.0f, 717.0f, 15.6, 10.7};

// The product is formed in double, capped to the backing square while still
// in double (so that huge percentages cannot overflow the float), then kept
// in single precision like the control's own size properties.
float ThumbSide(double percent, double perPercent, double limit) {
    return ToSingle(std::min(percent * perPercent, limit));
}

}  // namespace

std::string FormatSpinNumber(double value) {
    if (std::isnan(value)) return " NaN";
    if (std::isinf(value)) return value > 0 ? " Inf" : "-Inf";
    if (value == 0.0) value = 0.0;  // no "-0": negative zero counts as zero

    std::string text(1, value < 0.0 ? '-' : ' ');
    // General format with 15 significant digits, the classic Str$ except for
    // the zero before the point. std::to_chars(general, 15) says the same but
    // would add 190 KB of tables to the 32-bit program file; snprintf's
    // exponent form rounds the same way, and only its digits and exponent are
    // taken, so neither the C locale's decimal point (a German or French user
    // still gets a full stop the program can read back) nor the old msvcrt's
    // three-digit exponent reaches the text.
    char scientific[64];
    std::snprintf(scientific, sizeof scientific, "%.14e", std::fabs(value));
    std::string digits;
    const char* p = scientific;
    for (; *p != '\0' && *p != 'e' && *p != 'E'; ++p) {
        if (*p >= '0' && *p <= '9') digits += *p;
    }
    int exponent = 0;
    if (*p != '\0') {
        ++p;
        const bool negativeExponent = (*p == '-');
        if (*p == '+' || *p == '-') ++p;
        for (; *p >= '0' && *p <= '9'; ++p) exponent = exponent * 10 + (*p - '0');
        if (negativeExponent) exponent = -exponent;
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    if (exponent < -4 || exponent >= 15) {
        text += digits[0];
        if (digits.size() > 1) {
            text += '.';
            text.append(digits, 1, std::string::npos);
        }
        text += exponent < 0 ? "E-" : "E+";
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 100) text += static_cast<char>('0' + magnitude / 100);
        text += static_cast<char>('0' + magnitude / 10 % 10);
        text += static_cast<char>('0' + magnitude % 10);
    } else if (exponent < 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    } else {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            text += digits;
            text.append(whole - digits.size(), '0');
        } else {
            text.append(digits, 0, whole);
            text += '.';
            text.append(digits, whole, std::string::npos);
        }
    }
    return text;
}

double ClampToPercentRange(double value) { return std::min(std::max(value, kSmallestPercent), kLargestPercent); }

std::optional<std::string> SpinUp(std::string_view text) {
    const double value = LeadingNumber(text);
    if (!(value < kLargestPercent)) return std::nullopt;
    const double stepped = value + 1.0;
    if (!std::isfinite(stepped)) return std::nullopt;
    // A fraction would otherwise step past the end: 99.5 to 100.5 draws beyond the printable area.
    return FormatSpinNumber(ClampToPercentRange(stepped));
}

std::optional<std::string> SpinDown(std::string_view text) {
    const double value = LeadingNumber(text);
    if (!(value > kSmallestPercent)) return std::nullopt;
    const double stepped = value - 1.0;
    if (!std::isfinite(stepped)) return std::nullopt;
    return FormatSpinNumber(ClampToPercentRange(stepped));
}

LostFocusResult ClampPercentText(std::string_view text) {
    const double value = LeadingNumber(text);
    if (value > kLargestPercent) return LostFocusResult{std::string("100"), true};
    if (value < kSmallestPercent) return LostFocusResult{std::string("1"), true};
    return LostFocusResult{std::nullopt, false};
}

PagePreview ComputePagePreview(bool entireScreen, bool printer, bool portrait, std::string_view percentText) {
    PagePreview preview{};
    preview.screenThumbVisible = entireScreen;
    preview.windowThumbVisible = !entireScreen;

    if (!printer) {
        preview.landscapePageVisible = false;
        preview.portraitPageVisible = false;
        preview.screenThumbGeometry = kClipboardThumb;
        preview.windowThumbGeometry = kClipboardThumb;
        return preview;
    }

    preview.landscapePageVisible = !portrait;
    preview.portraitPageVisible = portrait;

    double percent = LeadingNumber(percentText);
    if (!(percent >= 0.0)) percent = 0.0;  // negative, and NaN should it occur

    const PrinterThumb& thumb = portrait ? kPortraitThumb : kLandscapeThumb;
    const PreviewGeometry geometry{thumb.left, thumb.top,
                                   ThumbSide(percent, thumb.widthPerPercent, kBackgroundRight - thumb.left),
                                   ThumbSide(percent, thumb.heightPerPercent, kBackgroundBottom - thumb.top)};
    if (entireScreen) {
        preview.screenThumbGeometry = geometry;
    } else {
        preview.windowThumbGeometry = geometry;
    }
    return preview;
}

}  // namespace kestrel
