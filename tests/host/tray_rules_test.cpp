#include "app/tray_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "toolkit/run_time_error.h"

namespace kestrel {
namespace {

using Record = std::array<std::uint8_t, kTrayRecordSize>;

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
    const std::uint8_t head[] = {0x58, 0x00, 0x00, 0x00,  // cbSize 88
                                 0x78, 0x56, 0x34, 0x12,  // hWnd
                                 0x01, 0x00, 0x00, 0x00,  // uID 1
                                 0x07, 0x00, 0x00, 0x00,  // uFlags 7
                                 0x00, 0x02, 0x00, 0x00,  // uCallbackMessage 512
                                 0xF0, 0xDE, 0xBC, 0x9A,  // hIcon
                                 'K',  'e',  's',  't',  'r', 'e', 'l', 0x00};
    for (std::size_t i = 0; i < sizeof head; ++i) {
        EXPECT_EQ(record[i], head[i]) << "byte " << i;
    }
    for (std::size_t i = sizeof head; i < kTrayRecordSize; ++i) {
        EXPECT_EQ(record[i], 0x20) << "byte " << i;
    }
}

TEST(TrayRecord, IntegersAreLittleEndianWhateverTheirValue) {
    const TrayIconFields fields{0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10, 0x11121314, 0xFFFFFFFE};
    const Record record = EncodeTrayRecord(fields, "");
    const std::uint8_t expected[24] = {4,  3,  2,  1,  8,  7,  6,  5,  12,   11,   10,   9,
                                       16, 15, 14, 13, 20, 19, 18, 17, 0xFE, 0xFF, 0xFF, 0xFF};
    for (std::size_t i = 0; i < 24; ++i) {
        EXPECT_EQ(record[i], expected[i]) << "byte " << i;
    }
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
    for (std::size_t i = 0; i < c.length; ++i) {
        tip += static_cast<char>('a' + i % 26);
    }
    const Record record = EncodeTrayRecord(MakeTrayFields(1, 2), tip);

    for (std::size_t i = 0; i < c.keptLength; ++i) {
        EXPECT_EQ(record[24 + i], static_cast<std::uint8_t>(tip[i])) << "tip " << i;
    }
    if (c.hasNul) {
        EXPECT_EQ(record[24 + c.keptLength], 0) << "NUL after the tip";
        for (std::size_t i = 24 + c.keptLength + 1; i < kTrayRecordSize; ++i) {
            EXPECT_EQ(record[i], 0x20) << "byte " << i;
        }
    } else {
        for (std::size_t i = 24; i < kTrayRecordSize; ++i) {
            EXPECT_NE(record[i], 0) << "byte " << i;
        }
    }
    EXPECT_EQ(DecodeTrayTip(record), tip.substr(0, c.keptLength));
}

INSTANTIATE_TEST_SUITE_P(Lengths, TrayTipLength,
                         ::testing::Values(TipCase{0, true, 0}, TipCase{1, true, 1}, TipCase{62, true, 62},
                                           TipCase{63, true, 63}, TipCase{64, false, 64}, TipCase{65, false, 64},
                                           TipCase{70, false, 64}));

TEST(TrayRecord, NarrowTipBytesPassThroughUnchanged) {
    const std::string tip = "Caf\xE9 \x80\xFF";
    const Record record = EncodeTrayRecord(MakeTrayFields(1, 2), tip);
    EXPECT_EQ(record[27], 0xE9);
    EXPECT_EQ(record[29], 0x80);
    EXPECT_EQ(record[30], 0xFF);
    EXPECT_EQ(record[31], 0x00);
    EXPECT_EQ(DecodeTrayTip(record), tip);
}

TEST(TrayRecord, DecodingStopsAtTheFirstNul) {
    Record record{};
    for (std::size_t i = 24; i < kTrayRecordSize; ++i) record[i] = 'x';
    record[24 + 3] = 0;
    EXPECT_EQ(DecodeTrayTip(record), "xxx");
}

struct RoundCase {
    float value;
    std::int16_t expected;
};

class RoundToInt16Test : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundToInt16Test, HalvesGoToEven) { EXPECT_EQ(RoundToInt16(GetParam().value), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Values, RoundToInt16Test,
                         ::testing::Values(RoundCase{0.0f, 0}, RoundCase{0.5f, 0}, RoundCase{1.5f, 2},
                                           RoundCase{2.5f, 2}, RoundCase{3.5f, 4}, RoundCase{-0.5f, 0},
                                           RoundCase{-1.5f, -2}, RoundCase{-2.5f, -2}, RoundCase{1.4f, 1},
                                           RoundCase{1.6f, 2}, RoundCase{-1.6f, -2}, RoundCase{0.49999997f, 0},
                                           RoundCase{7725.0f, 7725}, RoundCase{32767.0f, 32767},
                                           RoundCase{32767.4f, 32767}, RoundCase{32766.5f, 32766},
                                           RoundCase{-32768.0f, -32768}, RoundCase{-32768.5f, -32768}));

class RoundToInt16Overflow : public ::testing::TestWithParam<float> {};

TEST_P(RoundToInt16Overflow, Throws) {
    try {
        RoundToInt16(GetParam());
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number, 6);
    }
}

INSTANTIATE_TEST_SUITE_P(OutOfRange, RoundToInt16Overflow,
                         ::testing::Values(32767.5f, 32768.0f, -32768.6f, -32769.0f, 1e10f, -1e10f,
                                           std::numeric_limits<float>::infinity(),
                                           -std::numeric_limits<float>::infinity(),
                                           std::numeric_limits<float>::quiet_NaN()));

struct MouseCase {
    std::int16_t xTwips;
    float twipsPerPixel;
    float number;
};

