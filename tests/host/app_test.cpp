// The program's own rules: the notification-area record and its mouse messages, and the filter
// that makes a held key one press.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/key_repeat.h"
#include "app/tray_rules.h"
#include "tests/host/table_test.h"

namespace kestrel {
namespace {

using Record = std::array<std::uint8_t, kTrayRecordSize>;

const float kFloatInfinity = std::numeric_limits<float>::infinity();
const float kFloatNaN = std::numeric_limits<float>::quiet_NaN();

// Checks bytes from `first` on, then that only blanks follow up to the record's end.
void ExpectBytes(const Record& record, std::size_t first, const std::vector<std::uint8_t>& bytes, bool blanksAfter) {
    for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(record[first + i], bytes[i]) << "byte " << first + i;
    for (std::size_t i = first + bytes.size(); blanksAfter && i < kTrayRecordSize; ++i) {
        EXPECT_EQ(record[i], 0x20) << "byte " << i;
    }
}

TEST(TrayRecord, FieldsForTheProgramsIcon) {
    const TrayIconFields fields = MakeTrayFields(0x00A1B2C3, 0x00D4E5F6);
    EXPECT_EQ(fields.cbSize, 88u);
    EXPECT_EQ(fields.hWnd, 0x00A1B2C3u);
    EXPECT_EQ(fields.uID, 1u);
    EXPECT_EQ(fields.uFlags, 7u);
    EXPECT_EQ(fields.uCallbackMessage, 512u);
    EXPECT_EQ(fields.hIcon, 0x00D4E5F6u);
}

TEST(TrayRecord, ByteExactWithTheKestrelTip) {
    const Record record = EncodeTrayRecord(MakeTrayFields(0x12345678, 0x9ABCDEF0), "Kestrel");
    ExpectBytes(record, 0, {0x58, 0x00, 0x00, 0x00,  // cbSize 88
                            0x78, 0x56, 0x34, 0x12,  // hWnd
                            0x01, 0x00, 0x00, 0x00,  // uID 1
                            0x07, 0x00, 0x00, 0x00,  // uFlags 7
                            0x00, 0x02, 0x00, 0x00,  // uCallbackMessage 512
                            0xF0, 0xDE, 0xBC, 0x9A,  // hIcon
                            'K',  'e',  's',  't',  'r', 'e', 'l', 0x00},
                true);
}

TEST(TrayRecord, IntegersAreLittleEndianWhateverTheirValue) {
    const Record record =
        EncodeTrayRecord(TrayIconFields{0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10, 0x11121314, 0xFFFFFFFE}, "");
    ExpectBytes(record, 0,
                {4, 3, 2, 1, 8, 7, 6, 5, 12, 11, 10, 9, 16, 15, 14, 13, 20, 19, 18, 17, 0xFE, 0xFF, 0xFF, 0xFF}, false);
}

struct TipCase {
    std::size_t length;
    bool hasNul;
    std::size_t keptLength;
};

class TrayTipLength : public ::testing::TestWithParam<TipCase> {};

TEST_P(TrayTipLength, NulOnlyWhenTheTipFits) {
    const TipCase& c = GetParam();
    std::string tip;
    for (std::size_t i = 0; i < c.length; ++i) tip += static_cast<char>('a' + i % 26);
    const Record record = EncodeTrayRecord(MakeTrayFields(1, 2), tip);
    std::vector<std::uint8_t> kept(tip.begin(), tip.begin() + c.keptLength);
    if (c.hasNul) kept.push_back(0);
    ExpectBytes(record, 24, kept, true);
    for (std::size_t i = 24; !c.hasNul && i < kTrayRecordSize; ++i) EXPECT_NE(record[i], 0) << "byte " << i;
    EXPECT_EQ(DecodeTrayTip(record), tip.substr(0, c.keptLength));
}

INSTANTIATE_TEST_SUITE_P(Lengths, TrayTipLength,
                         ::testing::Values(TipCase{0, true, 0}, TipCase{1, true, 1}, TipCase{62, true, 62},
                                           TipCase{63, true, 63}, TipCase{64, false, 64}, TipCase{65, false, 64},
                                           TipCase{70, false, 64}));

TEST(TrayRecord, NarrowTipBytesPassThroughUnchanged) {
    const std::string tip = "Caf\xE9 \x80\xFF";
    const Record record = EncodeTrayRecord(MakeTrayFields(1, 2), tip);
    ExpectBytes(record, 27, {0xE9, ' ', 0x80, 0xFF, 0x00}, false);
    EXPECT_EQ(DecodeTrayTip(record), tip);
}

TEST(TrayRecord, DecodingStopsAtTheFirstNul) {
    Record record{};
    for (std::size_t i = 24; i < kTrayRecordSize; ++i) record[i] = 'x';
    record[24 + 3] = 0;
    EXPECT_EQ(DecodeTrayTip(record), "xxx");
}

using RoundRow = Row<float, std::int16_t>;

class RoundToInt16Test : public ::testing::TestWithParam<RoundRow> {};
class RoundToInt16Overflow : public ::testing::TestWithParam<float> {};

TEST_P(RoundToInt16Test, HalvesGoToEven) { EXPECT_EQ(RoundToInt16(GetParam().in), GetParam().out); }

TEST_P(RoundToInt16Overflow, Throws) {
    EXPECT_EQ(Raised([&] { RoundToInt16(GetParam()); }).number, 6);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundToInt16Test,
                         ::testing::Values(RoundRow{0.0f, 0}, RoundRow{0.5f, 0}, RoundRow{1.5f, 2}, RoundRow{2.5f, 2},
                                           RoundRow{3.5f, 4}, RoundRow{-0.5f, 0}, RoundRow{-1.5f, -2},
                                           RoundRow{-2.5f, -2}, RoundRow{1.4f, 1}, RoundRow{1.6f, 2},
                                           RoundRow{-1.6f, -2}, RoundRow{0.49999997f, 0}, RoundRow{7725.0f, 7725},
                                           RoundRow{32767.0f, 32767}, RoundRow{32767.4f, 32767},
                                           RoundRow{32766.5f, 32766}, RoundRow{-32768.0f, -32768},
                                           RoundRow{-32768.5f, -32768}));
INSTANTIATE_TEST_SUITE_P(OutOfRange, RoundToInt16Overflow,
                         ::testing::Values(32767.5f, 32768.0f, -32768.6f, -32769.0f, 1e10f, -1e10f, kFloatInfinity,
                                           -kFloatInfinity, kFloatNaN));

struct MouseCase {
    std::int16_t xTwips;
    float twipsPerPixel;
    float number;  // or the error number
};

class MouseEventNumber : public ::testing::TestWithParam<MouseCase> {};
class MouseEventErrors : public ::testing::TestWithParam<MouseCase> {};

TEST_P(MouseEventNumber, DividesTheScaledMessageBack) {
    EXPECT_EQ(GetMouseEventNumber(GetParam().xTwips, GetParam().twipsPerPixel), GetParam().number);
}

TEST_P(MouseEventErrors, Throw) {
    const MouseCase& c = GetParam();
    EXPECT_EQ(Raised([&] { GetMouseEventNumber(c.xTwips, c.twipsPerPixel); }).number, c.number);
}

// 7.5 twips per pixel: 515 pixels is 3862.5, rounded.
INSTANTIATE_TEST_SUITE_P(Resolutions, MouseEventNumber,
                         ::testing::Values(MouseCase{515 * 15, 15, 515}, MouseCase{517 * 15, 15, 517},
                                           MouseCase{513 * 15, 15, 513}, MouseCase{517 * 12, 12, 517},
                                           MouseCase{0, 15, 0}, MouseCase{-515 * 15, 15, -515},
                                           MouseCase{3735, 15, 249}, MouseCase{3862, 7.5f, 514.93333f},
                                           MouseCase{100, kFloatInfinity, 0}));
INSTANTIATE_TEST_SUITE_P(BadDivisors, MouseEventErrors,
                         ::testing::Values(MouseCase{7725, 0.0f, 11}, MouseCase{0, 0.0f, 11},
                                           MouseCase{7725, -0.0f, 11}, MouseCase{7725, kFloatNaN, 5},
                                           MouseCase{0, kFloatInfinity * 0.0f, 5},
                                           MouseCase{32767, std::numeric_limits<float>::denorm_min(), 6}));

TEST(MouseDecoding, RoundedXThroughToTheAction) {
    // The path Form_MouseMove takes: X arrives as a Single in twips.
    const std::int16_t rounded = RoundToInt16(517.0f * 15.0f);
    EXPECT_EQ(TrayActionFor(GetMouseEventNumber(rounded, 15.0f), true), TrayAction::PopupMenu);
}

using TwipsRow = Row<int, float>;

class TrayTwipsPerPixelTable : public ::testing::TestWithParam<TwipsRow> {};

TEST_P(TrayTwipsPerPixelTable, WholeTwipsPerPixel) { EXPECT_EQ(TrayTwipsPerPixel(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(Screens, TrayTwipsPerPixelTable,
                         ::testing::Values(TwipsRow{96, 15}, TwipsRow{120, 12}, TwipsRow{144, 10}, TwipsRow{168, 8},
                                           TwipsRow{192, 7}, TwipsRow{216, 6}, TwipsRow{288, 5}, TwipsRow{72, 20},
                                           TwipsRow{110, 13}, TwipsRow{1440, 1}, TwipsRow{5000, 1}, TwipsRow{0, 15},
                                           TwipsRow{-96, 15}));

// The shell's callback travels as a mouse message number scaled to twips, rounded to a 16-bit
// integer and divided back; at every resolution that must land on the same action as reading the
// number straight from lParam.
TEST(TrayCallbackRoundTrip, EveryMessageAtEveryResolution) {
    for (int dpi = 48; dpi <= 480; ++dpi) {
        const float twipsPerPixel = TrayTwipsPerPixel(dpi);
        for (std::uint32_t message = 0x200; message <= 0x20E; ++message) {
            SCOPED_TRACE(::testing::Message() << "dpi " << dpi << ", message " << message);
            const std::optional<float> number =
                GetMouseEventNumber(RoundToInt16(static_cast<float>(message) * twipsPerPixel), twipsPerPixel);
            ASSERT_EQ(number, static_cast<float>(message));
            for (bool visible : {false, true})
                ASSERT_EQ(TrayActionFor(number, visible), TrayActionForMessage(message, visible));
        }
    }
}

struct ActionCase {
    std::uint32_t message;
    bool visible;
    TrayAction action;
};

class TrayActionTable : public ::testing::TestWithParam<ActionCase> {};

TEST_P(TrayActionTable, DecodedNumber) {
    EXPECT_EQ(TrayActionFor(static_cast<float>(GetParam().message), GetParam().visible), GetParam().action);
}

TEST_P(TrayActionTable, DirectMessage) {
    EXPECT_EQ(TrayActionForMessage(GetParam().message, GetParam().visible), GetParam().action);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, TrayActionTable,
    ::testing::Values(ActionCase{515, false, TrayAction::RestoreWindow}, ActionCase{515, true, TrayAction::None},
                      ActionCase{517, false, TrayAction::PopupMenu}, ActionCase{517, true, TrayAction::PopupMenu},
                      ActionCase{513, false, TrayAction::None}, ActionCase{514, false, TrayAction::None},
                      ActionCase{516, false, TrayAction::None}, ActionCase{518, false, TrayAction::None},
                      ActionCase{512, false, TrayAction::None}, ActionCase{0, false, TrayAction::None},
                      ActionCase{249, true, TrayAction::None}));

TEST(TrayActionDecoded, OnlyExactNumbersCount) {
    for (float message : {515.5f, 514.99994f, std::nextafter(517.0f, 0.0f), -515.0f, -517.0f}) {
        EXPECT_EQ(TrayActionFor(message, false), TrayAction::None) << message;
    }
}

TEST(TrayActionNothing, AfterAnErrorNothingHappens) {
    EXPECT_EQ(TrayActionFor(std::nullopt, false), TrayAction::None);
    EXPECT_EQ(TrayActionFor(std::nullopt, true), TrayAction::None);
}

TEST(TrayActionDirect, OnlyTheExactMessageCounts) {
    EXPECT_EQ(TrayActionForMessage(515 + 0x10000, false), TrayAction::None);
    EXPECT_EQ(TrayActionForMessage(517 + 0x10000, true), TrayAction::None);
}

using ModalRow = Row<std::optional<float>, TrayAction>;

class TrayActionWhileModalTable : public ::testing::TestWithParam<ModalRow> {};

TEST_P(TrayActionWhileModalTable, AClickBringsTheModalWindowForwardAndNothingElse) {
    EXPECT_EQ(TrayActionWhileModal(GetParam().in), GetParam().out);
}

const TrayAction kBringForward = TrayAction::BringModalToFront;

INSTANTIATE_TEST_SUITE_P(Messages, TrayActionWhileModalTable,
                         ::testing::Values(ModalRow{517.0f, kBringForward}, ModalRow{514.0f, kBringForward},
                                           ModalRow{515.0f, kBringForward}, ModalRow{518.0f, kBringForward},
                                           ModalRow{513.0f, TrayAction::None}, ModalRow{516.0f, TrayAction::None},
                                           ModalRow{512.0f, TrayAction::None}, ModalRow{517.5f, TrayAction::None},
                                           ModalRow{std::nullopt, TrayAction::None}));

TEST(KeyRepeatWindow, IsTheLongerOfDelayAndRepeatIntervalPlusMargin) {
    const struct {
        unsigned delay, speed;
        std::uint32_t expected;
    } cases[] = {
        {0, 31, 250 + 150},   // shortest delay, fastest repeats (33 ms)
        {1, 31, 500 + 150},   // Windows' default
        {3, 31, 1000 + 150},  // longest delay
        {0, 0, 400 + 150},    // slowest repeats outlast the shortest delay
        {9, 99, 1000 + 150},  // out of range: the nearest end
    };
    for (const auto& c : cases) EXPECT_EQ(KeyRepeatWindowMs(c.delay, c.speed), c.expected) << c.delay << "," << c.speed;
}

TEST(KeyRepeatFilter, AHeldKeyIsOnePressAndAPauseStartsTheNext) {
    const struct {
        const char* name;
        std::vector<std::uint32_t> ticks;
        std::vector<bool> newPress;
    } cases[] = {
        {"first message", {1000}, {true}},
        {"held: a delay, then fast repeats", {0, 500, 533, 566, 600}, {true, false, false, false, false}},
        {"a long hold stays one press", {0, 600, 1200, 1800, 2400, 3000}, {true, false, false, false, false, false}},
        {"released and pressed again", {0, 33, 66, 1000}, {true, false, false, true}},
        {"exactly at the window's end is still the same press", {0, 650, 1301}, {true, false, true}},
        {"across the tick count's wrap", {0xFFFFFF00u, 0x00000010u, 0x00001000u}, {true, false, true}},
    };
    for (const auto& c : cases) {
        KeyRepeatFilter filter(650);
        std::vector<bool> seen;
        for (std::uint32_t tick : c.ticks) seen.push_back(filter.IsNewPress(tick));
        EXPECT_EQ(seen, c.newPress) << c.name;
    }
}

}  // namespace
}  // namespace kestrel
