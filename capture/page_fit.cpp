#include "capture/page_fit.h"

#include <cmath>

#include "settings/leading_number.h"
#include "toolkit/run_time_error.h"

namespace kestrel {
namespace {

// The original tested the FPU's sticky exception flags after each step. The
// values are tested instead: compilers may move arithmetic across
// <cfenv> flag reads, and a flag left set by foreign code (a printer driver)
// would raise a false error.
double Checked(double value) {
    if (std::isnan(value)) throw InvalidCallError();
    if (std::isinf(value)) throw OverflowError();
    return value;
}

double CheckedQuotient(double dividend, double divisor) {
    if (divisor == 0.0) throw DivisionByZeroError();
    return Checked(dividend / divisor);
}

// Every length handed to a conversion is a single-precision argument; a
// length beyond float range is an overflow, not a silent infinity.
float ToCheckedSingle(double value) {
    const float narrowed = ToSingle(Checked(value));
    if (std::isinf(narrowed)) throw OverflowError();
    return narrowed;
}

}  // namespace

float PrintSizeFactor(float percent) {
    if (std::isnan(percent) || percent < 0.0f) throw InvalidCallError();
    return ToCheckedSingle(std::sqrt(static_cast<double>(percent)) * 10.0);
}

void PrintPictureFitted(FittedPrinter& printer, std::int32_t pictureWidthHimetric, std::int32_t pictureHeightHimetric,
                        std::string_view orientation, float percent) {
    const float factor = PrintSizeFactor(percent);

    printer.SetOrientation(static_cast<std::int16_t>(orientation == "P" ? 1 : 2));

    const double pictureRatio =
        CheckedQuotient(static_cast<double>(pictureWidthHimetric), static_cast<double>(pictureHeightHimetric));

    // The scale unit is asked for before every conversion rather than kept:
    // it belongs to the printer, and the adapter may report it differently
    // once the orientation has changed.
    const float printableWidth = printer.PrintableWidth();
    std::int16_t unit = printer.ScaleUnit();
    const double printableWidthHimetric = Checked(printer.ConvertX(printableWidth, unit, scale::kHimetric));
    const float printableHeight = printer.PrintableHeight();
    unit = printer.ScaleUnit();
    const double printableHeightHimetric = Checked(printer.ConvertY(printableHeight, unit, scale::kHimetric));
    const double printerRatio = CheckedQuotient(printableWidthHimetric, printableHeightHimetric);

    const double k = static_cast<double>(factor) / 100.0;
    double printWidth;
    double printHeight;
    if (pictureRatio >= printerRatio) {
        unit = printer.ScaleUnit();
        printWidth = Checked(
            static_cast<double>(printer.ConvertX(ToCheckedSingle(printableWidthHimetric), scale::kHimetric, unit)) * k);
        const double height = CheckedQuotient(printableWidthHimetric, pictureRatio);
        unit = printer.ScaleUnit();
        printHeight =
            Checked(static_cast<double>(printer.ConvertY(ToCheckedSingle(height), scale::kHimetric, unit)) * k);
    } else {
        unit = printer.ScaleUnit();
        printHeight = Checked(
            static_cast<double>(printer.ConvertY(ToCheckedSingle(printableHeightHimetric), scale::kHimetric, unit)) *
            k);
        const double width = Checked(printableHeightHimetric * pictureRatio);
        unit = printer.ScaleUnit();
        printWidth = Checked(static_cast<double>(printer.ConvertX(ToCheckedSingle(width), scale::kHimetric, unit)) * k);
    }

    printer.DrawPicture(0.0f, 0.0f, printWidth, printHeight);
}

}  // namespace kestrel
