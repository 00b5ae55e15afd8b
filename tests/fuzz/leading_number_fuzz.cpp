// libFuzzer target for the text-reading rules: the Percent setting comes
// from the registry or the keyboard unchecked, so whatever bytes it holds
// must neither crash nor produce a preview or a correction out of bounds.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/leading_number.h"
#include "settings/preview_rules.h"
#include "tests/fuzz/require.h"

namespace {

// 15 digits of a number near the top of the double range round up past it and read back as
// infinity.
bool NearTheTop(double value) { return std::fabs(value) > 1.79769313486231e308; }

void CheckSpinResult(const std::optional<std::string>& result, double value) {
    if (!result) return;
    Require(!result->empty());
    Require((*result)[0] == ' ' || (*result)[0] == '-');
    Require(std::isfinite(kestrel::LeadingNumber(*result)) || NearTheTop(value));
}

void CheckGeometry(const std::optional<kestrel::PreviewGeometry>& rect) {
    if (!rect) return;
    // Inside the grey backing square: left 3600, top 120, 2295 x 2295.
    Require(rect->width >= 0.0f && rect->height >= 0.0f);
    Require(rect->left >= 3600.0f && rect->top >= 120.0f);
    Require(rect->left + rect->width <= 5895.0f);
    Require(rect->top + rect->height <= 2415.0f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double value = kestrel::LeadingNumber(text);
    Require(!std::isnan(value));
    Require(value != 0.0 || !std::signbit(value));
    (void)kestrel::ToSingle(value);

    // What the spin buttons write must read back as (nearly) the same number.
    if (std::isfinite(value)) {
        const std::string written = kestrel::FormatSpinNumber(value);
        const double back = kestrel::LeadingNumber(written);
        Require(std::isfinite(back) ? std::fabs(back - value) <= 1e-14 * std::fabs(value) + 1e-300 : NearTheTop(value));
    }

    const auto up = kestrel::SpinUp(text);
    Require(!up || value < 100.0);
    CheckSpinResult(up, value);
    const auto down = kestrel::SpinDown(text);
    Require(!down || value > 1.0);
    CheckSpinResult(down, value);

    const kestrel::LostFocusResult clamp = kestrel::ClampPercentText(text);
    Require(clamp.beep == clamp.replacement.has_value());
    Require(clamp.replacement ? *clamp.replacement == "1" || *clamp.replacement == "100"
                              : value >= 1.0 && value <= 100.0);

    for (int flags = 0; flags < 8; ++flags) {
        const bool entireScreen = (flags & 1) != 0;
        const kestrel::PagePreview preview = kestrel::ComputePagePreview(entireScreen, flags & 2, flags & 4, text);
        Require(preview.screenThumbVisible != preview.windowThumbVisible);
        Require(!(preview.landscapePageVisible && preview.portraitPageVisible));
        Require(entireScreen ? preview.screenThumbGeometry.has_value() : preview.windowThumbGeometry.has_value());
        CheckGeometry(preview.screenThumbGeometry);
        CheckGeometry(preview.windowThumbGeometry);
    }
    return 0;
}
