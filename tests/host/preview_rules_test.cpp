#include "settings/preview_rules.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <optional>
#include <string>

#include "settings/leading_number.h"

namespace kestrel {
namespace {

struct FormatCase {
    double value;
    std::string text;
};

class SpinNumberText : public ::testing::TestWithParam<FormatCase> {};

TEST_P(SpinNumberText, SignPositionThenDigits) { EXPECT_EQ(FormatSpinNumber(GetParam().value), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(WholeAndFractional, SpinNumberText,
                         ::testing::Values(FormatCase{100, " 100"}, FormatCase{1, " 1"}, FormatCase{0, " 0"},
                                           FormatCase{-0.0, " 0"}, FormatCase{-4, "-4"}, FormatCase{100.5, " 100.5"},
                                           FormatCase{0.5, " 0.5"}, FormatCase{-0.25, "-0.25"}, FormatCase{2.5, " 2.5"},
                                           // 15 significant digits, as the classic Str$ wrote.
                                           FormatCase{0.1 + 0.2, " 0.3"}, FormatCase{1.0 / 3.0, " 0.333333333333333"},
                                           FormatCase{123456789012345.0, " 123456789012345"},
                                           FormatCase{99.99999999999999, " 100"}));

INSTANTIATE_TEST_SUITE_P(ExponentForm, SpinNumberText,
                         ::testing::Values(FormatCase{1e15, " 1E+15"}, FormatCase{1e20, " 1E+20"},
                                           FormatCase{-1e300, "-1E+300"}, FormatCase{1.5e20, " 1.5E+20"},
                                           FormatCase{0.0001, " 0.0001"}, FormatCase{0.00001, " 1E-05"},
                                           FormatCase{-0.000015, "-1.5E-05"}));

INSTANTIATE_TEST_SUITE_P(NotFinite, SpinNumberText,
                         ::testing::Values(FormatCase{std::numeric_limits<double>::infinity(), " Inf"},
                                           FormatCase{-std::numeric_limits<double>::infinity(), "-Inf"},
                                           FormatCase{std::numeric_limits<double>::quiet_NaN(), " NaN"}));

// The dialog must write a full stop even where the user's regional settings
// use a comma, or the next read would stop at the comma.
TEST(SpinNumberLocale, FullStopWhateverTheCLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    bool switched = false;
    for (const char* name :
         {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252", "French_France.1252"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            switched = true;
            break;
        }
    }
    if (!switched) GTEST_SKIP() << "no locale with a decimal comma installed";
    const std::string written = FormatSpinNumber(100.5);
    const double read = LeadingNumber("2.5");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(written, " 100.5");
    EXPECT_EQ(read, 2.5);
}

struct SpinCase {
    std::string text;
    std::optional<std::string> result;
};

void PrintTo(const SpinCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" -> " << (c.result ? '"' + *c.result + '"' : "unchanged");
}

class SpinUpTest : public ::testing::TestWithParam<SpinCase> {};
class SpinDownTest : public ::testing::TestWithParam<SpinCase> {};

TEST_P(SpinUpTest, RaisesByOneBelowOneHundredWithinTheRange) { EXPECT_EQ(SpinUp(GetParam().text), GetParam().result); }

TEST_P(SpinDownTest, LowersByOneAboveOneWithinTheRange) { EXPECT_EQ(SpinDown(GetParam().text), GetParam().result); }

const std::optional<std::string> kUnchanged;

INSTANTIATE_TEST_SUITE_P(Steps, SpinUpTest,
                         ::testing::Values(SpinCase{"99", " 100"}, SpinCase{"100", kUnchanged},
                                           SpinCase{" 100", kUnchanged}, SpinCase{"100.5", kUnchanged},
                                           SpinCase{"abc", " 1"}, SpinCase{"", " 1"}, SpinCase{"50abc", " 51"},
                                           SpinCase{"1", " 2"}, SpinCase{" 1", " 2"}, SpinCase{"1e3", kUnchanged},
                                           SpinCase{"1e2", kUnchanged}, SpinCase{"9.9e1", " 100"},
                                           SpinCase{"1e400", kUnchanged}, SpinCase{"-1e400", kUnchanged},
                                           // A comma is no decimal point, whatever the regional
                                           // settings: the number ends before it.
                                           SpinCase{"99,5", " 100"}, SpinCase{"0.25", " 1.25"},
                                           SpinCase{"98.25", " 99.25"}));

INSTANTIATE_TEST_SUITE_P(Steps, SpinDownTest,
                         ::testing::Values(SpinCase{"2", " 1"}, SpinCase{"1", kUnchanged}, SpinCase{" 1", kUnchanged},
                                           SpinCase{" 0.5", kUnchanged}, SpinCase{"abc", kUnchanged},
                                           SpinCase{"", kUnchanged}, SpinCase{"100", " 99"}, SpinCase{"100.5", " 99.5"},
                                           SpinCase{"50abc", " 49"}, SpinCase{"-5", kUnchanged},
                                           SpinCase{"1e400", kUnchanged}, SpinCase{"1,5", kUnchanged},
                                           SpinCase{"2.25", " 1.25"}));

// A step that would leave 1..100 ends at the nearer end, whichever arrow was pressed: a fraction
// or a stored size outside the range must not step to a size the page cannot hold.
INSTANTIATE_TEST_SUITE_P(ClampedAfterTheStep, SpinUpTest,
                         ::testing::Values(SpinCase{"99.5", " 100"}, SpinCase{"99.01", " 100"}, SpinCase{"-5", " 1"},
                                           SpinCase{"-0.5", " 1"}, SpinCase{"-1e300", " 1"}));

INSTANTIATE_TEST_SUITE_P(ClampedAfterTheStep, SpinDownTest,
                         ::testing::Values(SpinCase{"1.5", " 1"}, SpinCase{"1.99", " 1"}, SpinCase{"250", " 100"},
                                           SpinCase{"1e3", " 100"}, SpinCase{"101", " 100"},
                                           SpinCase{"1e300", " 100"}));

TEST(SpinSequences, WholeNumbersStopAtBothEnds) {
    std::string text = "98";
    for (const char* expected : {" 99", " 100"}) {
        const auto next = SpinUp(text);
        ASSERT_TRUE(next.has_value());
        EXPECT_EQ(*next, expected);
        text = *next;
    }
    EXPECT_EQ(SpinUp(text), kUnchanged);

    text = "3";
    for (const char* expected : {" 2", " 1"}) {
        const auto next = SpinDown(text);
        ASSERT_TRUE(next.has_value());
        EXPECT_EQ(*next, expected);
        text = *next;
    }
    EXPECT_EQ(SpinDown(text), kUnchanged);
}

struct ClampCase {
    std::string text;
    std::optional<std::string> replacement;
};

class PercentLostFocus : public ::testing::TestWithParam<ClampCase> {};

TEST_P(PercentLostFocus, ClampsToOneThroughOneHundredWithABeep) {
    const LostFocusResult result = ClampPercentText(GetParam().text);
    EXPECT_EQ(result.replacement, GetParam().replacement);
    EXPECT_EQ(result.beep, GetParam().replacement.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PercentLostFocus,
    ::testing::Values(ClampCase{"150", "100"}, ClampCase{"1e3", "100"}, ClampCase{"100.5", "100"},
                      ClampCase{"1e400", "100"}, ClampCase{"0", "1"}, ClampCase{"-5", "1"}, ClampCase{"0.5", "1"},
                      ClampCase{"abc", "1"}, ClampCase{"", "1"}, ClampCase{"0.999", "1"}, ClampCase{"-1e400", "1"},
                      ClampCase{"100", kUnchanged}, ClampCase{"1", kUnchanged}, ClampCase{"50abc", kUnchanged},
                      ClampCase{"1e2", kUnchanged}, ClampCase{" 37.5", kUnchanged}, ClampCase{"&H64", kUnchanged},
                      ClampCase{"150,5", "100"}, ClampCase{"0,5", "1"}, ClampCase{"100,9", kUnchanged}));

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
    if (c.printer) {
        // The hidden thumbnail keeps whatever geometry it had.
        EXPECT_FALSE(hidden.has_value());
    } else {
        ASSERT_TRUE(hidden.has_value());
        ExpectRect(*hidden, c.geometry);
    }
}

const PreviewGeometry kClipboard{3960, 717, 1560, 1070};

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
                      PreviewCase{"LandscapeTiny", false, true, false, "1e-300", true, false, {3960, 717, 0, 0}}),
    [](const ::testing::TestParamInfo<PreviewCase>& info) { return std::string(info.param.name); });

// A stored Percent outside 1..100 must neither give a negative size nor
// sprawl past the grey backing square (right edge 5895, bottom edge 2415).
INSTANTIATE_TEST_SUITE_P(
    OutOfRangePercent, PagePreviewGeometry,
    ::testing::Values(PreviewCase{"PortraitNegative", true, true, true, "-5", false, true, {4150, 440, 0, 0}},
                      PreviewCase{"LandscapeNegative", false, true, false, "-5", true, false, {3960, 717, 0, 0}},
                      PreviewCase{"PortraitNoNumber", true, true, true, "abc", false, true, {4150, 440, 0, 0}},
                      PreviewCase{"PortraitHuge", true, true, true, "1e308", false, true, {4150, 440, 1745, 1975}},
                      PreviewCase{"LandscapeHuge", false, true, false, "1e308", true, false, {3960, 717, 1935, 1698}},
                      PreviewCase{"PortraitInfinite", true, true, true, "1e999", false, true, {4150, 440, 1745, 1975}},
                      PreviewCase{
                          "LandscapeInfinite", true, true, false, "1e999", true, false, {3960, 717, 1935, 1698}},
                      // Only the side that would cross the square is cut.
                      PreviewCase{"PortraitWidthOnly", true, true, true, "200", false, true, {4150, 440, 1745, 1600}},
                      PreviewCase{"LandscapeAt120", true, true, false, "120", true, false, {3960, 717, 1872, 1284}},
                      PreviewCase{"LandscapeAt150", true, true, false, "150", true, false, {3960, 717, 1935, 1605}}),
    [](const ::testing::TestParamInfo<PreviewCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrel
