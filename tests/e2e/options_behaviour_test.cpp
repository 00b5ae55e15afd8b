// What the Options dialog does with the user's clicks and typing: the live preview, the spin
// arrows, the correction of the percentage (with its beep), the size field's limit, OK, the close box.
#include "tests/e2e/keyboard_support.h"
#include "tests/e2e/options_support.h"

#include <algorithm>
#include <fstream>

namespace kestrel::e2e {
namespace {

// Runs a Unix command line through Wine and lets it go on alone.
bool RunUnix(const std::string& command) { return StartProgram(std::wstring(command.begin(), command.end())); }

std::string ReadAll(const std::string& path) {
    return FileContents(std::wstring(path.begin(), path.end())).value_or("");
}

// Counts the system beeps on Kestrel's X display: Wine sounds MessageBeep as an X bell, and xkbevd
// (a Unix program, which Wine starts like any other) notes each one in a file under Z:.
class BellCounter {
public:
    BellCounter() {
        ::CreateDirectoryA(DosPath("").c_str(), nullptr);
        std::ofstream(DosPath("/xkbevd.cf")) << "Bell() shell \"echo bell >> " << dir_ << "/bells\"\n";
        // The shell notes xkbevd's process id so that the destructor can end it, and keeps what it
        // says: it reports turning the audible bell off once it has started listening.
        listening_ =
            RunUnix("/bin/sh -c \"echo $$ > " + dir_ + "/pid; exec /usr/bin/xkbevd -cfg " + dir_ + "/xkbevd.cf > " +
                    dir_ + "/log 2>&1\"") &&
            WaitFor([&] { return ReadAll(DosPath("/log")).find("disabling the audible bell") != std::string::npos; },
                    15s);
        // xkbevd rings once itself as it starts; count from when that has come and gone.
        WaitFor([&] { return Lines() > 0; }, 2s);
        baseline_ = AtLeast(0);
    }
    ~BellCounter() { RunUnix("/bin/sh -c \"kill $(cat " + dir_ + "/pid); rm -rf " + dir_ + "\""); }
    BellCounter(const BellCounter&) = delete;
    BellCounter& operator=(const BellCounter&) = delete;

    bool Listening() const { return listening_; }
    // Waits (up to 5 s) for `expected` bells since listening began, then returns the count once
    // no new one has come for half a second.
    int AtLeast(int expected) const {
        WaitFor([&] { return Lines() - baseline_ >= expected; }, 5s);
        int count = Lines();
        while (!HoldsFor([&] { return Lines() == count; }, 500ms)) count = Lines();
        return count - baseline_;
    }

private:
    std::string DosPath(const std::string& name) const { return "Z:" + dir_ + name; }
    int Lines() const {
        const std::string bells = ReadAll(DosPath("/bells"));
        return static_cast<int>(std::count(bells.begin(), bells.end(), '\n'));
    }

    const std::string dir_ =
        "/tmp/kestrel-bells-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount());
    bool listening_ = false;
    int baseline_ = 0;
};

// Clicks into the field (unless it has the focus already), selects its text and types over it,
// character by character.
void TypeInto(HWND edit, const std::wstring& text, bool click = true) {
    if (click) PostMouseClick(edit);
    ::PostMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t c : text) ::PostMessageW(edit, WM_CHAR, c, 1);
    if (text.empty()) ::PostMessageW(edit, WM_CHAR, VK_BACK, 1);
}

constexpr int kTab = -1;  // Tab pressed in the size field, where a step clicks a control

class OptionsBehaviour : public OptionsTest {
protected:
    // Opens Options, the bells on Kestrel's display counted from before it starts.
    void OpenHeard() {
        bells.emplace();
        ASSERT_TRUE(bells->Listening()) << "xkbevd (x11-xkb-utils) must be installed";
        Open();
    }
    void ClickAndSync(int id) {
        Click(Child(dialog, id));
        Sync(dialog);
    }
    // Types into the size field, which keeps the focus and shows `text` as typed.
    void Type(const wchar_t* text) {
        TypeInto(field, text);
        Sync(dialog);
        EXPECT_EQ(FocusOf(dialog), field);
        EXPECT_EQ(WindowText(field), text);
    }