class MouseEventNumber : public ::testing::TestWithParam<MouseCase> {};

TEST_P(MouseEventNumber, DividesTheScaledMessageBack) {
    const std::optional<float> number = GetMouseEventNumber(GetParam().xTwips, GetParam().twipsPerPixel);
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(*number, GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, MouseEventNumber,
                         ::testing::Values(MouseCase{515 * 15, 15.0f, 515.0f}, MouseCase{517 * 15, 15.0f, 517.0f},
                                           MouseCase{513 * 15, 15.0f, 513.0f}, MouseCase{517 * 12, 12.0f, 517.0f},
                                           MouseCase{0, 15.0f, 0.0f}, MouseCase{-515 * 15, 15.0f, -515.0f},
                                           MouseCase{3735, 15.0f, 249.0f},
                                           // 7.5 twips per pixel: 515 pixels is 3862.5, rounded.
                                           MouseCase{3862, 7.5f, 514.93333f},
                                           MouseCase{100, std::numeric_limits<float>::infinity(), 0.0f}));

struct MouseErrorCase {
    std::int16_t xTwips;
    float twipsPerPixel;
    int errorNumber;
};

class MouseEventErrors : public ::testing::TestWithParam<MouseErrorCase> {};

TEST_P(MouseEventErrors, Throw) {
    try {
        GetMouseEventNumber(GetParam().xTwips, GetParam().twipsPerPixel);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number, GetParam().errorNumber);
    }
}

INSTANTIATE_TEST_SUITE_P(BadDivisors, MouseEventErrors,
                         ::testing::Values(MouseErrorCase{7725, 0.0f, 11}, MouseErrorCase{0, 0.0f, 11},
                                           MouseErrorCase{7725, -0.0f, 11},
                                           MouseErrorCase{7725, std::numeric_limits<float>::quiet_NaN(), 5},
                                           MouseErrorCase{0, std::numeric_limits<float>::infinity() * 0.0f, 5},
                                           MouseErrorCase{32767, std::numeric_limits<float>::denorm_min(), 6}));

TEST(MouseDecoding, RoundedXThroughToTheAction) {
    // The path Form_MouseMove takes: X arrives as a Single in twips.
    const float x = 517.0f * 15.0f;
    const std::int16_t rounded = RoundToInt16(x);
    EXPECT_EQ(TrayActionFor(GetMouseEventNumber(rounded, 15.0f), true), TrayAction::PopupMenu);
}

struct TwipsCase {
    int dpi;
    float twipsPerPixel;
};

class TrayTwipsPerPixelTable : public ::testing::TestWithParam<TwipsCase> {};

TEST_P(TrayTwipsPerPixelTable, WholeTwipsPerPixel) {
    EXPECT_EQ(TrayTwipsPerPixel(GetParam().dpi), GetParam().twipsPerPixel);
}

INSTANTIATE_TEST_SUITE_P(Screens, TrayTwipsPerPixelTable,
                         ::testing::Values(TwipsCase{96, 15.0f}, TwipsCase{120, 12.0f}, TwipsCase{144, 10.0f},
                                           TwipsCase{168, 8.0f}, TwipsCase{192, 7.0f}, TwipsCase{216, 6.0f},
                                           TwipsCase{288, 5.0f}, TwipsCase{72, 20.0f}, TwipsCase{110, 13.0f},
                                           TwipsCase{1440, 1.0f}, TwipsCase{5000, 1.0f}, TwipsCase{0, 15.0f},
                                           TwipsCase{-96, 15.0f}));

// The shell's callback travels as a mouse message number scaled to twips,
// rounded to a 16-bit integer and divided back; at every resolution that
// must land on the same action as reading the number straight from lParam.
TEST(TrayCallbackRoundTrip, EveryMessageAtEveryResolution) {
    for (int dpi = 48; dpi <= 480; ++dpi) {
        const float twipsPerPixel = TrayTwipsPerPixel(dpi);
        for (std::uint32_t message = 0x200; message <= 0x20E; ++message) {
            const float x = static_cast<float>(message) * twipsPerPixel;
            const std::optional<float> number = GetMouseEventNumber(RoundToInt16(x), twipsPerPixel);
            ASSERT_TRUE(number.has_value());
            ASSERT_EQ(*number, static_cast<float>(message)) << "dpi " << dpi << ", message " << message;
            for (bool visible : {false, true}) {
                ASSERT_EQ(TrayActionFor(number, visible), TrayActionForMessage(message, visible))
                    << "dpi " << dpi << ", message " << message;
            }
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
        SCOPED_TRACE(message);
        EXPECT_EQ(TrayActionFor(message, false), TrayAction::None);
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

struct ModalCase {
    std::optional<float> message;
    TrayAction action;
};

class TrayActionWhileModalTable : public ::testing::TestWithParam<ModalCase> {};

TEST_P(TrayActionWhileModalTable, AClickBringsTheModalWindowForwardAndNothingElse) {
    EXPECT_EQ(TrayActionWhileModal(GetParam().message), GetParam().action);
}

INSTANTIATE_TEST_SUITE_P(Messages, TrayActionWhileModalTable,
                         ::testing::Values(ModalCase{517.0f, TrayAction::BringModalToFront},
                                           ModalCase{514.0f, TrayAction::BringModalToFront},
                                           ModalCase{515.0f, TrayAction::BringModalToFront},
                                           ModalCase{518.0f, TrayAction::BringModalToFront},
                                           ModalCase{513.0f, TrayAction::None}, ModalCase{516.0f, TrayAction::None},
                                           ModalCase{512.0f, TrayAction::None}, ModalCase{517.5f, TrayAction::None},
                                           ModalCase{std::nullopt, TrayAction::None}));

}  // namespace
}  // namespace kestrel
