// What the Options dialog does with the user's clicks and typing: the live preview, the spin
// arrows, the correction of the percentage when the field loses the focus (with its beep), OK
// writing the main window's fields, and the close box discarding everything.
#include "tests/e2e/options_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kestrel::e2e {
namespace {

// Kestrel with Options open on Scope "1", Destination "1", Orientation "P" and `percent`; with
// `heard`, the bells on its display are counted from before it starts.
class OptionsTest : public KestrelTest {
protected:
    void Open(bool heard, const wchar_t* percent = L"100") {
        if (heard) {
            bells.emplace();
            ASSERT_TRUE(bells->Listening()) << "xkbevd (x11-xkb-utils) must be installed";
        }
        ASSERT_NO_FATAL_FAILURE(Start());
        dialog = OpenOptions(kestrel_, L"1", L"1", L"P", percent);
        ASSERT_NE(dialog, nullptr);
        field = Child(dialog, opt::kTxtPercent);
    }

    std::optional<BellCounter> bells;
    HWND dialog = nullptr;
    HWND field = nullptr;
};
class OptionsPreview : public OptionsTest {};
class OptionsSpin : public OptionsTest {};
class OptionsPercentField : public OptionsTest {};
class OptionsOK : public OptionsTest {};
class OptionsClose : public OptionsTest {};

std::wstring PercentText(HWND dialog) { return WindowText(Child(dialog, opt::kTxtPercent)); }

TwipsBox ThumbBox(HWND dialog, int id) { return InDialog(dialog, Child(dialog, id)); }

bool Visible(HWND dialog, int id) { return ::IsWindowVisible(Child(dialog, id)) != FALSE; }

// Clicks an option or button and waits until the dialog has handled the click.
void ClickAndSync(HWND dialog, int id) {
    Click(Child(dialog, id));
    Sync(dialog);
}

// ---------------------------------------------------------------------------------------------
// The preview

TEST_F(OptionsPreview, FollowsDestinationOrientationScopeAndPercent) {
    ASSERT_NO_FATAL_FAILURE(Open(false, L"50"));
    EXPECT_TRUE(Visible(dialog, opt::kRectPortrait));
    ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {4150, 440, 590, 400});

    {
        SCOPED_TRACE("Clipboard: no page, the fixed size whatever the percentage");
        ClickAndSync(dialog, opt::kOptClipboard);
        EXPECT_FALSE(Visible(dialog, opt::kRectPortrait));
        EXPECT_FALSE(Visible(dialog, opt::kRectLandscape));
        EXPECT_TRUE(Visible(dialog, opt::kImgScreen));
        EXPECT_FALSE(Visible(dialog, opt::kImgWindow));
        ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {3960, 717, 1560, 1070});
        ExpectBoxNear(ThumbBox(dialog, opt::kImgWindow), {3960, 717, 1560, 1070});
        ExpectSizeControlsEnabled(dialog, false);
    }
    {
        SCOPED_TRACE("Direct to Printer again: the page and the size for the percentage come back");
        ClickAndSync(dialog, opt::kOptPrinter);
        EXPECT_TRUE(Visible(dialog, opt::kRectPortrait));
        EXPECT_FALSE(Visible(dialog, opt::kRectLandscape));
        ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {4150, 440, 590, 400});
        ExpectSizeControlsEnabled(dialog, true);
    }
    {
        SCOPED_TRACE("Landscape at 50");
        ClickAndSync(dialog, opt::kOptLandscape);
        EXPECT_TRUE(Visible(dialog, opt::kRectLandscape));
        EXPECT_FALSE(Visible(dialog, opt::kRectPortrait));
        ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {3960, 717, 780, 535});
    }
    {
        SCOPED_TRACE("Active Window swaps the thumbnails");
        ClickAndSync(dialog, opt::kOptWindow);
        EXPECT_TRUE(Visible(dialog, opt::kImgWindow));
        EXPECT_FALSE(Visible(dialog, opt::kImgScreen));
        ExpectBoxNear(ThumbBox(dialog, opt::kImgWindow), {3960, 717, 780, 535});
        ClickAndSync(dialog, opt::kOptScreen);
        EXPECT_TRUE(Visible(dialog, opt::kImgScreen));
        EXPECT_FALSE(Visible(dialog, opt::kImgWindow));
    }
    {
        SCOPED_TRACE("Landscape at 100 is the clipboard size");
        SetWindowTextRemote(Child(dialog, opt::kTxtPercent), L"100");
        ClickAndSync(dialog, opt::kOptLandscape);
        ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {3960, 717, 1560, 1070});
    }
}