    // Something the user does (types into the size field, then clicks a control), and what the
    // dialog shows afterwards.
    struct Step {
        const char* what;
        const wchar_t* typed;  // nullptr: nothing
        int click;             // 0: nothing
        Shown shown;
    };
    void RunSteps(std::initializer_list<Step> steps) {
        for (const Step& s : steps) {
            SCOPED_TRACE(s.what);
            if (s.typed) ASSERT_NO_FATAL_FAILURE(Type(s.typed));
            if (s.click == kTab) PressKey(field, VK_TAB);
            if (s.click > 0) Click(Child(dialog, s.click));
            Sync(dialog);
            ExpectShown(dialog, s.shown);
        }
    }

    // Text typed into the size field, which is then left by a click on a control (or Tab, which
    // moves on to the up arrow): the text it is left with, and how many beeps that gives.
    struct Leave {
        const wchar_t* typed;
        int by;
        const wchar_t* after;
        int beeps;
    };
    void LeaveField(const std::vector<Leave>& cases) {
        int beeps = 0;
        for (const Leave& c : cases) {
            SCOPED_TRACE(testing::Message() << '"' << c.typed << '"');
            ASSERT_NO_FATAL_FAILURE(Type(c.typed));
            c.by == kTab ? PressKey(field, VK_TAB) : Click(Child(dialog, c.by));
            Sync(dialog);
            EXPECT_EQ(FocusOf(dialog), Child(dialog, c.by == kTab ? opt::kCmdSpinUp : c.by)) << "the focus moved on";
            EXPECT_EQ(WindowText(field), c.after);
            beeps += c.beeps;
            EXPECT_EQ(bells->AtLeast(beeps), beeps);
        }
    }

