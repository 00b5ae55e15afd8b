// The Options dialog as it opens: its window, its controls and their layout in twips, and how it
// fills itself from the main window's four settings fields. The same checks run at 96 and 144 dpi.
#include "tests/e2e/layout_support.h"

#include <algorithm>

namespace kestrel::e2e {
namespace {

// In twips of the client area. The landscape page, hidden while the dialog shows a portrait page, is
// looked at apart.
const std::vector<ControlLayout> kLayout = {
    {opt::kFrame1, L"Button", L"What to Capture", {120, 120, 1575, 855}},
    {opt::kOptScreen, L"Button", L"Entire Screen", {240, 360, 1335, 255}},
    {opt::kOptWindow, L"Button", L"Active Window", {240, 600, 1425, 255}},
    {opt::kFrame2, L"Button", L"Image Destination", {120, 1080, 1575, 855}},
    {opt::kOptPrinter, L"Button", L"Direct to Printer", {240, 1320, 1425, 255}},
    {opt::kOptClipboard, L"Button", L"Clipboard", {240, 1560, 1215, 255}},
    {opt::kFrame3, L"Button", L"Orientation", {1800, 120, 1575, 855}},
    {opt::kOptPortrait, L"Button", L"Portrait", {1920, 360, 1335, 255}},
    {opt::kOptLandscape, L"Button", L"Landscape", {1920, 600, 1335, 255}},
    {opt::kLblPercent, L"Static", L"Image size (%)", {2070, 1185, 1155, 255}},
    {opt::kTxtPercent, L"Edit", nullptr, {2235, 1500, 495, 285}},
    {opt::kCmdSpinUp, L"Button", L"Increase image size", {2880, 1450, 200, 195}},
    {opt::kCmdSpinDn, L"Button", L"Decrease image size", {2880, 1650, 200, 195}},
    {opt::kCmdOK, L"Button", L"OK", {1320, 2040, 855, 375}},
    {opt::kShape2, nullptr, nullptr, {2830, 1430, 290, 445}},
    {opt::kRectBackground, nullptr, nullptr, {3600, 120, 2295, 2295}},
    {opt::kRectPortrait, nullptr, nullptr, {4080, 360, 1335, 1815}},
};
const TwipsBox kLandscapePage{3840, 600, 1815, 1335};

void CheckWindowAndLayout(HWND main, HWND dialog) {
    ExpectFixedWindow(dialog, L"Options", 6000, 2520, main);
    // Off the taskbar, as an owned window without the app-window flag (a tool window would show a
    // smaller caption); modal: the main window takes no input meanwhile.
    EXPECT_EQ(::GetWindowLongPtrW(dialog, GWL_EXSTYLE) & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW), 0);
    EXPECT_FALSE(::IsWindowEnabled(main));
    ExpectControls(dialog, kLayout);
    ExpectBoxNear(InDialog(dialog, Child(dialog, opt::kRectLandscape)), kLandscapePage);

