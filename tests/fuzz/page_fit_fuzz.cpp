// libFuzzer target for fitted printing: the picture's size comes from the screen, the printable
// area and unit conversions from whatever printer driver is the default, and the percentage from
// an unchecked setting. Either the drawing fits the page scaled by the size factor, or the fitting
// fails with one of the program's own run-time errors; it never draws a NaN or an infinity.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <string>

#include "capture/page_fit.h"
#include "tests/fuzz/require.h"
#include "toolkit/run_time_error.h"

namespace {

// A driver whose answers are all taken from the input.
class FuzzedPrinter : public kestrel::FittedPrinter {
public:
    explicit FuzzedPrinter(FuzzedDataProvider& input) : input_(input) {}

    void SetOrientation(std::int16_t orientation) override { Require(orientation == 1 || orientation == 2); }
    float PrintableWidth() override { return input_.ConsumeFloatingPoint<float>(); }
    float PrintableHeight() override { return input_.ConsumeFloatingPoint<float>(); }
    std::int16_t ScaleUnit() override { return input_.ConsumeIntegral<std::int16_t>(); }
    float ConvertX(float length, std::int16_t, std::int16_t) override { return length * Factor(); }
    float ConvertY(float length, std::int16_t, std::int16_t) override { return length * Factor(); }
    void DrawPicture(float x, float y, double width, double height) override {
        Require(x == 0.0f && y == 0.0f && std::isfinite(width) && std::isfinite(height));
        ++drawings;
    }
    int drawings = 0;

private:
    float Factor() { return input_.ConsumeFloatingPoint<float>(); }
    FuzzedDataProvider& input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto width = input.ConsumeIntegral<std::int32_t>();
    const auto height = input.ConsumeIntegral<std::int32_t>();
    const float percent = input.ConsumeFloatingPoint<float>();
    const std::string orientation = input.ConsumeRandomLengthString(4);
    FuzzedPrinter printer(input);
    try {
        kestrel::PrintPictureFitted(printer, width, height, orientation, percent);
        Require(printer.drawings == 1);
        Require(percent >= 0.0f);
    } catch (const kestrel::RunTimeError& error) {
        Require(printer.drawings == 0);
        Require(error.number == 5 || error.number == 6 || error.number == 11);
    }
    return 0;
}