    std::optional<BellCounter> bells;
};
class OptionsPreview : public OptionsBehaviour {};
class OptionsSpin : public OptionsBehaviour {};
class OptionsPercentField : public OptionsBehaviour {};
class OptionsOK : public OptionsBehaviour {};
class OptionsClose : public OptionsBehaviour {};
class OptionsSizeField : public OptionsBehaviour {};

TEST_F(OptionsPreview, FollowsDestinationOrientationScopeAndPercent) {
    ASSERT_NO_FATAL_FAILURE(Open(L"50"));
    RunSteps({
        {"portrait at 50", nullptr, 0, {true, true, true, L"50", kPortraitAt50}},
        {"clipboard: no page, fixed size", nullptr, opt::kOptClipboard, {true, false, true, L"50", kClipboardThumb}},
        {"printer again", nullptr, opt::kOptPrinter, {true, true, true, L"50", kPortraitAt50}},
        {"landscape at 50", nullptr, opt::kOptLandscape, {true, true, false, L"50", kLandscapeAt50}},
        {"the window thumbnail", nullptr, opt::kOptWindow, {false, true, false, L"50", kLandscapeAt50}},
        {"and back", nullptr, opt::kOptScreen, {true, true, false, L"50", kLandscapeAt50}},
        {"landscape at 100: clipboard size", L"100", opt::kOptLandscape, {true, true, false, L"100", kClipboardThumb}},
    });
}

// A stored Percent far outside 1..100 is shown as it is; the thumbnail then keeps within the grey
// square: no size below nothing, and no side beyond the square's right and bottom edges.
TEST_F(OptionsPreview, PercentFarOutOfRangeKeepsTheThumbnailOnTheGreySquare) {
    const std::tuple<const wchar_t*, const wchar_t*, TwipsBox> cases[] = {
        {L"P", L"-5", {4150, 440, 0, 0}},          {L"L", L"-1e308", {3960, 717, 0, 0}},
        {L"P", L"1e308", {4150, 440, 1745, 1975}}, {L"L", L"1.7976931348623157e308", {3960, 717, 1935, 1698}},
        {L"L", L"1e999", {3960, 717, 1935, 1698}}, {L"P", L"200", {4150, 440, 1745, 1600}},
    };
    ASSERT_NO_FATAL_FAILURE(Start());
    for (const auto& [orientation, percent, expected] : cases) {
        SCOPED_TRACE(testing::Message() << "Percent " << percent);
        SetFields(main_, {L"1", L"1", orientation, percent});
        ASSERT_NO_FATAL_FAILURE(Show());
        EXPECT_EQ(WindowText(field), percent) << "shown unchanged";
        EXPECT_TRUE(::IsWindowVisible(Child(dialog, opt::kImgScreen)));
        const TwipsBox thumb = InDialog(dialog, Child(dialog, opt::kImgScreen));
        ExpectBoxNear(thumb, expected);
        const TwipsBox square = InDialog(dialog, Child(dialog, opt::kRectBackground));
        EXPECT_LE(thumb.left + thumb.width, square.left + square.width + OnePixelTwips());
        EXPECT_LE(thumb.top + thumb.height, square.top + square.height + OnePixelTwips());
        ASSERT_TRUE(CloseDialog(dialog));
    }
    EXPECT_TRUE(kestrel_.Running());
}

TEST_F(OptionsSpin, StepByOneWithinOneToHundredAndWriteTheSignPosition) {
    const int up = opt::kCmdSpinUp, down = opt::kCmdSpinDn;
    const std::tuple<const wchar_t*, int, const wchar_t*> cases[] = {
        {L"99", up, L" 100"},       {L"100", up, L"100"},  {L" 100", up, L" 100"},   {L"99.5", up, L" 100"},
        {L"abc", up, L" 1"},        {L"", up, L" 1"},      {L"50abc", up, L" 51"},   {L"2", down, L" 1"},
        {L"1", down, L"1"},         {L"1.5", down, L" 1"}, {L" 0.5", down, L" 0.5"}, {L"abc", down, L"abc"},
        {L"100.5", down, L" 99.5"}, {L"-5", up, L" 1"},    {L"250", down, L" 100"},
    };
    ASSERT_NO_FATAL_FAILURE(Open());
    // The focus is elsewhere, so no correction comes between.
    ASSERT_NE(FocusOf(dialog), field);
    for (const auto& [before, arrow, after] : cases) {
        SCOPED_TRACE(testing::Message() << '"' << before << (arrow == up ? "\" up" : "\" down"));
        SetWindowTextRemote(field, before);
        ClickAndSync(arrow);
        EXPECT_EQ(WindowText(field), after);
    }
}

TEST_F(OptionsSpin, ThePreviewFollowsEveryStep) {
    ASSERT_NO_FATAL_FAILURE(Open(L"49"));
    RunSteps({
        {"at 49", nullptr, 0, {true, true, true, L"49", {4150, 440, 578, 392}}},
        {"up", nullptr, opt::kCmdSpinUp, {true, true, true, L" 50", kPortraitAt50}},
        {"down", nullptr, opt::kCmdSpinDn, {true, true, true, L" 49", {4150, 440, 578, 392}}},
        {"down again", nullptr, opt::kCmdSpinDn, {true, true, true, L" 48", {4150, 440, 566, 384}}},
    });
}

// A click on an arrow takes the focus before it is handled: a typed percentage is corrected
// (with its beep) before the step is applied to it.
TEST_F(OptionsSpin, ATypedPercentIsCorrectedBeforeTheStep) {
    ASSERT_NO_FATAL_FAILURE(OpenHeard());
    // "abc" becomes 1 on leaving the field, then the step; 40 is no error.
    LeaveField({{L"abc", opt::kCmdSpinUp, L" 2", 1},
                {L"150", opt::kCmdSpinDn, L" 99", 1},
                {L"40", opt::kCmdSpinUp, L" 41", 0}});
}

// The same through the system's real mouse input rather than messages to the button.
TEST_F(OptionsSpin, ARealMouseClickOnTheArrowCorrectsFirstToo) {
    ASSERT_NO_FATAL_FAILURE(Open());
    ::SetForegroundWindow(dialog);
    LeftClick(field);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(dialog) == field; }));
    TypeInto(field, L"0.5", false);
    Sync(dialog);
    ASSERT_EQ(WindowText(field), L"0.5");
    LeftClick(Child(dialog, opt::kCmdSpinUp));
    EXPECT_TRUE(WaitFor([&] { return WindowText(field) == L" 2"; }, 3s)) << WindowText(field);
    EXPECT_EQ(FocusOf(dialog), Child(dialog, opt::kCmdSpinUp));
}