// A stored Percent far outside 1..100 is shown as it is; the thumbnail then keeps within the grey
// square: no size below nothing, and no side beyond the square's right and bottom edges.
TEST_F(OptionsPreview, PercentFarOutOfRangeKeepsTheThumbnailOnTheGreySquare) {
    struct Case {
        const wchar_t* orientation;
        const wchar_t* percent;
        TwipsBox thumb;
    };
    const Case cases[] = {
        {L"P", L"-5", {4150, 440, 0, 0}},          {L"L", L"-1e308", {3960, 717, 0, 0}},
        {L"P", L"1e308", {4150, 440, 1745, 1975}}, {L"L", L"1.7976931348623157e308", {3960, 717, 1935, 1698}},
        {L"L", L"1e999", {3960, 717, 1935, 1698}}, {L"P", L"200", {4150, 440, 1745, 1600}},
    };
    ASSERT_NO_FATAL_FAILURE(Start());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Percent " << std::string(c.percent, c.percent + wcslen(c.percent)));
        HWND dialog = OpenOptions(kestrel_, L"1", L"1", c.orientation, c.percent);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(PercentText(dialog), c.percent) << "shown unchanged";
        EXPECT_TRUE(Visible(dialog, opt::kImgScreen));
        const TwipsBox thumb = ThumbBox(dialog, opt::kImgScreen);
        ExpectBoxNear(thumb, c.thumb);
        const TwipsBox square = ThumbBox(dialog, opt::kRectBackground);
        EXPECT_LE(thumb.left + thumb.width, square.left + square.width + OnePixelTwips());
        EXPECT_LE(thumb.top + thumb.height, square.top + square.height + OnePixelTwips());
        ASSERT_TRUE(CloseDialog(dialog));
    }
    EXPECT_TRUE(kestrel_.Running());
}

// ---------------------------------------------------------------------------------------------
// The spin arrows

TEST_F(OptionsSpin, StepByOneWithinOneToHundredAndWriteTheSignPosition) {
    struct Case {
        const wchar_t* before;
        int arrow;
        const wchar_t* after;
    };
    const Case cases[] = {
        {L"99", opt::kCmdSpinUp, L" 100"},     {L"100", opt::kCmdSpinUp, L"100"},   {L" 100", opt::kCmdSpinUp, L" 100"},
        {L"99.5", opt::kCmdSpinUp, L" 100"},   {L"abc", opt::kCmdSpinUp, L" 1"},    {L"", opt::kCmdSpinUp, L" 1"},
        {L"50abc", opt::kCmdSpinUp, L" 51"},   {L"2", opt::kCmdSpinDn, L" 1"},      {L"1", opt::kCmdSpinDn, L"1"},
        {L"1.5", opt::kCmdSpinDn, L" 1"},      {L" 0.5", opt::kCmdSpinDn, L" 0.5"}, {L"abc", opt::kCmdSpinDn, L"abc"},
        {L"100.5", opt::kCmdSpinDn, L" 99.5"}, {L"-5", opt::kCmdSpinUp, L" 1"},     {L"250", opt::kCmdSpinDn, L" 100"},
    };
    ASSERT_NO_FATAL_FAILURE(Open(false));
    // The focus is elsewhere, so no correction comes between.
    ASSERT_NE(FocusOf(dialog), field);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << std::string(c.before, c.before + wcslen(c.before)) << "\" "
                                        << (c.arrow == opt::kCmdSpinUp ? "up" : "down"));
        SetWindowTextRemote(field, c.before);
        ClickAndSync(dialog, c.arrow);
        EXPECT_EQ(WindowText(field), c.after);
    }
}

TEST_F(OptionsSpin, ThePreviewFollowsEveryStep) {
    ASSERT_NO_FATAL_FAILURE(Open(false, L"49"));
    ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {4150, 440, 578, 392});
    ClickAndSync(dialog, opt::kCmdSpinUp);
    EXPECT_EQ(PercentText(dialog), L" 50");
    ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {4150, 440, 590, 400});
    ClickAndSync(dialog, opt::kCmdSpinDn);
    ClickAndSync(dialog, opt::kCmdSpinDn);
    EXPECT_EQ(PercentText(dialog), L" 48");
    ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {4150, 440, 566, 384});
}

