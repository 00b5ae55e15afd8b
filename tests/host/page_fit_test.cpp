#include "capture/page_fit.h"

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/host/table_test.h"

namespace kestrel {
namespace {

constexpr std::int16_t kTwips = 1;
constexpr std::int16_t kPixels600Dpi = 3;  // any other unit the fake knows

// A printer whose scale unit is twips unless told otherwise; it logs every call (one letter each:
// Orientation, Width, Height, Unit, X, Y, Draw) so the tests can check what was asked and when.
class FakePrinter : public FittedPrinter {
public:
    struct Conversion {
        char axis;
        float length;
        std::int16_t fromUnit, toUnit;
    };
    struct Drawing {
        float x, y;
        double width, height;
    };

    float printableWidth = 14400.0f;          // 10 inches
    float printableHeight = 10800.0f;         // 7.5 inches
    std::vector<std::int16_t> units{kTwips};  // handed out in turn, last repeats
    std::string calls;
    std::vector<std::int16_t> orientations;
    std::vector<Conversion> conversions;
    std::vector<Drawing> drawings;

    void SetOrientation(std::int16_t orientation) override {
        calls += 'O';
        orientations.push_back(orientation);
    }
    float PrintableWidth() override {
        calls += 'W';
        return printableWidth;
    }
    float PrintableHeight() override {
        calls += 'H';
        return printableHeight;
    }
    std::int16_t ScaleUnit() override {
        const std::size_t reads = std::count(calls.begin(), calls.end(), 'U');
        calls += 'U';
        return units[std::min(reads, units.size() - 1)];
    }
    float ConvertX(float length, std::int16_t from, std::int16_t to) override { return Convert('X', length, from, to); }
    float ConvertY(float length, std::int16_t from, std::int16_t to) override { return Convert('Y', length, from, to); }
    void DrawPicture(float x, float y, double width, double height) override {
        calls += 'D';
        drawings.push_back({x, y, width, height});
    }

private:
    static double HimetricPerUnit(std::int16_t unit) {
        if (unit == kTwips) return 2540.0 / 1440.0;
        if (unit == kPixels600Dpi) return 2540.0 / 600.0;
        return 1.0;  // HIMETRIC
    }
    float Convert(char axis, float length, std::int16_t from, std::int16_t to) {
        calls += axis;
        conversions.push_back({axis, length, from, to});
        const double result = length * HimetricPerUnit(from) / HimetricPerUnit(to);
        return result > FLT_MAX ? std::numeric_limits<float>::infinity() : static_cast<float>(result);
    }
};

constexpr double kTolerance = 0.01;  // twips; the unit conversions are float

struct FitCase {
    const char* name;
    std::int32_t pictureWidth, pictureHeight;
    float percent;
    double width, height;
};

class FittedSize : public ::testing::TestWithParam<FitCase> {};

TEST_P(FittedSize, DrawsOnceAtTheTopLeftWithTheFittedSize) {
    const FitCase& c = GetParam();
    FakePrinter printer;
    PrintPictureFitted(printer, c.pictureWidth, c.pictureHeight, "P", c.percent);
    ASSERT_EQ(printer.drawings.size(), 1u);
    EXPECT_EQ(printer.drawings[0].x, 0.0f);
    EXPECT_EQ(printer.drawings[0].y, 0.0f);
    EXPECT_NEAR(printer.drawings[0].width, c.width, kTolerance);
    EXPECT_NEAR(printer.drawings[0].height, c.height, kTolerance);
}

// Printable area 14400 x 10800 twips = 25400 x 19050 HIMETRIC, ratio 4:3: 2:1 is wider (full
// width), 1:2 taller (full height). A 1920 x 1080 screen at 96 dpi is 50800 x 28575 HIMETRIC.
INSTANTIATE_TEST_SUITE_P(Pictures, FittedSize,
                         ::testing::Values(FitCase{"WideAt100", 2000, 1000, 100, 14400, 7200},
                                           FitCase{"TallAt100", 1000, 2000, 100, 5400, 10800},
                                           FitCase{"WideAt25HalvesBothSides", 2000, 1000, 25, 7200, 3600},
                                           FitCase{"TallAt25HalvesBothSides", 1000, 2000, 25, 2700, 5400},
                                           FitCase{"WideAt50", 2000, 1000, 50, 10182.34, 5091.17},
                                           FitCase{"ZeroPercentDrawsNothingVisible", 2000, 1000, 0, 0, 0},
                                           FitCase{"At400TwiceTheFullFit", 2000, 1000, 400, 28800, 14400},
                                           FitCase{"SameRatioAsThePage", 4000, 3000, 100, 14400, 10800},
                                           FitCase{"ZeroWidthPicture", 0, 2000, 100, 0, 10800},
                                           FitCase{"ScreenShot", 50800, 28575, 100, 14400, 8100}),
                         kRowName);

// Conversions 0 and 1 take the printable area to HIMETRIC; then the bound side's full length is
// converted first.
void ExpectBoundSideFirst(std::int32_t pictureWidth, char first, float firstLength, char second, float secondLength) {
    FakePrinter printer;
    PrintPictureFitted(printer, pictureWidth, 3000, "P", 100);
    ASSERT_EQ(printer.conversions.size(), 4u);
    EXPECT_EQ(printer.conversions[2].axis, first);
    EXPECT_FLOAT_EQ(printer.conversions[2].length, firstLength);
    EXPECT_EQ(printer.conversions[3].axis, second);
    EXPECT_FLOAT_EQ(printer.conversions[3].length, secondLength);
}

TEST(FitDirection, EqualRatiosAreWidthBound) { ExpectBoundSideFirst(4000, 'X', 25400.0f, 'Y', 19050.0f); }

TEST(FitDirection, SlightlyNarrowerPictureIsHeightBound) { ExpectBoundSideFirst(3999, 'Y', 19050.0f, 'X', 25393.65f); }

TEST(ScaleUnit, IsReadAfreshBeforeEveryConversion) {
    FakePrinter printer;
    printer.units = {kTwips, kPixels600Dpi, kTwips, kPixels600Dpi};
    PrintPictureFitted(printer, 2000, 1000, "P", 100);
    const std::int16_t expected[4][2] = {{kTwips, scale::kHimetric},
                                         {kPixels600Dpi, scale::kHimetric},
                                         {scale::kHimetric, kTwips},
                                         {scale::kHimetric, kPixels600Dpi}};
    ASSERT_EQ(printer.conversions.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(printer.conversions[i].fromUnit, expected[i][0]) << i;
        EXPECT_EQ(printer.conversions[i].toUnit, expected[i][1]) << i;
    }
    EXPECT_EQ(std::count(printer.calls.begin(), printer.calls.end(), 'U'), 4) << printer.calls;
    for (std::size_t at = printer.calls.find_first_of("XY"); at != std::string::npos;
         at = printer.calls.find_first_of("XY", at + 1)) {
        ASSERT_GT(at, 0u);
        EXPECT_EQ(printer.calls[at - 1], 'U') << printer.calls;
    }
}

TEST(CallOrder, OrientationFirstDrawingLast) {
    FakePrinter printer;
    PrintPictureFitted(printer, 2000, 1000, "L", 100);
    ASSERT_FALSE(printer.calls.empty());
    EXPECT_EQ(printer.calls.front(), 'O');
    EXPECT_EQ(printer.calls.back(), 'D');
    EXPECT_EQ(printer.orientations.size(), 1u);
}

using OrientationRow = Row<std::string, std::int16_t>;

class OrientationText : public ::testing::TestWithParam<OrientationRow> {};

TEST_P(OrientationText, OnlyCapitalPIsPortrait) {
    FakePrinter printer;
    PrintPictureFitted(printer, 2000, 1000, GetParam().in, 100);
    EXPECT_EQ(printer.orientations, std::vector<std::int16_t>{GetParam().out});
}

INSTANTIATE_TEST_SUITE_P(Texts, OrientationText,
                         ::testing::Values(OrientationRow{"P", 1}, OrientationRow{"L", 2}, OrientationRow{"p", 2},
                                           OrientationRow{"", 2}, OrientationRow{" P", 2}, OrientationRow{"P ", 2},
                                           OrientationRow{"Portrait", 2}));

struct FailureCase {
    const char* name;
    std::int32_t pictureWidth, pictureHeight;
    float printableWidth, printableHeight;
    float percent;
    int errorNumber;
    bool orientationSet;
};

class FitFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FitFailure, RaisesAndDrawsNothing) {
    const FailureCase& c = GetParam();
    FakePrinter printer;
    printer.printableWidth = c.printableWidth;
    printer.printableHeight = c.printableHeight;
    const RunTimeError error =
        Raised([&] { PrintPictureFitted(printer, c.pictureWidth, c.pictureHeight, "P", c.percent); });
    EXPECT_EQ(error.number, c.errorNumber) << error.what();
    EXPECT_TRUE(printer.drawings.empty());
    EXPECT_EQ(printer.orientations.size(), c.orientationSet ? 1u : 0u);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// A zero-width picture on a zero-width page: ratio 0 >= 0 goes width-bound and divides by the
// picture's ratio.
INSTANTIATE_TEST_SUITE_P(
    Errors, FitFailure,
    ::testing::Values(FailureCase{"ZeroPictureHeight", 2000, 0, 14400, 10800, 100, 11, true},
                      FailureCase{"EmptyPicture", 0, 0, 14400, 10800, 100, 11, true},
                      FailureCase{"ZeroPrintableHeight", 2000, 1000, 14400, 0, 100, 11, true},
                      FailureCase{"ZeroWidthPictureOnZeroWidthPage", 0, 1000, 0, 10800, 100, 11, true},
                      FailureCase{"NegativePercent", 2000, 1000, 14400, 10800, -1, 5, false},
                      FailureCase{"NaNPercent", 2000, 1000, 14400, 10800, kNaN, 5, false},
                      FailureCase{"InfinitePercent", 2000, 1000, 14400, 10800, kInf, 6, false},
                      FailureCase{"NaNPrintableWidth", 2000, 1000, kNaN, 10800, 100, 5, true},
                      FailureCase{"PrinterConversionOverflows", 2000, 1000, 3e38f, 10800, 100, 6, true}),
    kRowName);

using FactorRow = Row<float, float>;

class SizeFactor : public ::testing::TestWithParam<FactorRow> {};

TEST_P(SizeFactor, IsTenTimesTheSquareRoot) { EXPECT_FLOAT_EQ(PrintSizeFactor(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(Percentages, SizeFactor,
                         ::testing::Values(FactorRow{100, 100}, FactorRow{25, 50}, FactorRow{50, 70.710678f},
                                           FactorRow{1, 10}, FactorRow{0, 0}, FactorRow{400, 200},
                                           FactorRow{FLT_MAX, 1.8446743e20f}));

TEST(SizeFactorErrors, NegativeAndNaNAreInvalidCalls) {
    for (float percent : {-1.0f, -FLT_MIN, kNaN, -kInf}) {
        EXPECT_EQ(Raised([&] { PrintSizeFactor(percent); }).number, 5) << percent;
    }
}

}  // namespace
}  // namespace kestrel