TEST_F(OptionsPercentField, LeavingItClampsToOneThroughHundredWithABeep) {
    ASSERT_NO_FATAL_FAILURE(OpenHeard());
    const std::vector<Leave> cases = {
        {L"150", kTab, L"100", 1},     {L"0", kTab, L"1", 1},     {L"-5", kTab, L"1", 1},
        {L"0.5", kTab, L"1", 1},       {L"abc", kTab, L"1", 1},   {L"", kTab, L"1", 1},
        {L"1e3", kTab, L"100", 1},     {L"100", kTab, L"100", 0}, {L"1", kTab, L"1", 0},
        {L"50abc", kTab, L"50abc", 0}, {L"1e2", kTab, L"1e2", 0}, {L"37.5", kTab, L"37.5", 0},
    };
    LeaveField(cases);
}

// An option button takes the focus on the click too, so the correction comes before its handler.
TEST_F(OptionsPercentField, AClickOnAnOptionCorrectsFirst) {
    ASSERT_NO_FATAL_FAILURE(OpenHeard());
    LeaveField({{L"abc", opt::kOptClipboard, L"1", 1}});
    EXPECT_FALSE(::IsWindowEnabled(field));
}

// Switching to another program takes the focus from the field too, but the user has not left it
// for another control: the text stays as typed until they do.
TEST_F(OptionsPercentField, SwitchingToAnotherProgramIsNotLeavingTheField) {
    ASSERT_NO_FATAL_FAILURE(OpenHeard());
    ASSERT_NO_FATAL_FAILURE(Type(L"150"));
    {
        PatternWindow other(PatternWindow::Kind::Captioned, ColourField(200, 100));
        ASSERT_TRUE(other.BringToFront());
        EXPECT_TRUE(WaitFor([&] { return FocusOf(dialog) != field; }, 5s));
        Sync(dialog);
        EXPECT_EQ(WindowText(field), L"150");
    }
    ::SetForegroundWindow(dialog);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(dialog) == field; }, 5s)) << "the focus comes back to the field";
    EXPECT_EQ(WindowText(field), L"150");
    EXPECT_EQ(bells->AtLeast(0), 0);
    PressKey(field, VK_TAB);
    Sync(dialog);
    EXPECT_EQ(WindowText(field), L"100");
    EXPECT_EQ(bells->AtLeast(1), 1);
}

TEST_F(OptionsPercentField, ThePreviewFollowsWhenTheFieldIsLeftNotWhileTyping) {
    ASSERT_NO_FATAL_FAILURE(Open());
    RunSteps({
        {"typed", L"50", 0, {true, true, true, L"50", kPortraitAt100}},
        {"left with Tab", nullptr, kTab, {true, true, true, L"50", kPortraitAt50}},
    });
}

TEST_F(OptionsOK, WritesTheFourFieldsAndCloses) {
    ASSERT_NO_FATAL_FAILURE(Open());
    ClickAndSync(opt::kOptWindow);
    ClickAndSync(opt::kOptLandscape);
    SetWindowTextRemote(field, L"37");
    ClickAndSync(opt::kOptClipboard);
    ASSERT_FALSE(::IsWindowEnabled(field));
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtScope), L"1") << "nothing is written before OK";
    ASSERT_TRUE(PressOK(dialog));
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"2", L"2", L"L", L"37"})) << "written even for the clipboard";
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }));

    // The next Options command loads a fresh dialog from what OK wrote.
    ASSERT_NO_FATAL_FAILURE(Show());
    ExpectShown(dialog, {false, false, false, L"37", kClipboardThumb});
    for (int id : {opt::kOptScreen, opt::kOptPrinter, opt::kOptPortrait, opt::kCmdSpinUp}) Click(Child(dialog, id));
    ASSERT_TRUE(PressOK(dialog));
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"1", L"1", L"P", L" 38"}))
        << "the spin text, sign position and all";
}

TEST_F(OptionsOK, CopiesThePercentTextAsItStandsAfterTheCorrection) {
    ASSERT_NO_FATAL_FAILURE(OpenHeard());
    // Corrected before OK copied it (with a beep), or kept as typed.
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {{L"150", L"100"}, {L"50abc", L"50abc"}};
    for (const auto& [typed, copied] : cases) {
        SCOPED_TRACE(testing::Message() << typed);
        ASSERT_NO_FATAL_FAILURE(Type(typed));
        ASSERT_TRUE(PressOK(dialog));
        EXPECT_EQ(Field(main_, ids::fmMain::kTxtPercent), copied);
        EXPECT_EQ(bells->AtLeast(1), 1);
        ASSERT_NO_FATAL_FAILURE(Show());
    }
}

