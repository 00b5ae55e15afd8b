#include "toolkit/scale_units.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <limits>
#include <string>

#include "toolkit/run_time_error.h"

namespace kestrel::scale {
namespace {

struct ConversionCase {
    const char* name;
    float length;
    std::int16_t from, to;
    Axis axis;
    double dotsPerInch;
    float expected;
};

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, GivesTheLengthInTheOtherUnit) {
    const ConversionCase& c = GetParam();
    EXPECT_FLOAT_EQ(ConvertLength(c.length, c.from, c.to, c.axis, c.dotsPerInch), c.expected);
}

constexpr Axis kX = Axis::kHorizontal;
constexpr Axis kY = Axis::kVertical;

INSTANTIATE_TEST_SUITE_P(Units, Conversion,
                         ::testing::Values(
                             // One inch is 1440 twips, 2540 HIMETRIC, 72 points, 25.4 mm.
                             ConversionCase{"TwipsToHimetric", 1440, kTwips, kHimetric, kX, 300, 2540},
                             ConversionCase{"HimetricToTwips", 2540, kHimetric, kTwips, kY, 300, 1440},
                             ConversionCase{"InchToPoints", 1, kInches, kPoints, kX, 300, 72},
                             ConversionCase{"InchToMillimetres", 1, kInches, kMillimeters, kX, 300, 25.4f},
                             ConversionCase{"CentimetreToHimetric", 1, kCentimeters, kHimetric, kY, 96, 1000},
                             // The generic printer's printable width: 2450 pixels at 300 dpi.
                             ConversionCase{"PrinterPixelsToTwips", 2450, kPixels, kTwips, kX, 300, 11760},
                             ConversionCase{"PrinterPixelsToHimetric", 3200, kPixels, kHimetric, kY, 300, 27093.334f},
                             ConversionCase{"ScreenPixelsToTwips", 1, kPixels, kTwips, kX, 96, 15},
                             // A character cell is 120 twips wide and 240 twips high.
                             ConversionCase{"CharactersAcross", 2, kCharacters, kTwips, kX, 300, 240},
                             ConversionCase{"CharactersDown", 2, kCharacters, kTwips, kY, 300, 480},
                             ConversionCase{"SameUnitUnchanged", 12.5f, kHimetric, kHimetric, kX, 300, 12.5f},
                             ConversionCase{"NegativeLengths", -1440, kTwips, kInches, kX, 300, -1},
                             ConversionCase{"Zero", 0, kTwips, kHimetric, kX, 300, 0}),
                         [](const ::testing::TestParamInfo<ConversionCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ConversionRoundTrip, TwipsThroughHimetricComeBack) {
    const float himetric = ConvertLength(11760, kTwips, kHimetric, kX, 300);
    EXPECT_FLOAT_EQ(ConvertLength(himetric, kHimetric, kTwips, kX, 300), 11760);
}

struct ErrorCase {
    const char* name;
    float length;
    std::int16_t from, to;
    double dotsPerInch;
    int errorNumber;
};

class ConversionErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ConversionErrors, RaiseTheToolkitsError) {
    const ErrorCase& c = GetParam();
    try {
        ConvertLength(c.length, c.from, c.to, kX, c.dotsPerInch);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number, c.errorNumber) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, ConversionErrors,
                         ::testing::Values(ErrorCase{"UserScale", 1, 0, kTwips, 300, 5},
                                           ErrorCase{"UnknownFrom", 1, 9, kTwips, 300, 5},
                                           ErrorCase{"UnknownTo", 1, kTwips, -1, 300, 5},
                                           ErrorCase{"PixelsWithoutResolution", 1, kPixels, kTwips, 0, 11},
                                           ErrorCase{"BeyondSinglePrecision", FLT_MAX, kInches, kTwips, 300, 6}),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

struct SpanCase {
    const char* name;
    double position, length;
    std::int16_t unit;
    double dotsPerInch;
    std::int32_t devicePosition, deviceLength;
};

class DeviceSpans : public ::testing::TestWithParam<SpanCase> {};

TEST_P(DeviceSpans, LandOnWholePixels) {
    const SpanCase& c = GetParam();
    const DeviceSpan span = ToDeviceSpan(c.position, c.length, c.unit, kX, c.dotsPerInch);
    EXPECT_EQ(span.position, c.devicePosition);
    EXPECT_EQ(span.length, c.deviceLength);
}

INSTANTIATE_TEST_SUITE_P(
    Spans, DeviceSpans,
    ::testing::Values(SpanCase{"FullPrintableWidth", 0, 11760, kTwips, 300, 0, 2450},
                      SpanCase{"HalfOfIt", 0, 5880, kTwips, 300, 0, 1225},
                      // 0.4 and 0.4 + 0.4 pixels: the edges round apart, not the length.
                      SpanCase{"EdgesRoundedNotLength", 1.92, 1.92, kTwips, 300, 0, 1},
                      SpanCase{"HimetricInch", 2540, 2540, kHimetric, 300, 300, 300},
                      SpanCase{"MirroredDrawing", 0, -1440, kTwips, 300, 0, -300},
                      SpanCase{"Empty", 0, 0, kTwips, 300, 0, 0}, SpanCase{"PixelsAreWhole", 3, 7, kPixels, 300, 3, 7},
                      SpanCase{"LargestDrawing", 0, kMaxDeviceCoordinate, kPixels, 300, 0, kMaxDeviceCoordinate}),
    [](const ::testing::TestParamInfo<SpanCase>& info) { return std::string(info.param.name); });

TEST(DeviceSpanErrors, AnythingBeyondTheDeviceSpaceIsAnOverflow) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double position, length;
    } cases[] = {
        {0, kMaxDeviceCoordinate + 1.0},  // in pixels
        {0, 1e300},                       // the fit at an enormous but finite percent
        {-1e20, 1},
        {0, inf},
        {0, nan},
        {nan, 1},
        {-100000000, 100000000 + kMaxDeviceCoordinate},  // both edges inside, the length not
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position << " + " << c.length);
        try {
            ToDeviceSpan(c.position, c.length, kPixels, kX, 300);
            ADD_FAILURE() << "no error";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.number, 6) << e.what();
        }
    }
}

TEST(DeviceSpanErrors, NoResolutionIsADivisionByZero) {
    try {
        ToDeviceSpan(0, 1440, kTwips, kX, 0);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number, 11);
    }
}

}  // namespace
}  // namespace kestrel::scale
