#include "toolkit/scale_units.h"

#include <cmath>

#include "settings/leading_number.h"
#include "toolkit/run_time_error.h"

namespace kestrel::scale {
namespace {

constexpr double kTwipsPerInch = 1440.0;

double DeviceEdge(double edgeInUnits, double twipsPerUnit, double dotsPerInch) {
    const double pixels = edgeInUnits * twipsPerUnit * dotsPerInch / kTwipsPerInch;
    // The test is written so that NaN fails it too.
    if (!(std::fabs(pixels) <= kMaxDeviceCoordinate)) throw OverflowError();
    return std::nearbyint(pixels);
}

}  // namespace

double TwipsPerUnit(std::int16_t unit, Axis axis, double dotsPerInch) {
    switch (unit) {
    case kTwips:
        return 1.0;
    case kPoints:
        return 20.0;
    case kPixels:
        if (!(dotsPerInch > 0.0)) throw DivisionByZeroError();
        return kTwipsPerInch / dotsPerInch;
    case kCharacters:
        return axis == Axis::kHorizontal ? 120.0 : 240.0;
    case kInches:
        return kTwipsPerInch;
    case kMillimeters:
        return kTwipsPerInch / 25.4;
    case kCentimeters:
        return kTwipsPerInch / 2.54;
    case kHimetric:
        return kTwipsPerInch / 2540.0;
    default:
        throw InvalidCallError();
    }
}

float ConvertLength(float length, std::int16_t fromUnit, std::int16_t toUnit, Axis axis, double dotsPerInch) {
    const double from = TwipsPerUnit(fromUnit, axis, dotsPerInch);
    const double to = TwipsPerUnit(toUnit, axis, dotsPerInch);
    if (fromUnit == toUnit) return length;
    const float result = ToSingle(static_cast<double>(length) * from / to);
    if (std::isinf(result) && !std::isinf(length)) throw OverflowError();
    return result;
}

DeviceSpan ToDeviceSpan(double position, double length, std::int16_t unit, Axis axis, double dotsPerInch) {
    if (!(dotsPerInch > 0.0)) throw DivisionByZeroError();
    const double twipsPerUnit = TwipsPerUnit(unit, axis, dotsPerInch);
    const double start = DeviceEdge(position, twipsPerUnit, dotsPerInch);
    const double end = DeviceEdge(position + length, twipsPerUnit, dotsPerInch);
    if (!(std::fabs(end - start) <= kMaxDeviceCoordinate)) throw OverflowError();
    return {static_cast<std::int32_t>(start), static_cast<std::int32_t>(end - start)};
}

}  // namespace kestrel::scale
