// The settings' rules: numbers read as the classic toolkit read them, the stored codes, and the
// Percent box with its page preview.
#include <algorithm>
#include <array>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "settings/leading_number.h"
#include "settings/preview_rules.h"
#include "settings/setting_codes.h"
#include "tests/host/table_test.h"

namespace kestrel {
namespace {

const double kInfinity = std::numeric_limits<double>::infinity();
const float kFloatInfinity = std::numeric_limits<float>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

using NumberRow = Row<std::string, double>;
using SingleRow = Row<double, float>;

class LeadingNumberDecimal : public ::testing::TestWithParam<NumberRow> {};

TEST_P(LeadingNumberDecimal, ReadsTheNumberTheTextBeginsWith) {
    EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().in), GetParam().out);
}

const NumberRow kDocumentedExamples[] = {{"50abc", 50}, {"abc", 0},     {"", 0},      {"1e3", 1000},  {" 100", 100},
                                         {"-5", -5},    {"1.5.3", 1.5}, {"1D2", 100}, {"99.5", 99.5}, {" 0.5", 0.5}};
INSTANTIATE_TEST_SUITE_P(DocumentedExamples, LeadingNumberDecimal, ::testing::ValuesIn(kDocumentedExamples));

const NumberRow kSignsPointsAndExponents[] = {
    {"+7", 7},      {"--5", 0},       {"+-5", 0},     {"-", 0},           {"+", 0},     {".5", 0.5},  {"5.", 5},
    {".", 0},       {"-.25", -0.25},  {"007", 7},     {"0.0625", 0.0625}, {"1d2", 100}, {"1E2", 100}, {"1e-2", 0.01},
    {"2.5e+1", 25}, {"1.5E-1", 0.15}, {"1e", 1},      {"1e+", 1},         {"1e-", 1},   {"1ex", 1},   {"e3", 0},
    {".e3", 0},     {"1e2e3", 100},   {"1e2.5", 100}, {"1,5", 1},         {"0x10", 0},  {"12%", 12},  {"1E+02", 100}};
INSTANTIATE_TEST_SUITE_P(SignsPointsAndExponents, LeadingNumberDecimal, ::testing::ValuesIn(kSignsPointsAndExponents));

// Val stripped blanks, tabs and line feeds from the whole argument, so they vanish even between
// the digits; other control characters end the number.
const NumberRow kSkippedCharacters[] = {{"\t\n 7", 7},  {"12 34", 1234}, {"1 000", 1000},  {"- 5", -5},
                                        {"1 . 5", 1.5}, {"1 e 2", 100},  {"1e - 2", 0.01}, {"\r5", 0},
                                        {"5\r6", 5},    {"5\v6", 5},     {"  ", 0}};
INSTANTIATE_TEST_SUITE_P(SkippedCharacters, LeadingNumberDecimal, ::testing::ValuesIn(kSkippedCharacters));

INSTANTIATE_TEST_SUITE_P(
    HexadecimalAndOctal, LeadingNumberDecimal,
    ::testing::Values(NumberRow{"&H10", 16}, NumberRow{"&h1f", 31}, NumberRow{"&HfF", 255}, NumberRow{" & H 1 F", 31},
                      NumberRow{"&H7FFF", 32767}, NumberRow{"&H8000", -32768}, NumberRow{"&HFFFF", -1},
                      NumberRow{"&H0FFFF", -1}, NumberRow{"&H10000", 65536}, NumberRow{"&H7FFFFFFF", INT32_MAX},
                      NumberRow{"&H80000000", INT32_MIN}, NumberRow{"&HFFFFFFFF", -1}, NumberRow{"&H1FFFFFFFF", -1},
                      NumberRow{"&H100000010", 16}, NumberRow{"&H10000FFFF", 65535}, NumberRow{"&H1G", 1},
                      NumberRow{"&HG", 0}, NumberRow{"&H", 0}, NumberRow{"&", 0}, NumberRow{"&X1", 0},
                      NumberRow{"&17", 0}, NumberRow{"-&H10", 0}, NumberRow{"&H1.5", 1}, NumberRow{"&O17", 15},
                      NumberRow{"&o17", 15}, NumberRow{"&O177777", -1}, NumberRow{"&O200000", 65536},
                      NumberRow{"&O78", 7}, NumberRow{"&O8", 0}));

