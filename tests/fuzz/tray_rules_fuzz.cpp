// libFuzzer target for the notification-area rules: the tip goes into a fixed 88-byte record, and
// the mouse number comes back from the shell through twips and a division, so no tip may write
// past the record and no coordinate may crash the decoding or pick an action it does not name.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/tray_rules.h"
#include "tests/fuzz/require.h"
#include "toolkit/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto hwnd = input.ConsumeIntegral<std::uint32_t>();
    const auto hicon = input.ConsumeIntegral<std::uint32_t>();
    const int dpi = input.ConsumeIntegral<int>();
    const auto xTwips = input.ConsumeIntegral<std::int16_t>();
    const float single = input.ConsumeFloatingPoint<float>();
    const bool visible = input.ConsumeBool();
    const std::string tip = input.ConsumeRemainingBytesAsString();

    const auto record = kestrel::EncodeTrayRecord(kestrel::MakeTrayFields(hwnd, hicon), tip);
    Require(record[0] == kestrel::kTrayRecordSize && record[1] == 0);
    const std::string back = kestrel::DecodeTrayTip(record);
    Require(back == tip.substr(0, std::min(tip.find('\0'), std::size_t{64})));

    const float twipsPerPixel = kestrel::TrayTwipsPerPixel(dpi);
    Require(twipsPerPixel >= 1.0f && twipsPerPixel <= 1440.0f && twipsPerPixel == std::floor(twipsPerPixel));
    try {
        const auto number = kestrel::GetMouseEventNumber(xTwips, twipsPerPixel);
        Require(number && std::isfinite(*number));
        const auto action = kestrel::TrayActionFor(number, visible);
        Require(action == kestrel::TrayAction::None || *number == 515.0f || *number == 517.0f);
    } catch (const kestrel::RunTimeError&) {
        std::abort();  // a divisor of at least 1 and a 16-bit dividend never fail
    }
    try {
        const std::int16_t rounded = kestrel::RoundToInt16(single);
        Require(std::fabs(static_cast<double>(rounded) - static_cast<double>(single)) <= 0.5);
    } catch (const kestrel::RunTimeError&) {
        Require(std::isnan(single) || std::fabs(single) > 32767.0f);
    }
    const auto action = kestrel::TrayActionForMessage(static_cast<std::uint32_t>(xTwips), visible);
    Require(action == kestrel::TrayActionFor(static_cast<float>(static_cast<std::uint32_t>(xTwips)), visible));
    return 0;
}