// A click on an arrow takes the focus before it is handled: a typed percentage is corrected
// (with its beep) before the step is applied to it.
TEST_F(OptionsSpin, ATypedPercentIsCorrectedBeforeTheStep) {
    ASSERT_NO_FATAL_FAILURE(Open(true));

    TypeInto(field, L"abc");
    Sync(dialog);
    ASSERT_EQ(FocusOf(dialog), field);
    ASSERT_EQ(WindowText(field), L"abc");
    ClickAndSync(dialog, opt::kCmdSpinUp);
    EXPECT_EQ(WindowText(field), L" 2") << "abc became 1 on leaving the field, then the step";
    EXPECT_EQ(bells->AtLeast(1), 1);

    TypeInto(field, L"150");
    Sync(dialog);
    ClickAndSync(dialog, opt::kCmdSpinDn);
    EXPECT_EQ(WindowText(field), L" 99") << "150 became 100, then the step";
    EXPECT_EQ(bells->AtLeast(2), 2);

    TypeInto(field, L"40");
    Sync(dialog);
    ClickAndSync(dialog, opt::kCmdSpinUp);
    EXPECT_EQ(WindowText(field), L" 41");
    EXPECT_EQ(bells->Settled(), 2) << "a value within 1..100 is no error";
}

// The same through the system's real mouse input rather than messages to the button.
TEST_F(OptionsSpin, ARealMouseClickOnTheArrowCorrectsFirstToo) {
    ASSERT_NO_FATAL_FAILURE(Open(false));
    ::SetForegroundWindow(dialog);
    MouseClick(field);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(dialog) == field; }));
    ::PostMessageW(field, EM_SETSEL, 0, -1);
    for (wchar_t c : std::wstring(L"0.5")) ::PostMessageW(field, WM_CHAR, c, 1);
    Sync(dialog);
    ASSERT_EQ(WindowText(field), L"0.5");
    MouseClick(Child(dialog, opt::kCmdSpinUp));
    EXPECT_TRUE(WaitFor([&] { return WindowText(field) == L" 2"; }, std::chrono::milliseconds(3000)))
        << WindowText(field);
    EXPECT_EQ(FocusOf(dialog), Child(dialog, opt::kCmdSpinUp));
}

// ---------------------------------------------------------------------------------------------
// Leaving the percentage field

TEST_F(OptionsPercentField, LeavingItClampsToOneThroughHundredWithABeep) {
    struct Case {
        const wchar_t* typed;
        const wchar_t* left;
        int beeps;
    };
    const Case cases[] = {
        {L"150", L"100", 1}, {L"0", L"1", 1},         {L"-5", L"1", 1},    {L"0.5", L"1", 1},
        {L"abc", L"1", 1},   {L"", L"1", 1},          {L"1e3", L"100", 1}, {L"100", L"100", 0},
        {L"1", L"1", 0},     {L"50abc", L"50abc", 0}, {L"1e2", L"1e2", 0}, {L"37.5", L"37.5", 0},
    };
    ASSERT_NO_FATAL_FAILURE(Open(true));
    int beeps = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << std::string(c.typed, c.typed + wcslen(c.typed)) << '"');
        TypeInto(field, c.typed);
        Sync(dialog);
        ASSERT_EQ(FocusOf(dialog), field);
        ASSERT_EQ(WindowText(field), c.typed);
        PressKey(field, VK_TAB);
        Sync(dialog);
        EXPECT_EQ(FocusOf(dialog), Child(dialog, opt::kCmdSpinUp)) << "Tab moved on";
        EXPECT_EQ(WindowText(field), c.left);
        beeps += c.beeps;
        EXPECT_EQ(c.beeps ? bells->AtLeast(beeps) : bells->Settled(), beeps);
    }
}

// An option button takes the focus on the click too, so the correction comes before its handler.
TEST_F(OptionsPercentField, AClickOnAnOptionCorrectsFirst) {
    ASSERT_NO_FATAL_FAILURE(Open(true));
    TypeInto(field, L"abc");
    Sync(dialog);
    ASSERT_EQ(FocusOf(dialog), field);
    ClickAndSync(dialog, opt::kOptClipboard);
    EXPECT_EQ(WindowText(field), L"1");
    EXPECT_FALSE(::IsWindowEnabled(field));
    EXPECT_EQ(FocusOf(dialog), Child(dialog, opt::kOptClipboard));
    EXPECT_EQ(bells->AtLeast(1), 1);
}

// Switching to another program takes the focus from the field too, but the user has not left it
// for another control: the text stays as typed until they do.
TEST_F(OptionsPercentField, SwitchingToAnotherProgramIsNotLeavingTheField) {
    ASSERT_NO_FATAL_FAILURE(Open(true));
    TypeInto(field, L"150");
    Sync(dialog);
    ASSERT_EQ(FocusOf(dialog), field);

    HWND other = ::CreateWindowExW(0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ::SetForegroundWindow(other);
    EXPECT_TRUE(WaitFor([&] { return FocusOf(dialog) != field; }, std::chrono::milliseconds(5000)));
    Sync(dialog);
    EXPECT_EQ(WindowText(field), L"150");
    ::DestroyWindow(other);

    ::SetForegroundWindow(dialog);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(dialog) == field; }, std::chrono::milliseconds(5000)))
        << "the focus comes back to the field";
    EXPECT_EQ(WindowText(field), L"150");
    EXPECT_EQ(bells->Settled(), 0);
    PressKey(field, VK_TAB);
    Sync(dialog);
    EXPECT_EQ(WindowText(field), L"100");
    EXPECT_EQ(bells->AtLeast(1), 1);
}