INSTANTIATE_TEST_SUITE_P(RangeLimits, LeadingNumberDecimal,
                         ::testing::Values(NumberRow{"1e400", kInfinity}, NumberRow{"-1e400", -kInfinity},
                                           NumberRow{"1.8e308", kInfinity},
                                           NumberRow{"1e99999999999999999999999999", kInfinity},
                                           NumberRow{"1.7976931348623157e308", DBL_MAX},
                                           NumberRow{"-1.7976931348623157e308", -DBL_MAX},
                                           NumberRow{"2.2250738585072014e-308", DBL_MIN}, NumberRow{"0e99999", 0},
                                           NumberRow{"1e-400", 0}, NumberRow{"1e-99999999999999999999999999", 0}));
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
        EXPECT_EQ(LeadingNumber(text), 0.0);
        EXPECT_FALSE(std::signbit(LeadingNumber(text)));
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
    // 2^53 + 1 lies halfway between two doubles and goes to the even one, unless some later
    // digit, however far away, is non-zero.
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

class ToSingleRounding : public ::testing::TestWithParam<SingleRow> {};

TEST_P(ToSingleRounding, MatchesIeeeRoundToNearestWithoutUndefinedBehaviour) {
    EXPECT_EQ(ToSingle(GetParam().in), GetParam().out);
}

// Between FLT_MAX and the halfway point to 2^128 rounds down; from the halfway point on, infinity.
INSTANTIATE_TEST_SUITE_P(InRangeAndBeyond, ToSingleRounding,
                         ::testing::Values(SingleRow{1.0, 1.0f}, SingleRow{0.1, 0.1f}, SingleRow{-2.5, -2.5f},
                                           SingleRow{1e-50, 0.0f}, SingleRow{FLT_MAX, FLT_MAX},
                                           SingleRow{-static_cast<double>(FLT_MAX), -FLT_MAX},
                                           SingleRow{0x1.fffffefp+127, FLT_MAX}, SingleRow{-0x1.fffffefp+127, -FLT_MAX},
                                           SingleRow{0x1.ffffffp+127, kFloatInfinity},
                                           SingleRow{-0x1.ffffffp+127, -kFloatInfinity},
                                           SingleRow{DBL_MAX, kFloatInfinity}, SingleRow{-DBL_MAX, -kFloatInfinity},
                                           SingleRow{kInfinity, kFloatInfinity}));

TEST(ToSingleNaN, StaysNaN) { EXPECT_TRUE(std::isnan(ToSingle(kNaN))); }

// Only the exact first-choice code selects the first choice; every other text, including near
// misses a user or another tool might store, is the second.
class SettingTextDecoding : public ::testing::TestWithParam<std::wstring> {};

TEST_P(SettingTextDecoding, OnlyTheExactCodeIsTheFirstChoice) {
    const std::wstring& text = GetParam();
    EXPECT_EQ(ScopeFromText(text), text == L"1" ? Scope::EntireScreen : Scope::ActiveWindow);
    EXPECT_EQ(DestinationFromText(text), text == L"1" ? Destination::Printer : Destination::Clipboard);
    EXPECT_EQ(OrientationFromText(text), text == L"P" ? Orientation::Portrait : Orientation::Landscape);
}

INSTANTIATE_TEST_SUITE_P(StoredTexts, SettingTextDecoding,
                         ::testing::Values(L"1", L"2", L"P", L"L", L"", L" 1", L"1 ", L"01", L"1.0", L"p", L"P ", L" P",
                                           L"Portrait", L"\uFF11", std::wstring(L"1\0", 2)));

// The decoding above reads each of these codes back as its own choice.
TEST(SettingCodes, EveryCodeReadsBackAsItsChoice) {
    EXPECT_EQ(ScopeCode(Scope::EntireScreen), "1");
    EXPECT_EQ(ScopeCode(Scope::ActiveWindow), "2");
    EXPECT_EQ(DestinationCode(Destination::Printer), "1");
    EXPECT_EQ(DestinationCode(Destination::Clipboard), "2");
    EXPECT_EQ(OrientationCode(Orientation::Portrait), "P");
    EXPECT_EQ(OrientationCode(Orientation::Landscape), "L");
}

