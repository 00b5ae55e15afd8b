#include "settings/preview_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "settings/leading_number.h"

namespace kestrel {
namespace {

// The grey backing square rectBackground: left 3600, top 120, 2295 x 2295.
constexpr double kBackgroundRight = 3600.0 + 2295.0;
constexpr double kBackgroundBottom = 120.0 + 2295.0;

constexpr TwipRect kClipboardThumb{3960.0f, 717.0f, 1560.0f, 1070.0f};

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
  // std::to_chars is the one standard formatter that ignores the locale, so
  // a German or French user still gets a full stop the program can read back.
  // General format with 15 digits matches the classic Str$ except for the
  // lower-case exponent letter and the zero before the point.
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits,
                                    std::fabs(value),
                                    std::chars_format::general, 15);
  for (const char* p = digits; p != result.ptr; ++p) {
    text += (*p == 'e') ? 'E' : *p;
  }
  return text;
}

std::optional<std::string> SpinUp(std::string_view text) {
  const double value = LeadingNumber(text);
  if (!(value < 100.0)) return std::nullopt;
  const double stepped = value + 1.0;
  if (!std::isfinite(stepped)) return std::nullopt;
  return FormatSpinNumber(stepped);
}

std::optional<std::string> SpinDown(std::string_view text) {
  const double value = LeadingNumber(text);
  if (!(value > 1.0)) return std::nullopt;
  const double stepped = value - 1.0;
  if (!std::isfinite(stepped)) return std::nullopt;
  return FormatSpinNumber(stepped);
}

LostFocusResult ClampPercentText(std::string_view text) {
  const double value = LeadingNumber(text);
  if (value > 100.0) return LostFocusResult{std::string("100"), true};
  if (value < 1.0) return LostFocusResult{std::string("1"), true};
  return LostFocusResult{std::nullopt, false};
}

PagePreview ComputePagePreview(bool entireScreen, bool printer, bool portrait,
                               std::string_view percentText) {
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
  const TwipRect geometry{
      thumb.left, thumb.top,
      ThumbSide(percent, thumb.widthPerPercent, kBackgroundRight - thumb.left),
      ThumbSide(percent, thumb.heightPerPercent,
                kBackgroundBottom - thumb.top)};
  if (entireScreen) {
    preview.screenThumbGeometry = geometry;
  } else {
    preview.windowThumbGeometry = geometry;
  }
  return preview;
}

}  // namespace kestrel
