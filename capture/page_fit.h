// Printing a captured picture fitted to the printable area of the page.
#pragma once

#include "toolkit/scale_units.h"

#include <cstdint>
#include <string_view>

namespace kestrel {

// The printer operations the fitting needs. The concrete adapter owns the
// picture to draw, so the fitting itself stays free of GDI and OLE and can be
// tested against a fake.
class FittedPrinter {
public:
    virtual ~FittedPrinter() = default;

    // 1 portrait, 2 landscape.
    virtual void SetOrientation(std::int16_t orientation) = 0;
    // Size of the printable area in the current scale unit.
    virtual float PrintableWidth() = 0;
    virtual float PrintableHeight() = 0;
    // The current scale unit's code; the fitting never changes it.
    virtual std::int16_t ScaleUnit() = 0;
    // Convert a horizontal / vertical length between unit codes.
    virtual float ConvertX(float length, std::int16_t fromUnit, std::int16_t toUnit) = 0;
    virtual float ConvertY(float length, std::int16_t fromUnit, std::int16_t toUnit) = 0;
    // Stretch the picture to width x height at (x, y), in the scale unit.
    virtual void DrawPicture(float x, float y, double width, double height) = 0;

protected:
    FittedPrinter() = default;
    FittedPrinter(const FittedPrinter&) = default;
    FittedPrinter& operator=(const FittedPrinter&) = default;
};

// Sets the orientation ("P" exactly -> 1, anything else -> 2), fits the
// picture into the printable area keeping its aspect ratio (width-bound when
// the picture is at least as wide, relatively, as the area) and scales both
// sides by sqrt(percent)/10, so that the drawing covers `percent` per cent of
// the full fit's area; then draws it at 0,0. Percent is not limited: 400
// draws twice as wide and high as the full fit.
//
// Throws RunTimeError and draws nothing when a step fails: a negative or NaN
// percent -> InvalidCallError (the square root fails; this happens before the
// orientation is set); a zero divisor (picture or printable height 0, or a
// width-bound picture of width 0) -> DivisionByZeroError; any NaN result ->
// InvalidCallError; any infinite result, or a length too long for single
// precision -> OverflowError. An orientation set before the failure stays set.
// Errors thrown by the printer pass through unchanged.
void PrintPictureFitted(FittedPrinter& printer, std::int32_t pictureWidthHimetric, std::int32_t pictureHeightHimetric,
                        std::string_view orientation, float percent);

// The size factor: sqrt(percent) x 10 in double precision, kept in single
// precision (100 -> 100, 25 -> 50). Throws as PrintPictureFitted does.
float PrintSizeFactor(float percent);

}  // namespace kestrel