TEST(SettingStore, KeyPathAndValueNamesInLoadAndSaveOrder) {
    EXPECT_EQ(kSettingsKeyPath, "Software\\Olm\\Kestrel");
    EXPECT_EQ(kSettingNames, (std::array<std::string_view, 4>{"Scope", "Destination", "Orientation", "Percent"}));
}

using TextRow = Row<double, std::string>;

class SpinNumberText : public ::testing::TestWithParam<TextRow> {};

TEST_P(SpinNumberText, SignPositionThenDigits) { EXPECT_EQ(FormatSpinNumber(GetParam().in), GetParam().out); }

// 15 significant digits, as the classic Str$ wrote.
INSTANTIATE_TEST_SUITE_P(WholeAndFractional, SpinNumberText,
                         ::testing::Values(TextRow{100, " 100"}, TextRow{1, " 1"}, TextRow{0, " 0"},
                                           TextRow{-0.0, " 0"}, TextRow{-4, "-4"}, TextRow{100.5, " 100.5"},
                                           TextRow{0.5, " 0.5"}, TextRow{-0.25, "-0.25"}, TextRow{2.5, " 2.5"},
                                           TextRow{0.1 + 0.2, " 0.3"}, TextRow{1.0 / 3.0, " 0.333333333333333"},
                                           TextRow{123456789012345.0, " 123456789012345"},
                                           TextRow{99.99999999999999, " 100"}));
INSTANTIATE_TEST_SUITE_P(ExponentForm, SpinNumberText,
                         ::testing::Values(TextRow{1e15, " 1E+15"}, TextRow{1e20, " 1E+20"}, TextRow{-1e300, "-1E+300"},
                                           TextRow{1.5e20, " 1.5E+20"}, TextRow{0.0001, " 0.0001"},
                                           TextRow{0.00001, " 1E-05"}, TextRow{-0.000015, "-1.5E-05"}));
INSTANTIATE_TEST_SUITE_P(NotFinite, SpinNumberText,
                         ::testing::Values(TextRow{kInfinity, " Inf"}, TextRow{-kInfinity, "-Inf"},
                                           TextRow{kNaN, " NaN"}));

// The dialog must write a full stop even where the user's regional settings use a comma, or the
// next read would stop at the comma.
TEST(SpinNumberLocale, FullStopWhateverTheCLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8",          "de_DE",
                                  "fr_FR.UTF-8", "German_Germany.1252", "French_France.1252"};
    if (std::none_of(std::begin(commaLocales), std::end(commaLocales),
                     [](const char* name) { return std::setlocale(LC_ALL, name) != nullptr; }))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    const std::string written = FormatSpinNumber(100.5);
    const double read = LeadingNumber("2.5");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(written, " 100.5");
    EXPECT_EQ(read, 2.5);
}

const std::optional<std::string> kUnchanged;
using SpinRow = Row<std::string, std::optional<std::string>>;

class SpinUpTest : public ::testing::TestWithParam<SpinRow> {};
class SpinDownTest : public ::testing::TestWithParam<SpinRow> {};

TEST_P(SpinUpTest, RaisesByOneBelowOneHundredWithinTheRange) { EXPECT_EQ(SpinUp(GetParam().in), GetParam().out); }

TEST_P(SpinDownTest, LowersByOneAboveOneWithinTheRange) { EXPECT_EQ(SpinDown(GetParam().in), GetParam().out); }

// A comma is no decimal point, whatever the regional settings: the number ends before it.
INSTANTIATE_TEST_SUITE_P(
    Steps, SpinUpTest,
    ::testing::Values(SpinRow{"99", " 100"}, SpinRow{"100", kUnchanged}, SpinRow{" 100", kUnchanged},
                      SpinRow{"100.5", kUnchanged}, SpinRow{"abc", " 1"}, SpinRow{"", " 1"}, SpinRow{"50abc", " 51"},
                      SpinRow{"1", " 2"}, SpinRow{" 1", " 2"}, SpinRow{"1e3", kUnchanged}, SpinRow{"1e2", kUnchanged},
                      SpinRow{"9.9e1", " 100"}, SpinRow{"1e400", kUnchanged}, SpinRow{"-1e400", kUnchanged},
                      SpinRow{"99,5", " 100"}, SpinRow{"0.25", " 1.25"}, SpinRow{"98.25", " 99.25"}));
