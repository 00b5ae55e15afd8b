// The toolkit's scale units: the codes a form or the printer measures lengths in, how a length
// converts between them, and how it lands on whole device pixels.
#pragma once

#include <cstdint>

namespace kestrel::scale {

// The classic unit codes. 0 (a user-defined scale) is not offered by the printer.
inline constexpr std::int16_t kTwips = 1;       // 1/1440 inch
inline constexpr std::int16_t kPoints = 2;      // 1/72 inch
inline constexpr std::int16_t kPixels = 3;      // device pixels
inline constexpr std::int16_t kCharacters = 4;  // 120 twips across, 240 twips down
inline constexpr std::int16_t kInches = 5;
inline constexpr std::int16_t kMillimeters = 6;
inline constexpr std::int16_t kCentimeters = 7;
inline constexpr std::int16_t kHimetric = 8;  // 1/100 millimetre

enum class Axis { kHorizontal, kVertical };

// How many twips one unit is along `axis` on a device with `dotsPerInch` there.
// Throws InvalidCallError for a code outside 1..8, DivisionByZeroError for pixels on a device
// that reports no resolution.
double TwipsPerUnit(std::int16_t unit, Axis axis, double dotsPerInch);

// `length` in `fromUnit` expressed in `toUnit`, computed in double precision and kept in single
// precision. Throws as TwipsPerUnit does, and OverflowError when the result does not fit in
// single precision.
float ConvertLength(float length, std::int16_t fromUnit, std::int16_t toUnit, Axis axis, double dotsPerInch);

// GDI keeps device coordinates within 27 bits on NT; anything further out is dropped or wraps.
inline constexpr std::int32_t kMaxDeviceCoordinate = (1 << 27) - 1;

// A position and a length along one axis, in `unit`, as whole device pixels: both edges are
// rounded to the nearest pixel, so that neighbouring drawings meet. A negative length stays
// negative (the drawing is mirrored). Throws OverflowError when an edge is not finite or lies
// beyond kMaxDeviceCoordinate, and as TwipsPerUnit does.
struct DeviceSpan {
    std::int32_t position;
    std::int32_t length;
};
DeviceSpan ToDeviceSpan(double position, double length, std::int16_t unit, Axis axis, double dotsPerInch);

}  // namespace kestrel::scale
