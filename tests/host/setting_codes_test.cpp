#include "settings/setting_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel {
namespace {

// Only the exact first-choice code selects the first choice; every other text,
// including near misses a user or another tool might store, is the second.
struct TextCase {
    std::string text;
    bool firstChoice;
};

class SettingTextDecoding : public ::testing::TestWithParam<TextCase> {};

TEST_P(SettingTextDecoding, ScopeAndDestinationMatchOneExactly) {
    const bool isOne = GetParam().text == "1";
    EXPECT_EQ(ScopeFromText(GetParam().text) == Scope::EntireScreen, isOne);
    EXPECT_EQ(DestinationFromText(GetParam().text) == Destination::Printer, isOne);
}

TEST_P(SettingTextDecoding, OrientationMatchesCapitalPExactly) {
    const bool isP = GetParam().text == "P";
    EXPECT_EQ(OrientationFromText(GetParam().text) == Orientation::Portrait, isP);
}

INSTANTIATE_TEST_SUITE_P(StoredTexts, SettingTextDecoding,
                         ::testing::Values(TextCase{"1", true}, TextCase{"2", false}, TextCase{"P", true},
                                           TextCase{"L", false}, TextCase{"", false}, TextCase{" 1", false},
                                           TextCase{"1 ", false}, TextCase{"01", false}, TextCase{"1.0", false},
                                           TextCase{"p", false}, TextCase{"P ", false}, TextCase{" P", false},
                                           TextCase{"Portrait", false}, TextCase{std::string("1\0", 2), false}));

TEST(SettingDecoding, FirstAndSecondChoices) {
    EXPECT_EQ(ScopeFromText("1"), Scope::EntireScreen);
    EXPECT_EQ(ScopeFromText("2"), Scope::ActiveWindow);
    EXPECT_EQ(ScopeFromText(""), Scope::ActiveWindow);
    EXPECT_EQ(DestinationFromText("1"), Destination::Printer);
    EXPECT_EQ(DestinationFromText("2"), Destination::Clipboard);
    EXPECT_EQ(DestinationFromText(""), Destination::Clipboard);
    EXPECT_EQ(OrientationFromText("P"), Orientation::Portrait);
    EXPECT_EQ(OrientationFromText("L"), Orientation::Landscape);
    EXPECT_EQ(OrientationFromText("p"), Orientation::Landscape);
    EXPECT_EQ(OrientationFromText(""), Orientation::Landscape);
}

TEST(SettingCodes, WrittenCodes) {
    EXPECT_EQ(ScopeCode(Scope::EntireScreen), "1");
    EXPECT_EQ(ScopeCode(Scope::ActiveWindow), "2");
    EXPECT_EQ(DestinationCode(Destination::Printer), "1");
    EXPECT_EQ(DestinationCode(Destination::Clipboard), "2");
    EXPECT_EQ(OrientationCode(Orientation::Portrait), "P");
    EXPECT_EQ(OrientationCode(Orientation::Landscape), "L");
}

TEST(SettingCodes, EveryCodeReadsBackAsItsChoice) {
    for (Scope s : {Scope::EntireScreen, Scope::ActiveWindow}) {
        EXPECT_EQ(ScopeFromText(ScopeCode(s)), s);
    }
    for (Destination d : {Destination::Printer, Destination::Clipboard}) {
        EXPECT_EQ(DestinationFromText(DestinationCode(d)), d);
    }
    for (Orientation o : {Orientation::Portrait, Orientation::Landscape}) {
        EXPECT_EQ(OrientationFromText(OrientationCode(o)), o);
    }
}

TEST(SettingStore, KeyPathAndValueNamesInLoadAndSaveOrder) {
    EXPECT_EQ(kSettingsKeyPath, "Software\\Olm\\Kestrel");
    ASSERT_EQ(kSettingNames.size(), 4u);
    EXPECT_EQ(kSettingNames[0], "Scope");
    EXPECT_EQ(kSettingNames[1], "Destination");
    EXPECT_EQ(kSettingNames[2], "Orientation");
    EXPECT_EQ(kSettingNames[3], "Percent");
}

}  // namespace
}  // namespace kestrel