INSTANTIATE_TEST_SUITE_P(Steps, SpinDownTest,
                         ::testing::Values(SpinRow{"2", " 1"}, SpinRow{"1", kUnchanged}, SpinRow{" 1", kUnchanged},
                                           SpinRow{" 0.5", kUnchanged}, SpinRow{"abc", kUnchanged},
                                           SpinRow{"", kUnchanged}, SpinRow{"100", " 99"}, SpinRow{"100.5", " 99.5"},
                                           SpinRow{"50abc", " 49"}, SpinRow{"-5", kUnchanged},
                                           SpinRow{"1e400", kUnchanged}, SpinRow{"1,5", kUnchanged},
                                           SpinRow{"2.25", " 1.25"}));

// A step that would leave 1..100 ends at the nearer end, whichever arrow was pressed: a fraction
// or a stored size outside the range must not step to a size the page cannot hold.
INSTANTIATE_TEST_SUITE_P(ClampedAfterTheStep, SpinUpTest,
                         ::testing::Values(SpinRow{"99.5", " 100"}, SpinRow{"99.01", " 100"}, SpinRow{"-5", " 1"},
                                           SpinRow{"-0.5", " 1"}, SpinRow{"-1e300", " 1"}));
INSTANTIATE_TEST_SUITE_P(ClampedAfterTheStep, SpinDownTest,
                         ::testing::Values(SpinRow{"1.5", " 1"}, SpinRow{"1.99", " 1"}, SpinRow{"250", " 100"},
                                           SpinRow{"1e3", " 100"}, SpinRow{"101", " 100"}, SpinRow{"1e300", " 100"}));

// Each press steps from the text the one before wrote.
TEST(SpinSequences, WholeNumbersStopAtBothEnds) {
    EXPECT_EQ(SpinUp("98"), " 99");
    EXPECT_EQ(SpinUp(" 99"), " 100");
    EXPECT_EQ(SpinUp(" 100"), kUnchanged);
    EXPECT_EQ(SpinDown("3"), " 2");
    EXPECT_EQ(SpinDown(" 2"), " 1");
    EXPECT_EQ(SpinDown(" 1"), kUnchanged);
}

class PercentLostFocus : public ::testing::TestWithParam<SpinRow> {};

TEST_P(PercentLostFocus, ClampsToOneThroughOneHundredWithABeep) {
    const LostFocusResult result = ClampPercentText(GetParam().in);
    EXPECT_EQ(result.replacement, GetParam().out);
    EXPECT_EQ(result.beep, GetParam().out.has_value());
}

INSTANTIATE_TEST_SUITE_P(Texts, PercentLostFocus,
                         ::testing::Values(SpinRow{"150", "100"}, SpinRow{"1e3", "100"}, SpinRow{"100.5", "100"},
                                           SpinRow{"1e400", "100"}, SpinRow{"0", "1"}, SpinRow{"-5", "1"},
                                           SpinRow{"0.5", "1"}, SpinRow{"abc", "1"}, SpinRow{"", "1"},
                                           SpinRow{"0.999", "1"}, SpinRow{"-1e400", "1"}, SpinRow{"100", kUnchanged},
                                           SpinRow{"1", kUnchanged}, SpinRow{"50abc", kUnchanged},
                                           SpinRow{"1e2", kUnchanged}, SpinRow{" 37.5", kUnchanged},
                                           SpinRow{"&H64", kUnchanged}, SpinRow{"150,5", "100"}, SpinRow{"0,5", "1"},
                                           SpinRow{"100,9", kUnchanged}));

struct PreviewCase {
    const char* name;
    bool entireScreen, printer, portrait;
    std::string percent;
    bool landscapePage, portraitPage;
    PreviewGeometry geometry;
};

class PagePreviewGeometry : public ::testing::TestWithParam<PreviewCase> {};

void ExpectRect(const PreviewGeometry& actual, const PreviewGeometry& expected) {
    EXPECT_FLOAT_EQ(actual.left, expected.left);
    EXPECT_FLOAT_EQ(actual.top, expected.top);
    EXPECT_FLOAT_EQ(actual.width, expected.width);
    EXPECT_FLOAT_EQ(actual.height, expected.height);
}

