// The arithmetic of the Options dialog: the spin buttons, the clamping of the
// percentage when its field loses the focus, and the page preview geometry.
// Kept apart from the dialog so that it can be tested without a window.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The text the spin buttons write: a sign position (blank for zero or more,
// '-' for negative), then the number with up to 15 significant digits, a full
// stop as decimal point whatever the regional settings, no point for whole
// numbers and a zero before the point below 1 (" 0.5"). Magnitudes from 1e15
// up and below 1e-4 use the classic exponent form (" 1E+20", " 1E-05").
// Infinities and NaN, which the spin buttons never write, give " Inf",
// "-Inf" and " NaN".
std::string FormatSpinNumber(double value);

// The range the size field keeps to, in percent of the printable area.
inline constexpr double kSmallestPercent = 1.0;
inline constexpr double kLargestPercent = 100.0;

// The value clamped to kSmallestPercent..kLargestPercent.
double ClampToPercentRange(double value);

// cmdSpinUp_Click: one up if the leading number is below 100, the result
// clamped to 1..100 (99.5 gives " 100", -5 gives " 1"). nullopt means the
// text stays as it is, also when the step would not give a finite number.
std::optional<std::string> SpinUp(std::string_view text);
// cmdSpinDn_Click: one down if the leading number is above 1, clamped the
// same way (1.5 gives " 1", 250 gives " 100").
std::optional<std::string> SpinDown(std::string_view text);

struct LostFocusResult {
    std::optional<std::string> replacement;  // nullopt: leave the text as typed
    bool beep;
};

// txtPercent_LostFocus: above 100 -> "100", below 1 (text without a number
// included) -> "1", each with a beep; within 1..100 the text stays exactly as
// typed, trailing characters and all.
LostFocusResult ClampPercentText(std::string_view text);

// Position and size of a preview control, in twips of the dialog's client area.
struct PreviewGeometry {
    float left;
    float top;
    float width;
    float height;
};

struct PagePreview {
    bool landscapePageVisible;
    bool portraitPageVisible;
    bool screenThumbVisible;
    bool windowThumbVisible;
    // nullopt: the thumbnail keeps the geometry it had (the hidden one while
    // printing).
    std::optional<PreviewGeometry> screenThumbGeometry;
    std::optional<PreviewGeometry> windowThumbGeometry;
};

// DrawPagePreview. Clipboard: no page, both thumbnails at 3960,717 1560x1070.
// Printer, portrait: the portrait page and the shown thumbnail at 4150,440
// sized p x 11.8 by p x 8. Printer, landscape: the landscape page and the
// thumbnail at 3960,717 sized p x 15.6 by p x 10.7. p is the leading number
// of `percentText` and scales the sides linearly (unlike the printout).
//
// A stored Percent far outside 1..100 reaches here unvalidated. A negative p
// (or NaN) is taken as 0, and the width and height are each capped so that
// the thumbnail ends at the grey backing square's right (5895) and bottom
// (2415) edges, instead of making the control fail or sprawl over the dialog.
PagePreview ComputePagePreview(bool entireScreen, bool printer, bool portrait, std::string_view percentText);

}  // namespace kestrel