TEST_F(OptionsPercentField, ThePreviewFollowsWhenTheFieldIsLeftNotWhileTyping) {
    ASSERT_NO_FATAL_FAILURE(Open(false));
    TypeInto(field, L"50");
    Sync(dialog);
    ASSERT_EQ(WindowText(field), L"50");
    ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {4150, 440, 1180, 800});
    PressKey(field, VK_TAB);
    Sync(dialog);
    ExpectBoxNear(ThumbBox(dialog, opt::kImgScreen), {4150, 440, 590, 400});
}

// ---------------------------------------------------------------------------------------------
// OK and the close box

TEST_F(OptionsOK, WritesTheFourFieldsAndCloses) {
    ASSERT_NO_FATAL_FAILURE(Open(false));
    ClickAndSync(dialog, opt::kOptWindow);
    ClickAndSync(dialog, opt::kOptLandscape);
    SetWindowTextRemote(Child(dialog, opt::kTxtPercent), L"37");
    ClickAndSync(dialog, opt::kOptClipboard);
    ASSERT_FALSE(::IsWindowEnabled(Child(dialog, opt::kTxtPercent)));
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtScope), L"1") << "nothing is written before OK";
    ASSERT_TRUE(PressOK(dialog));
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"2", L"2", L"L", L"37"})) << "written even for the clipboard";
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }));

    // The next Options command loads a fresh dialog from what OK wrote.
    dialog = OpenOptions(kestrel_);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsChecked(Child(dialog, opt::kOptWindow)));
    EXPECT_TRUE(IsChecked(Child(dialog, opt::kOptClipboard)));
    EXPECT_TRUE(IsChecked(Child(dialog, opt::kOptLandscape)));
    EXPECT_EQ(PercentText(dialog), L"37");
    Click(Child(dialog, opt::kOptScreen));
    Click(Child(dialog, opt::kOptPrinter));
    Click(Child(dialog, opt::kOptPortrait));
    Click(Child(dialog, opt::kCmdSpinUp));
    ASSERT_TRUE(PressOK(dialog));
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"1", L"1", L"P", L" 38"}))
        << "the spin text, sign position and all";
}

TEST_F(OptionsOK, CopiesThePercentTextAsItStandsAfterTheCorrection) {
    ASSERT_NO_FATAL_FAILURE(Open(true));
    TypeInto(Child(dialog, opt::kTxtPercent), L"150");
    Sync(dialog);
    ASSERT_TRUE(PressOK(dialog));
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtPercent), L"100") << "corrected before OK copied it";
    EXPECT_EQ(bells->AtLeast(1), 1);

    dialog = OpenOptions(kestrel_);
    ASSERT_NE(dialog, nullptr);
    TypeInto(Child(dialog, opt::kTxtPercent), L"50abc");
    Sync(dialog);
    ASSERT_TRUE(PressOK(dialog));
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtPercent), L"50abc") << "kept as typed";
    EXPECT_EQ(bells->Settled(), 1);
}

TEST_F(OptionsClose, TheCloseBoxDiscardsEveryEdit) {
    ASSERT_NO_FATAL_FAILURE(Open(true));
    ClickAndSync(dialog, opt::kOptWindow);
    ClickAndSync(dialog, opt::kOptLandscape);
    ClickAndSync(dialog, opt::kOptClipboard);
    ClickAndSync(dialog, opt::kOptPrinter);
    // Left in the field: closing is not leaving it for another control, so no correction and no beep.
    TypeInto(Child(dialog, opt::kTxtPercent), L"150");
    Sync(dialog);
    ASSERT_EQ(FocusOf(dialog), Child(dialog, opt::kTxtPercent));
    const std::optional<POINT> closeBox = CloseBox(dialog);
    ASSERT_TRUE(closeBox) << "the dialog has a close box";
    ::SetForegroundWindow(dialog);
    MouseClickAt(closeBox->x, closeBox->y);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }));
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"1", L"1", L"P", L"100"}));
    EXPECT_EQ(bells->Settled(), 0);

    dialog = OpenOptions(kestrel_);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsChecked(Child(dialog, opt::kOptScreen)));
    EXPECT_TRUE(IsChecked(Child(dialog, opt::kOptPrinter)));
    EXPECT_TRUE(IsChecked(Child(dialog, opt::kOptPortrait)));
    EXPECT_EQ(PercentText(dialog), L"100");
}

}  // namespace
}  // namespace kestrel::e2e