TEST_P(PagePreviewGeometry, PagesAndTheShownThumbnail) {
    const PreviewCase& c = GetParam();
    const PagePreview preview = ComputePagePreview(c.entireScreen, c.printer, c.portrait, c.percent);
    EXPECT_EQ(preview.landscapePageVisible, c.landscapePage);
    EXPECT_EQ(preview.portraitPageVisible, c.portraitPage);
    EXPECT_EQ(preview.screenThumbVisible, c.entireScreen);
    EXPECT_EQ(preview.windowThumbVisible, !c.entireScreen);
    const auto& shown = c.entireScreen ? preview.screenThumbGeometry : preview.windowThumbGeometry;
    const auto& hidden = c.entireScreen ? preview.windowThumbGeometry : preview.screenThumbGeometry;
    ASSERT_TRUE(shown.has_value());
    ExpectRect(*shown, c.geometry);
    // For the printer the hidden thumbnail keeps whatever geometry it had.
    ASSERT_EQ(hidden.has_value(), !c.printer);
    if (hidden) ExpectRect(*hidden, c.geometry);
}

const PreviewGeometry kClipboard{3960, 717, 1560, 1070};
const PreviewGeometry kPortraitEmpty{4150, 440, 0, 0};
const PreviewGeometry kLandscapeEmpty{3960, 717, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Destinations, PagePreviewGeometry,
    ::testing::Values(PreviewCase{"ClipboardScreen", true, false, true, "50", false, false, kClipboard},
                      PreviewCase{"ClipboardWindowEmptyPercent", false, false, false, "", false, false, kClipboard},
                      PreviewCase{"ClipboardIgnoresHugePercent", true, false, false, "1e308", false, false, kClipboard},
                      PreviewCase{"PortraitAt100", true, true, true, "100", false, true, {4150, 440, 1180, 800}},
                      PreviewCase{"PortraitAt50", false, true, true, "50", false, true, {4150, 440, 590, 400}},
                      PreviewCase{"PortraitAt1", true, true, true, "1", false, true, {4150, 440, 11.8f, 8}},
                      PreviewCase{
                          "PortraitKeepsFraction", true, true, true, " 37.5", false, true, {4150, 440, 442.5f, 300}},
                      PreviewCase{"LandscapeAt100LikeClipboard", true, true, false, "100", true, false, kClipboard},
                      PreviewCase{"LandscapeAt50", false, true, false, "50abc", true, false, {3960, 717, 780, 535}},
                      PreviewCase{"LandscapeAt1", true, true, false, "1", true, false, {3960, 717, 15.6f, 10.7f}},
                      PreviewCase{"PortraitBelowOne", false, true, true, "0.5", false, true, {4150, 440, 5.9f, 4}},
                      PreviewCase{"LandscapeTiny", false, true, false, "1e-300", true, false, kLandscapeEmpty}),
    kRowName);

// A stored Percent outside 1..100 must neither give a negative size nor sprawl past the grey
// backing square (right edge 5895, bottom edge 2415); only the side that would cross it is cut.
INSTANTIATE_TEST_SUITE_P(
    OutOfRangePercent, PagePreviewGeometry,
    ::testing::Values(PreviewCase{"PortraitNegative", true, true, true, "-5", false, true, kPortraitEmpty},
                      PreviewCase{"LandscapeNegative", false, true, false, "-5", true, false, kLandscapeEmpty},
                      PreviewCase{"PortraitNoNumber", true, true, true, "abc", false, true, kPortraitEmpty},
                      PreviewCase{"PortraitHuge", true, true, true, "1e308", false, true, {4150, 440, 1745, 1975}},
                      PreviewCase{"LandscapeHuge", false, true, false, "1e308", true, false, {3960, 717, 1935, 1698}},
                      PreviewCase{"PortraitInfinite", true, true, true, "1e999", false, true, {4150, 440, 1745, 1975}},
                      PreviewCase{
                          "LandscapeInfinite", true, true, false, "1e999", true, false, {3960, 717, 1935, 1698}},
                      PreviewCase{"PortraitWidthOnly", true, true, true, "200", false, true, {4150, 440, 1745, 1600}},
                      PreviewCase{"LandscapeAt120", true, true, false, "120", true, false, {3960, 717, 1872, 1284}},
                      PreviewCase{"LandscapeAt150", true, true, false, "150", true, false, {3960, 717, 1935, 1605}}),
    kRowName);

}  // namespace
}  // namespace kestrel
