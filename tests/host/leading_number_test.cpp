#include "settings/leading_number.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

namespace kestrel {
namespace {

struct NumberCase {
    std::string text;
    double expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.text << "\" -> " << c.expected; }

class LeadingNumberDecimal : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumberDecimal, ReadsTheNumberTheTextBeginsWith) {
    EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(DocumentedExamples, LeadingNumberDecimal,
                         ::testing::Values(NumberCase{"50abc", 50}, NumberCase{"abc", 0}, NumberCase{"", 0},
                                           NumberCase{"1e3", 1000}, NumberCase{" 100", 100}, NumberCase{"-5", -5},
                                           NumberCase{"1.5.3", 1.5}, NumberCase{"1D2", 100}, NumberCase{"99.5", 99.5},
                                           NumberCase{" 0.5", 0.5}));

INSTANTIATE_TEST_SUITE_P(SignsPointsAndExponents, LeadingNumberDecimal,
                         ::testing::Values(NumberCase{"+7", 7}, NumberCase{"--5", 0}, NumberCase{"+-5", 0},
                                           NumberCase{"-", 0}, NumberCase{"+", 0}, NumberCase{".5", 0.5},
                                           NumberCase{"5.", 5}, NumberCase{".", 0}, NumberCase{"-.25", -0.25},
                                           NumberCase{"007", 7}, NumberCase{"0.0625", 0.0625}, NumberCase{"1d2", 100},
                                           NumberCase{"1E2", 100}, NumberCase{"1e-2", 0.01}, NumberCase{"2.5e+1", 25},
                                           NumberCase{"1.5E-1", 0.15}, NumberCase{"1e", 1}, NumberCase{"1e+", 1},
                                           NumberCase{"1e-", 1}, NumberCase{"1ex", 1}, NumberCase{"e3", 0},
                                           NumberCase{".e3", 0}, NumberCase{"1e2e3", 100}, NumberCase{"1e2.5", 100},
                                           NumberCase{"1,5", 1}, NumberCase{"0x10", 0}, NumberCase{"12%", 12},
                                           NumberCase{"1E+02", 100}));

// Val stripped blanks, tabs and line feeds from the whole argument, so they
// vanish even between the digits; other control characters end the number.
INSTANTIATE_TEST_SUITE_P(SkippedCharacters, LeadingNumberDecimal,
                         ::testing::Values(NumberCase{"\t\n 7", 7}, NumberCase{"12 34", 1234},
                                           NumberCase{"1 000", 1000}, NumberCase{"- 5", -5}, NumberCase{"1 . 5", 1.5},
                                           NumberCase{"1 e 2", 100}, NumberCase{"1e - 2", 0.01}, NumberCase{"\r5", 0},
                                           NumberCase{"5\r6", 5}, NumberCase{"5\v6", 5}, NumberCase{"  ", 0}));

INSTANTIATE_TEST_SUITE_P(
    HexadecimalAndOctal, LeadingNumberDecimal,
    ::testing::Values(NumberCase{"&H10", 16}, NumberCase{"&h1f", 31}, NumberCase{"&HfF", 255},
                      NumberCase{" & H 1 F", 31}, NumberCase{"&H7FFF", 32767}, NumberCase{"&H8000", -32768},
                      NumberCase{"&HFFFF", -1}, NumberCase{"&H0FFFF", -1}, NumberCase{"&H10000", 65536},
                      NumberCase{"&H7FFFFFFF", 2147483647}, NumberCase{"&H80000000", -2147483648.0},
                      NumberCase{"&HFFFFFFFF", -1}, NumberCase{"&H1FFFFFFFF", -1}, NumberCase{"&H100000010", 16},
                      NumberCase{"&H10000FFFF", 65535}, NumberCase{"&H1G", 1}, NumberCase{"&HG", 0},
                      NumberCase{"&H", 0}, NumberCase{"&", 0}, NumberCase{"&X1", 0}, NumberCase{"&17", 0},
                      NumberCase{"-&H10", 0}, NumberCase{"&H1.5", 1}, NumberCase{"&O17", 15}, NumberCase{"&o17", 15},
                      NumberCase{"&O177777", -1}, NumberCase{"&O200000", 65536}, NumberCase{"&O78", 7},
                      NumberCase{"&O8", 0}));

const double kInfinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(RangeLimits, LeadingNumberDecimal,
                         ::testing::Values(NumberCase{"1e400", kInfinity}, NumberCase{"-1e400", -kInfinity},
                                           NumberCase{"1.8e308", kInfinity},
                                           NumberCase{"1e99999999999999999999999999", kInfinity},
                                           NumberCase{"1.7976931348623157e308", DBL_MAX},
                                           NumberCase{"-1.7976931348623157e308", -DBL_MAX},
                                           NumberCase{"2.2250738585072014e-308", DBL_MIN}, NumberCase{"0e99999", 0},
                                           NumberCase{"1e-400", 0}, NumberCase{"1e-99999999999999999999999999", 0}));

TEST(LeadingNumberExact, ShortDecimalsAreCorrectlyRounded) {
    // Exact equality: these must be the same doubles a compiler makes of them.
    EXPECT_EQ(LeadingNumber("0.1"), 0.1);
    EXPECT_EQ(LeadingNumber("3.14159"), 3.14159);
    EXPECT_EQ(LeadingNumber("70.71067811865476"), 70.71067811865476);
    EXPECT_EQ(LeadingNumber("123456789012345678"), 123456789012345678.0);
}

TEST(LeadingNumberExact, SubnormalsRoundCorrectlyAtTheBottom) {
    const double smallest = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(LeadingNumber("4.9406564584124654e-324"), smallest);
    // Just above half of the smallest subnormal rounds up, just below to zero.
    EXPECT_EQ(LeadingNumber("2.4703282292062328e-324"), smallest);
    EXPECT_EQ(LeadingNumber("2.4703282292062327e-324"), 0.0);
    EXPECT_EQ(LeadingNumber("2e-324"), 0.0);
}

TEST(LeadingNumberExact, ZeroIsNeverNegative) {
    for (const char* text : {"-0", "-0.0e5", "-1e-400", "-", "-abc"}) {
        SCOPED_TRACE(text);
        const double value = LeadingNumber(text);
        EXPECT_EQ(value, 0.0);
        EXPECT_FALSE(std::signbit(value));
    }
}

TEST(LeadingNumberLongTexts, LeadingZerosDoNotCountAsDigits) {
    EXPECT_EQ(LeadingNumber(std::string(5000, '0') + "42"), 42.0);
    EXPECT_EQ(LeadingNumber("0." + std::string(1000, '0') + "1e1001"), 1.0);
    EXPECT_EQ(LeadingNumber("1" + std::string(400, '0') + "e-400"), 1.0);
    EXPECT_EQ(LeadingNumber("1" + std::string(2000, '0')), kInfinity);
    EXPECT_EQ(LeadingNumber("0." + std::string(2000, '0') + "1"), 0.0);
}

TEST(LeadingNumberLongTexts, DigitsBeyondTheKeptOnesStillDecideRounding) {
    // 2^53 + 1 lies halfway between two doubles and goes to the even one,
    // unless some later digit, however far away, is non-zero.
    const std::string halfway = "9007199254740993.";
    EXPECT_EQ(LeadingNumber(halfway + std::string(1000, '0')), 9007199254740992.0);
    EXPECT_EQ(LeadingNumber(halfway + std::string(1000, '0') + "1"), 9007199254740994.0);
}

TEST(LeadingNumberNeverNaN, OddTextsGiveNumbers) {
    for (const char* text :
         {"nan", "NaN", "inf", "-inf", "Infinity", "1e400x", "&Hffffffffffffffffffffffff", "\xff\xfe", "1e-"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(std::isnan(LeadingNumber(text)));
    }
    EXPECT_EQ(LeadingNumber("nan"), 0.0);
    EXPECT_EQ(LeadingNumber("inf"), 0.0);
}

struct SingleCase {
    double input;
    float expected;
};

class ToSingleRounding : public ::testing::TestWithParam<SingleCase> {};

TEST_P(ToSingleRounding, MatchesIeeeRoundToNearestWithoutUndefinedBehaviour) {
    EXPECT_EQ(ToSingle(GetParam().input), GetParam().expected);
}

const float kFloatInfinity = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    InRangeAndBeyond, ToSingleRounding,
    ::testing::Values(SingleCase{1.0, 1.0f}, SingleCase{0.1, 0.1f}, SingleCase{-2.5, -2.5f}, SingleCase{1e-50, 0.0f},
                      SingleCase{FLT_MAX, FLT_MAX}, SingleCase{-static_cast<double>(FLT_MAX), -FLT_MAX},
                      // Between FLT_MAX and the halfway point to 2^128: rounds down.
                      SingleCase{0x1.fffffefp+127, FLT_MAX}, SingleCase{-0x1.fffffefp+127, -FLT_MAX},
                      // The halfway point itself and beyond: infinity.
                      SingleCase{0x1.ffffffp+127, kFloatInfinity}, SingleCase{-0x1.ffffffp+127, -kFloatInfinity},
                      SingleCase{DBL_MAX, kFloatInfinity}, SingleCase{-DBL_MAX, -kFloatInfinity},
                      SingleCase{std::numeric_limits<double>::infinity(), kFloatInfinity}));

TEST(ToSingleNaN, StaysNaN) { EXPECT_TRUE(std::isnan(ToSingle(std::numeric_limits<double>::quiet_NaN()))); }

}  // namespace
}  // namespace kestrel