    // OK is an ordinary button, neither default nor cancel.
    EXPECT_EQ(::GetWindowLongPtrW(Child(dialog, opt::kCmdOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);

    // Tab order is the stacking order, the table's order down to OK, frames and label in their places.
    std::vector<int> stacking;
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        stacking.push_back(::GetDlgCtrlID(c));
    }
    std::vector<int> tabOrder;
    for (auto c = kLayout.begin(); c->id != opt::kShape2; ++c) tabOrder.push_back(c->id);
    ASSERT_GE(stacking.size(), tabOrder.size());
    EXPECT_EQ(std::vector<int>(stacking.begin(), stacking.begin() + tabOrder.size()), tabOrder);

    // The preview's stacking from the top: thumbnails, then pages, then the grey square.
    auto depth = [&](int id) { return std::find(stacking.begin(), stacking.end(), id) - stacking.begin(); };
    for (int thumb : {opt::kImgScreen, opt::kImgWindow}) {
        for (int page : {opt::kRectLandscape, opt::kRectPortrait}) {
            EXPECT_LT(depth(thumb), depth(page)) << thumb << " above " << page;
            EXPECT_LT(depth(page), depth(opt::kRectBackground)) << page;
        }
    }

    // The label shows the system window colour behind its text.
    ASSERT_NE(::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_BTNFACE));
    const TwipsBox label = InDialog(dialog, Child(dialog, opt::kLblPercent));
    EXPECT_TRUE(
        ScreenPixelBecomes(DialogPoint(dialog, label.left + 2 * ToTwips(1), label.top + label.height - ToTwips(2)),
                           FromColorRef(::GetSysColor(COLOR_WINDOW))));
}

struct Loaded {
    const char* name;
    const wchar_t* fields[3];  // Scope, Destination, Orientation; Percent is the one shown
    Shown shown;
};

// What the user sees of the preview: the thumbnail on top of the page on top of the grey square.
void CheckPreviewPixels(HWND dialog, const Shown& c) {
    const Pixel grey = Rgb(128, 128, 128);
    const Pixel white = Rgb(255, 255, 255);
    const TwipsBox& t = c.thumb;
    if (c.screen) {
        // The desktop's teal, near the thumbnail's right edge.
        EXPECT_TRUE(
            ScreenPixelBecomes(DialogPoint(dialog, t.left + t.width * 0.95, t.top + t.height * 0.5), Rgb(0, 128, 128)));
    } else {
        // The application window's blue title bar.
        const auto blue = [](Pixel p) { return (p >> 16) < 40 && (p & 0xFF) > 140; };
        EXPECT_TRUE(ScreenPixelBecomes(DialogPoint(dialog, t.left + t.width * 0.5, t.top + t.height * 0.1), blue));
    }
    EXPECT_TRUE(ScreenPixelBecomes(DialogPoint(dialog, 3700, 1267), grey)) << "the grey square beside any page";
    // Below the thumbnail: the page when printing, the grey square otherwise.
    const double belowY = c.portrait || !c.printer ? 2050 : 1880;
    EXPECT_TRUE(ScreenPixelBecomes(DialogPoint(dialog, 4747.5, belowY), c.printer ? white : grey));
    // Where only the landscape page reaches (beside the portrait page).
    EXPECT_TRUE(ScreenPixelBecomes(DialogPoint(dialog, 3900, 1267), c.printer && !c.portrait ? white : grey));

    // The arrows' ground: the picture's light grey while enabled. Disabled, only the arrow shows,
    // greyed, on the button face; not the grey block of the whole picture's silhouette.
    const Pixel light = Rgb(192, 192, 192);
    ASSERT_NE(FromColorRef(::GetSysColor(COLOR_BTNFACE)), light);
    const auto face = [](Pixel p) {
        return p == FromColorRef(::GetSysColor(COLOR_BTNFACE)) || p == FromColorRef(::GetSysColor(COLOR_BTNHIGHLIGHT));
    };
    for (int id : {opt::kCmdSpinUp, opt::kCmdSpinDn}) {
        const RECT r = WindowRect(Child(dialog, id));
        // Near the top-left corner of the 9 x 8 picture.
        const POINT at{(r.left + r.right) / 2 - 4, (r.top + r.bottom) / 2 - 3};
        EXPECT_TRUE(c.printer ? ScreenPixelBecomes(at, light) : ScreenPixelBecomes(at, face)) << id;
    }
}

const Loaded kSpecifiedCases[] = {
    {"printer portrait at 100", {L"1", L"1", L"P"}, {true, true, true, L"100", kPortraitAt100}},
    {"all fields empty", {L"", L"", L""}, {false, false, false, L"", kClipboardThumb}},
    {"lower-case p is landscape", {L"1", L"1", L"p"}, {true, true, false, L"100", kClipboardThumb}},
    {"blank before the 1 of Scope", {L" 1", L"1", L"P"}, {false, true, true, L"50", kPortraitAt50}},
    {"Destination with a trailing blank", {L"1", L"1 ", L"P"}, {true, false, true, L"100", kClipboardThumb}},
    {"landscape at 50 keeps trailing text", {L"2", L"1", L"L"}, {false, true, false, L"50abc", kLandscapeAt50}},
};

class OptionsDialog : public OptionsTest {
protected:
    void CheckSpecifiedCases() {
        ASSERT_NO_FATAL_FAILURE(Start());
        for (const Loaded& c : kSpecifiedCases) {
            SCOPED_TRACE(c.name);
            SetFields(main_, {c.fields[0], c.fields[1], c.fields[2], c.shown.percent});
            ASSERT_NO_FATAL_FAILURE(Show());
            if (&c == kSpecifiedCases) CheckWindowAndLayout(main_, dialog);
            ExpectShown(dialog, c.shown);
            CheckPreviewPixels(dialog, c.shown);
            // The first control in tab order that takes the focus: the selected option of the first pair.
            EXPECT_EQ(FocusOf(dialog), Child(dialog, c.shown.screen ? opt::kOptScreen : opt::kOptWindow));
            ASSERT_TRUE(CloseDialog(dialog));
        }
    }
};
class OptionsDialogAt144Dpi : public OptionsDialog {};

TEST_F(OptionsDialog, OpensAsLaidOutAndLoadsTheFields) { CheckSpecifiedCases(); }

TEST_F(OptionsDialogAt144Dpi, OpensAsLaidOutAndLoadsTheFields) {
    ASSERT_EQ(ScreenDpi(), 144);
    CheckSpecifiedCases();
}

TEST_F(OptionsDialog, TabVisitsTheSelectedOptionsThenFieldArrowsAndOK) {
    ASSERT_NO_FATAL_FAILURE(Start());
    SetFields(main_, {L"2", L"1", L"L", L"100"});
    ASSERT_NO_FATAL_FAILURE(Show());
    const int expected[] = {opt::kOptWindow, opt::kOptPrinter, opt::kOptLandscape, opt::kTxtPercent,
                            opt::kCmdSpinUp, opt::kCmdSpinDn,  opt::kCmdOK,        opt::kOptWindow};
    ASSERT_TRUE(WaitFor([&] { return FocusOf(dialog) == Child(dialog, expected[0]); }));
    for (size_t i = 1; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        PressKey(FocusOf(dialog), VK_TAB);
        EXPECT_TRUE(WaitFor([&] { return FocusOf(dialog) == Child(dialog, expected[i]); }, 3s));
    }
}

TEST_F(OptionsDialog, EnterAndEscDoNotPressOK) {
    ASSERT_NO_FATAL_FAILURE(Open());
    // A changed choice that OK would write.
    Click(Child(dialog, opt::kOptWindow));
    ASSERT_TRUE(WaitFor([&] { return IsChecked(Child(dialog, opt::kOptWindow)); }));
    for (HWND control : {Child(dialog, opt::kOptWindow), field}) {
        PostMouseClick(control);
        PressKey(control, VK_RETURN);
        PressKey(control, VK_ESCAPE);
        Sync(dialog);
    }
    EXPECT_TRUE(::IsWindow(dialog) && ::IsWindowVisible(dialog));
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtScope), L"1");
}

}  // namespace
}  // namespace kestrel::e2e
