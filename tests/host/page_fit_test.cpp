#include "capture/page_fit.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "toolkit/run_time_error.h"

namespace kestrel {
namespace {

constexpr std::int16_t kTwips = 1;
constexpr std::int16_t kPixels600Dpi = 3;  // any other unit the fake knows

// A printer whose scale unit is twips unless told otherwise; it logs every
// call so the tests can check what was asked and in which order.
class FakePrinter : public FittedPrinter {
public:
    struct Conversion {
        char axis;
        float length;
        std::int16_t fromUnit;
        std::int16_t toUnit;
    };
    struct Drawing {
        float x, y;
        double width, height;
    };

    float printableWidth = 14400.0f;          // 10 inches
    float printableHeight = 10800.0f;         // 7.5 inches
    std::vector<std::int16_t> units{kTwips};  // handed out in turn, last repeats

    std::vector<std::string> calls;
    std::vector<std::int16_t> orientations;
    std::vector<Conversion> conversions;
    std::vector<Drawing> drawings;

    void SetOrientation(std::int16_t orientation) override {
        calls.push_back("SetOrientation");
        orientations.push_back(orientation);
    }
    float PrintableWidth() override {
        calls.push_back("PrintableWidth");
        return printableWidth;
    }
    float PrintableHeight() override {
        calls.push_back("PrintableHeight");
        return printableHeight;
    }
    std::int16_t ScaleUnit() override {
        calls.push_back("ScaleUnit");
        const std::int16_t unit = units[unitReads_ < units.size() ? unitReads_ : units.size() - 1];
        ++unitReads_;
        return unit;
    }
    float ConvertX(float length, std::int16_t from, std::int16_t to) override {
        calls.push_back("ConvertX");
        conversions.push_back({'X', length, from, to});
        return Convert(length, from, to);
    }
    float ConvertY(float length, std::int16_t from, std::int16_t to) override {
        calls.push_back("ConvertY");
        conversions.push_back({'Y', length, from, to});
        return Convert(length, from, to);
    }
    void DrawPicture(float x, float y, double width, double height) override {
        calls.push_back("DrawPicture");
        drawings.push_back({x, y, width, height});
    }

private:
    static double HimetricPerUnit(std::int16_t unit) {
        if (unit == kTwips) return 2540.0 / 1440.0;
        if (unit == kPixels600Dpi) return 2540.0 / 600.0;
        return 1.0;  // HIMETRIC
    }
    static float Convert(float length, std::int16_t from, std::int16_t to) {
        const double result = length * HimetricPerUnit(from) / HimetricPerUnit(to);
        if (result > FLT_MAX) return std::numeric_limits<float>::infinity();
        return static_cast<float>(result);
    }
    std::size_t unitReads_ = 0;
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

// Printable area 14400 x 10800 twips = 25400 x 19050 HIMETRIC, ratio 4:3.
INSTANTIATE_TEST_SUITE_P(Pictures, FittedSize,
                         ::testing::Values(
                             // 2:1 is wider than 4:3: full width, height = width / 2.
                             FitCase{"WideAt100", 2000, 1000, 100, 14400, 7200},
                             // 1:2 is taller: full height, width = height / 2.
                             FitCase{"TallAt100", 1000, 2000, 100, 5400, 10800},
                             FitCase{"WideAt25HalvesBothSides", 2000, 1000, 25, 7200, 3600},
                             FitCase{"TallAt25HalvesBothSides", 1000, 2000, 25, 2700, 5400},
                             FitCase{"WideAt50", 2000, 1000, 50, 10182.34, 5091.17},
                             FitCase{"ZeroPercentDrawsNothingVisible", 2000, 1000, 0, 0, 0},
                             FitCase{"At400TwiceTheFullFit", 2000, 1000, 400, 28800, 14400},
                             FitCase{"SameRatioAsThePage", 4000, 3000, 100, 14400, 10800},
                             FitCase{"ZeroWidthPicture", 0, 2000, 100, 0, 10800},
                             // 1920 x 1080 screen at 96 dpi: 50800 x 28575 HIMETRIC.
                             FitCase{"ScreenShot", 50800, 28575, 100, 14400, 8100}),
                         [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

TEST(FitDirection, EqualRatiosAreWidthBound) {
    FakePrinter printer;
    PrintPictureFitted(printer, 4000, 3000, "P", 100);
    // Conversions 0 and 1 take the printable area to HIMETRIC; the width-bound
    // way then converts the full printable width first.
    ASSERT_EQ(printer.conversions.size(), 4u);
    EXPECT_EQ(printer.conversions[2].axis, 'X');
    EXPECT_FLOAT_EQ(printer.conversions[2].length, 25400.0f);
    EXPECT_EQ(printer.conversions[3].axis, 'Y');
    EXPECT_FLOAT_EQ(printer.conversions[3].length, 19050.0f);
}

TEST(FitDirection, SlightlyNarrowerPictureIsHeightBound) {
    FakePrinter printer;
    PrintPictureFitted(printer, 3999, 3000, "P", 100);
    ASSERT_EQ(printer.conversions.size(), 4u);
    EXPECT_EQ(printer.conversions[2].axis, 'Y');
    EXPECT_FLOAT_EQ(printer.conversions[2].length, 19050.0f);
    EXPECT_EQ(printer.conversions[3].axis, 'X');
    EXPECT_FLOAT_EQ(printer.conversions[3].length, 25393.65f);
}

TEST(ScaleUnit, IsReadAfreshBeforeEveryConversion) {
    FakePrinter printer;
    printer.units = {kTwips, kPixels600Dpi, kTwips, kPixels600Dpi};
    PrintPictureFitted(printer, 2000, 1000, "P", 100);

    ASSERT_EQ(printer.conversions.size(), 4u);
    EXPECT_EQ(printer.conversions[0].fromUnit, kTwips);
    EXPECT_EQ(printer.conversions[0].toUnit, scale::kHimetric);
    EXPECT_EQ(printer.conversions[1].fromUnit, kPixels600Dpi);
    EXPECT_EQ(printer.conversions[1].toUnit, scale::kHimetric);
    EXPECT_EQ(printer.conversions[2].fromUnit, scale::kHimetric);
    EXPECT_EQ(printer.conversions[2].toUnit, kTwips);
    EXPECT_EQ(printer.conversions[3].fromUnit, scale::kHimetric);
    EXPECT_EQ(printer.conversions[3].toUnit, kPixels600Dpi);

    int unitReads = 0;
    for (std::size_t i = 0; i < printer.calls.size(); ++i) {
        if (printer.calls[i] == "ScaleUnit") ++unitReads;
        if (printer.calls[i] == "ConvertX" || printer.calls[i] == "ConvertY") {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(printer.calls[i - 1], "ScaleUnit") << "call " << i;
        }
    }
    EXPECT_EQ(unitReads, 4);
}

TEST(CallOrder, OrientationFirstDrawingLast) {
    FakePrinter printer;
    PrintPictureFitted(printer, 2000, 1000, "L", 100);
    ASSERT_FALSE(printer.calls.empty());
    EXPECT_EQ(printer.calls.front(), "SetOrientation");
    EXPECT_EQ(printer.calls.back(), "DrawPicture");
    EXPECT_EQ(printer.orientations.size(), 1u);
}

struct OrientationCase {
    std::string text;
    std::int16_t expected;
};

class OrientationText : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(OrientationText, OnlyCapitalPIsPortrait) {
    FakePrinter printer;
    PrintPictureFitted(printer, 2000, 1000, GetParam().text, 100);
    ASSERT_EQ(printer.orientations.size(), 1u);
    EXPECT_EQ(printer.orientations[0], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, OrientationText,
                         ::testing::Values(OrientationCase{"P", 1}, OrientationCase{"L", 2}, OrientationCase{"p", 2},
                                           OrientationCase{"", 2}, OrientationCase{" P", 2}, OrientationCase{"P ", 2},
                                           OrientationCase{"Portrait", 2}));

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
    try {
        PrintPictureFitted(printer, c.pictureWidth, c.pictureHeight, "P", c.percent);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number, c.errorNumber) << e.what();
    }
    EXPECT_TRUE(printer.drawings.empty());
    EXPECT_EQ(printer.orientations.size(), c.orientationSet ? 1u : 0u);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Errors, FitFailure,
    ::testing::Values(FailureCase{"ZeroPictureHeight", 2000, 0, 14400, 10800, 100, 11, true},
                      FailureCase{"EmptyPicture", 0, 0, 14400, 10800, 100, 11, true},
                      FailureCase{"ZeroPrintableHeight", 2000, 1000, 14400, 0, 100, 11, true},
                      // Ratio 0 >= 0 goes width-bound and divides by the picture ratio.
                      FailureCase{"ZeroWidthPictureOnZeroWidthPage", 0, 1000, 0, 10800, 100, 11, true},
                      FailureCase{"NegativePercent", 2000, 1000, 14400, 10800, -1, 5, false},
                      FailureCase{"NaNPercent", 2000, 1000, 14400, 10800, kNaN, 5, false},
                      FailureCase{"InfinitePercent", 2000, 1000, 14400, 10800, kInf, 6, false},
                      FailureCase{"NaNPrintableWidth", 2000, 1000, kNaN, 10800, 100, 5, true},
                      FailureCase{"PrinterConversionOverflows", 2000, 1000, 3e38f, 10800, 100, 6, true}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

struct FactorCase {
    float percent;
    float factor;
};

class SizeFactor : public ::testing::TestWithParam<FactorCase> {};

TEST_P(SizeFactor, IsTenTimesTheSquareRoot) { EXPECT_FLOAT_EQ(PrintSizeFactor(GetParam().percent), GetParam().factor); }

INSTANTIATE_TEST_SUITE_P(Percentages, SizeFactor,
                         ::testing::Values(FactorCase{100, 100}, FactorCase{25, 50}, FactorCase{50, 70.710678f},
                                           FactorCase{1, 10}, FactorCase{0, 0}, FactorCase{400, 200},
                                           FactorCase{FLT_MAX, 1.8446743e20f}));

TEST(SizeFactorErrors, NegativeAndNaNAreInvalidCalls) {
    for (float percent : {-1.0f, -FLT_MIN, kNaN, -kInf}) {
        SCOPED_TRACE(percent);
        try {
            PrintSizeFactor(percent);
            ADD_FAILURE() << "no error";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.number, 5);
        }
    }
}

}  // namespace
}  // namespace kestrel
