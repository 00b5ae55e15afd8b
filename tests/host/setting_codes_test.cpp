#include "settings/setting_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel {
namespace {

// Only the exact first-choice code selects the first choice; every other text, including near
// misses a user or another tool might store, is the second.
class SettingTextDecoding : public ::testing::TestWithParam<std::wstring> {};

TEST_P(SettingTextDecoding, OnlyTheExactCodeIsTheFirstChoice) {
    const std::wstring& text = GetParam();
    EXPECT_EQ(ScopeFromText(text) == Scope::EntireScreen, text == L"1");
    EXPECT_EQ(DestinationFromText(text) == Destination::Printer, text == L"1");
    EXPECT_EQ(OrientationFromText(text) == Orientation::Portrait, text == L"P");
}

INSTANTIATE_TEST_SUITE_P(StoredTexts, SettingTextDecoding,
                         ::testing::Values(L"1", L"2", L"P", L"L", L"", L" 1", L"1 ", L"01", L"1.0", L"p", L"P ",
                                           L" P", L"Portrait", L"\uFF11", std::wstring(L"1\0", 2)));

TEST(SettingCodes, EveryCodeReadsBackAsItsChoice) {
    EXPECT_EQ(ScopeCode(Scope::EntireScreen), "1");
    EXPECT_EQ(ScopeCode(Scope::ActiveWindow), "2");
    EXPECT_EQ(DestinationCode(Destination::Printer), "1");
    EXPECT_EQ(DestinationCode(Destination::Clipboard), "2");
    EXPECT_EQ(OrientationCode(Orientation::Portrait), "P");
    EXPECT_EQ(OrientationCode(Orientation::Landscape), "L");
    auto wide = [](std::string_view code) { return std::wstring(code.begin(), code.end()); };
    for (Scope s : {Scope::EntireScreen, Scope::ActiveWindow}) EXPECT_EQ(ScopeFromText(wide(ScopeCode(s))), s);
    for (Destination d : {Destination::Printer, Destination::Clipboard})
        EXPECT_EQ(DestinationFromText(wide(DestinationCode(d))), d);
    for (Orientation o : {Orientation::Portrait, Orientation::Landscape})
        EXPECT_EQ(OrientationFromText(wide(OrientationCode(o))), o);
}

TEST(SettingStore, KeyPathAndValueNamesInLoadAndSaveOrder) {
    EXPECT_EQ(kSettingsKeyPath, "Software\\Olm\\Kestrel");
    EXPECT_EQ(kSettingNames, (std::array<std::string_view, 4>{"Scope", "Destination", "Orientation", "Percent"}));
}

}  // namespace
}  // namespace kestrel