TEST_F(OptionsClose, TheCloseBoxDiscardsEveryEdit) {
    ASSERT_NO_FATAL_FAILURE(OpenHeard());
    for (int id : {opt::kOptWindow, opt::kOptLandscape, opt::kOptClipboard, opt::kOptPrinter}) ClickAndSync(id);
    // Left in the field: closing is not leaving it for another control, so no correction and no beep.
    ASSERT_NO_FATAL_FAILURE(Type(L"150"));
    // A point on the close box, found by asking the dialog along the middle of its caption.
    const RECT frame = WindowRect(dialog);
    const RECT client = ClientRectOnScreen(dialog);
    POINT closeBox{frame.right - 1, (frame.top + client.top) / 2};
    while (closeBox.x > client.left && SendTo(dialog, WM_NCHITTEST, 0, MAKELPARAM(closeBox.x, closeBox.y)) != HTCLOSE) {
        --closeBox.x;
    }
    ASSERT_GT(closeBox.x, client.left) << "the dialog has a close box";
    ::SetForegroundWindow(dialog);
    LeftClick(POINT{closeBox.x - 2, closeBox.y});
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }));
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"1", L"1", L"P", L"100"}));
    EXPECT_EQ(bells->AtLeast(0), 0);

    ASSERT_NO_FATAL_FAILURE(Show());
    ExpectShown(dialog, {true, true, true, L"100", kPortraitAt100});
}

constexpr size_t kFieldLength = 32;  // typed, pasted or stored

// Anyone who may save settings can write the shared key: a stored megabyte opens and closes
// Options in moments, shown cut, and Kestrel stays responsive.
TEST_F(OptionsSizeField, AStoredMegabyteIsShownCutAndNothingHangs) {
    const std::string stored = "25" + std::string((1u << 20) - 2, 'x');
    const std::wstring cut(stored.begin(), stored.begin() + kFieldLength);
    ASSERT_NO_FATAL_FAILURE(StartWith("1", "1", "P", stored));

    const auto start = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(Show());
    EXPECT_TRUE(Responsive(dialog));
    const auto opened = std::chrono::steady_clock::now();
    // Compared whole, so that a failure does not print a megabyte.
    EXPECT_TRUE(WindowText(field) == cut) << "shown: " << WindowText(field).size() << " characters";

    EXPECT_TRUE(CloseDialog(dialog, WM_CLOSE));
    EXPECT_TRUE(Responsive(main_));
    const auto ms = [](auto duration) {
        return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
    };
    std::printf("[ INFO     ] Options with a 1 MiB Percent: open %lld ms, closed %lld ms after\n", ms(opened - start),
                ms(std::chrono::steady_clock::now() - opened));
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtPercent).size(), stored.size()) << "closing without OK keeps the setting";

    // OK takes the text as the field shows it.
    ASSERT_NO_FATAL_FAILURE(Show());
    EXPECT_TRUE(PressOK(dialog));
    EXPECT_TRUE(Field(main_, ids::fmMain::kTxtPercent) == cut) << Field(main_, ids::fmMain::kTxtPercent).size();
}

TEST_F(OptionsSizeField, APasteOrTypingStopsAt32Characters) {
    ASSERT_NO_FATAL_FAILURE(OpenHeard());
    const std::wstring forty = L"1234567890123456789012345678901234567890";
    capture::PutTextOnClipboard(forty);
    PostMouseClick(field);
    ::PostMessageW(field, EM_SETSEL, 0, -1);
    ::PostMessageW(field, WM_PASTE, 0, 0);
    Sync(dialog);
    EXPECT_EQ(WindowText(field), forty.substr(0, kFieldLength)) << "a longer paste is cut";
    EXPECT_EQ(bells->AtLeast(1), 1) << "with the usual beep";

    TypeInto(field, forty);
    Sync(dialog);
    EXPECT_EQ(WindowText(field), forty.substr(0, kFieldLength)) << "typing stops at the limit";
    EXPECT_TRUE(CloseDialog(dialog, WM_CLOSE));
    EXPECT_TRUE(kestrel_.Running());
}

}  // namespace
}  // namespace kestrel::e2e
