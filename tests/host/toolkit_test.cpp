// The toolkit's rules: lengths between scale units and onto device pixels, and handles kept in
// 32 bits.
#include <cfloat>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

#include "tests/host/table_test.h"
#include "toolkit/handle_bits.h"
#include "toolkit/scale_units.h"

namespace kestrel {
namespace scale {
namespace {

constexpr Axis kX = Axis::kHorizontal;
constexpr Axis kY = Axis::kVertical;

struct ConversionCase {
    const char* name;
    float length;
    std::int16_t from, to;
    Axis axis;
    double dotsPerInch;
    float expected;  // or the error number
};

class Conversion : public ::testing::TestWithParam<ConversionCase> {};
class ConversionErrors : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, GivesTheLengthInTheOtherUnit) {
    const ConversionCase& c = GetParam();
    EXPECT_FLOAT_EQ(ConvertLength(c.length, c.from, c.to, c.axis, c.dotsPerInch), c.expected);
}

TEST_P(ConversionErrors, RaiseTheToolkitsError) {
    const ConversionCase& c = GetParam();
    const RunTimeError error = Raised([&] { ConvertLength(c.length, c.from, c.to, c.axis, c.dotsPerInch); });
    EXPECT_EQ(error.number, c.expected) << error.what();
}

// One inch is 1440 twips, 2540 HIMETRIC, 72 points, 25.4 mm; the generic printer's printable
// width is 2450 pixels at 300 dpi; a character cell is 120 twips wide and 240 twips high.
INSTANTIATE_TEST_SUITE_P(
    Units, Conversion,
    ::testing::Values(ConversionCase{"TwipsToHimetric", 1440, kTwips, kHimetric, kX, 300, 2540},
                      ConversionCase{"HimetricToTwips", 2540, kHimetric, kTwips, kY, 300, 1440},
                      ConversionCase{"InchToPoints", 1, kInches, kPoints, kX, 300, 72},
                      ConversionCase{"InchToMillimetres", 1, kInches, kMillimeters, kX, 300, 25.4f},
                      ConversionCase{"CentimetreToHimetric", 1, kCentimeters, kHimetric, kY, 96, 1000},
                      ConversionCase{"PrinterPixelsToTwips", 2450, kPixels, kTwips, kX, 300, 11760},
                      ConversionCase{"PrinterPixelsToHimetric", 3200, kPixels, kHimetric, kY, 300, 27093.334f},
                      ConversionCase{"ScreenPixelsToTwips", 1, kPixels, kTwips, kX, 96, 15},
                      ConversionCase{"CharactersAcross", 2, kCharacters, kTwips, kX, 300, 240},
                      ConversionCase{"CharactersDown", 2, kCharacters, kTwips, kY, 300, 480},
                      ConversionCase{"SameUnitUnchanged", 12.5f, kHimetric, kHimetric, kX, 300, 12.5f},
                      ConversionCase{"NegativeLengths", -1440, kTwips, kInches, kX, 300, -1},
                      ConversionCase{"Zero", 0, kTwips, kHimetric, kX, 300, 0}),
    kRowName);
INSTANTIATE_TEST_SUITE_P(Faults, ConversionErrors,
                         ::testing::Values(ConversionCase{"UserScale", 1, 0, kTwips, kX, 300, 5},
                                           ConversionCase{"UnknownFrom", 1, 9, kTwips, kX, 300, 5},
                                           ConversionCase{"UnknownTo", 1, kTwips, -1, kX, 300, 5},
                                           ConversionCase{"PixelsWithoutResolution", 1, kPixels, kTwips, kX, 0, 11},
                                           ConversionCase{"BeyondSinglePrecision", FLT_MAX, kInches, kTwips, kX, 300,
                                                          6}),
                         kRowName);

TEST(ConversionRoundTrip, TwipsThroughHimetricComeBack) {
    const float himetric = ConvertLength(11760, kTwips, kHimetric, kX, 300);
    EXPECT_FLOAT_EQ(ConvertLength(himetric, kHimetric, kTwips, kX, 300), 11760);
}

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

// EdgesRoundedNotLength: 0.4 and 0.4 + 0.4 pixels, so the edges round apart, not the length.
INSTANTIATE_TEST_SUITE_P(
    Spans, DeviceSpans,
    ::testing::Values(SpanCase{"FullPrintableWidth", 0, 11760, kTwips, 300, 0, 2450},
                      SpanCase{"HalfOfIt", 0, 5880, kTwips, 300, 0, 1225},
                      SpanCase{"EdgesRoundedNotLength", 1.92, 1.92, kTwips, 300, 0, 1},
                      SpanCase{"HimetricInch", 2540, 2540, kHimetric, 300, 300, 300},
                      SpanCase{"MirroredDrawing", 0, -1440, kTwips, 300, 0, -300},
                      SpanCase{"Empty", 0, 0, kTwips, 300, 0, 0}, SpanCase{"PixelsAreWhole", 3, 7, kPixels, 300, 3, 7},
                      SpanCase{"LargestDrawing", 0, kMaxDeviceCoordinate, kPixels, 300, 0, kMaxDeviceCoordinate}),
    kRowName);

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
        const RunTimeError error = Raised([&] { ToDeviceSpan(c.position, c.length, kPixels, kX, 300); });
        EXPECT_EQ(error.number, 6) << c.position << " + " << c.length << ": " << error.what();
    }
}

TEST(DeviceSpanErrors, NoResolutionIsADivisionByZero) {
    EXPECT_EQ(Raised([] { ToDeviceSpan(0, 1440, kTwips, kX, 0); }).number, 11);
}

}  // namespace
}  // namespace scale

namespace {

using WideningRow = Row<std::uint32_t, std::uint64_t>;  // the handle a 64-bit process holds for the bits

class HandleWidening : public ::testing::TestWithParam<WideningRow> {};

TEST_P(HandleWidening, SignExtendsAndNarrowsBack) {
    const std::uintptr_t handle = WidenHandleBits(GetParam().in);
    EXPECT_EQ(static_cast<std::uint64_t>(handle), sizeof handle == 8 ? GetParam().out : GetParam().in);
    EXPECT_EQ(HandleBits(handle), GetParam().in);
}

// From the top bit up a 64-bit process sees a negative number.
INSTANTIATE_TEST_SUITE_P(
    Values, HandleWidening,
    ::testing::Values(WideningRow{0x00000000u, 0x0000000000000000u}, WideningRow{0x00010ABCu, 0x0000000000010ABCu},
                      WideningRow{0x7FFFFFFFu, 0x000000007FFFFFFFu}, WideningRow{0x80000000u, 0xFFFFFFFF80000000u},
                      WideningRow{0x80000001u, 0xFFFFFFFF80000001u}, WideningRow{0x8A0512C4u, 0xFFFFFFFF8A0512C4u},
                      WideningRow{0xFFFFFFFEu, 0xFFFFFFFFFFFFFFFEu}, WideningRow{0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFu}));

TEST(HandleNarrowing, KeepsTheLow32BitsOfASignExtendedHandle) {
    if (sizeof(std::uintptr_t) != 8) GTEST_SKIP() << "handles are 32 bits wide here";
    EXPECT_EQ(HandleBits(static_cast<std::uintptr_t>(0xFFFFFFFF80001234u)), 0x80001234u);
    EXPECT_EQ(HandleBits(static_cast<std::uintptr_t>(0x0000000000001234u)), 0x00001234u);
}

}  // namespace
}  // namespace kestrel
