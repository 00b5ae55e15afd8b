// The Options dialog as it opens: its window, its controls and their layout in twips, and how it
// fills itself from the main window's four settings fields. The same checks run at 96 and 144 dpi.
#include "tests/e2e/options_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kestrel::e2e {
namespace {

using OptionsDialog = KestrelTest;
using OptionsDialogAt144Dpi = KestrelTest;

struct LaidOut {
    int id;
    const wchar_t* windowClass;
    const wchar_t* caption;  // nullptr: not looked at
    int frame;               // the frame the control lies in, 0 for the dialog
    TwipsBox box;
};

const LaidOut kLayout[] = {
    {opt::kFrame1, L"Button", L"What to Capture", 0, {120, 120, 1575, 855}},
    {opt::kOptScreen, L"Button", L"Entire Screen", opt::kFrame1, {120, 240, 1335, 255}},
    {opt::kOptWindow, L"Button", L"Active Window", opt::kFrame1, {120, 480, 1425, 255}},
    {opt::kFrame2, L"Button", L"Image Destination", 0, {120, 1080, 1575, 855}},
    {opt::kOptPrinter, L"Button", L"Direct to Printer", opt::kFrame2, {120, 240, 1425, 255}},
    {opt::kOptClipboard, L"Button", L"Clipboard", opt::kFrame2, {120, 480, 1215, 255}},
    {opt::kFrame3, L"Button", L"Orientation", 0, {1800, 120, 1575, 855}},
    {opt::kOptPortrait, L"Button", L"Portrait", opt::kFrame3, {120, 240, 1335, 255}},
    {opt::kOptLandscape, L"Button", L"Landscape", opt::kFrame3, {120, 480, 1335, 255}},
    {opt::kLblPercent, L"Static", L"Image size (%)", 0, {2070, 1185, 1155, 255}},
    {opt::kTxtPercent, L"Edit", nullptr, 0, {2235, 1500, 495, 285}},
    {opt::kCmdSpinUp, L"Button", L"Increase image size", 0, {2880, 1450, 200, 195}},
    {opt::kCmdSpinDn, L"Button", L"Decrease image size", 0, {2880, 1650, 200, 195}},
    {opt::kCmdOK, L"Button", L"OK", 0, {1320, 2040, 855, 375}},
    {opt::kShape2, nullptr, nullptr, 0, {2830, 1430, 290, 445}},
    {opt::kRectBackground, nullptr, nullptr, 0, {3600, 120, 2295, 2295}},
    {opt::kRectLandscape, nullptr, nullptr, 0, {3840, 600, 1815, 1335}},
    {opt::kRectPortrait, nullptr, nullptr, 0, {4080, 360, 1335, 1815}},
};

std::vector<int> StackingFromTop(HWND dialog) {
    std::vector<int> ids;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ids.push_back(::GetDlgCtrlID(child));
    }
    return ids;
}

bool SameColour(COLORREF a, COLORREF b) { return a == b; }

// The dialog paints its controls one by one after it appears: give it a moment to get there.
COLORREF PixelOnceItIs(HWND dialog, double xTwips, double yTwips, COLORREF expected) {
    COLORREF seen = CLR_INVALID;
    WaitFor([&] { return (seen = DialogPixel(dialog, xTwips, yTwips)) == expected; }, std::chrono::milliseconds(3000));
    return seen;
}

bool IsWindowTitleBlue(COLORREF c) { return GetRValue(c) < 40 && GetBValue(c) > 140; }

void CheckWindowAndLayout(const KestrelProcess& kestrel, HWND dialog) {
    HWND main = kestrel.Main();
    EXPECT_EQ(WindowText(dialog), L"Options");
    RECT client{};
    ::GetClientRect(dialog, &client);
    EXPECT_NEAR(ToTwips(client.right), 6000, OnePixelTwips());
    EXPECT_NEAR(ToTwips(client.bottom), 2520, OnePixelTwips());

    const LONG_PTR style = ::GetWindowLongPtrW(dialog, GWL_STYLE);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU) << "the close command";
    EXPECT_FALSE(style & WS_THICKFRAME) << "fixed single border";
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    // Off the taskbar: an owned window without the app-window flag; a tool window would show a
    // smaller caption.
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), main);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_TOOLWINDOW);

    // Centred on its owner, the main window.
    const RECT d = WindowRect(dialog);
    const RECT m = WindowRect(main);
    EXPECT_NEAR((d.left + d.right) / 2, (m.left + m.right) / 2, 2);
    EXPECT_NEAR((d.top + d.bottom) / 2, (m.top + m.bottom) / 2, 2);

    // Modal: the main window takes no input while the dialog is open.
    EXPECT_FALSE(::IsWindowEnabled(main));

    for (const LaidOut& c : kLayout) {
        SCOPED_TRACE(c.id);
        HWND control = Child(dialog, c.id);
        ASSERT_NE(control, nullptr);
        if (c.windowClass) EXPECT_EQ(ClassName(control), c.windowClass);
        if (c.caption) EXPECT_EQ(WindowText(control), c.caption);
        ExpectBoxNear(c.frame ? InFrame(Child(dialog, c.frame), control) : InDialog(dialog, control), c.box);
    }

    // The spin arrows are pictures; OK is an ordinary button, neither default nor cancel.
    for (int id : {opt::kCmdSpinUp, opt::kCmdSpinDn}) {
        HWND spin = Child(dialog, id);
        EXPECT_TRUE(::GetWindowLongPtrW(spin, GWL_STYLE) & BS_BITMAP) << id;
        EXPECT_NE(::SendMessageW(spin, BM_GETIMAGE, IMAGE_BITMAP, 0), 0) << id;
    }
    EXPECT_EQ(::GetWindowLongPtrW(Child(dialog, opt::kCmdOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);

    // Tab order is the stacking order of the focusable controls; frames and the label sit in
    // their places in it but take no focus.
    const std::vector<int> stacking = StackingFromTop(dialog);
    const std::vector<int> tabOrder = {opt::kFrame1,       opt::kOptScreen,    opt::kOptWindow,  opt::kFrame2,
                                       opt::kOptPrinter,   opt::kOptClipboard, opt::kFrame3,     opt::kOptPortrait,
                                       opt::kOptLandscape, opt::kLblPercent,   opt::kTxtPercent, opt::kCmdSpinUp,
                                       opt::kCmdSpinDn,    opt::kCmdOK};
    ASSERT_GE(stacking.size(), tabOrder.size());
    EXPECT_EQ(std::vector<int>(stacking.begin(), stacking.begin() + tabOrder.size()), tabOrder);
    for (int id : {opt::kFrame1, opt::kFrame2, opt::kFrame3, opt::kLblPercent}) {
        EXPECT_FALSE(::GetWindowLongPtrW(Child(dialog, id), GWL_STYLE) & WS_TABSTOP) << id;
    }
    for (int id : {opt::kTxtPercent, opt::kCmdSpinUp, opt::kCmdSpinDn, opt::kCmdOK}) {
        EXPECT_TRUE(::GetWindowLongPtrW(Child(dialog, id), GWL_STYLE) & WS_TABSTOP) << id;
    }

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
    EXPECT_TRUE(WaitFor(
        [&] {
            return SameColour(DialogPixel(dialog, label.left + 2 * ToTwips(1), label.top + label.height - ToTwips(2)),
                              ::GetSysColor(COLOR_WINDOW));
        },
        std::chrono::milliseconds(3000)));
}

struct Loaded {
    const char* name;
    const wchar_t* scope;
    const wchar_t* destination;
    const wchar_t* orientation;
    const wchar_t* percent;
    bool screen, printer, portrait;
    TwipsBox thumb;
};

const TwipsBox kClipboardThumb{3960, 717, 1560, 1070};

void CheckLoadedState(HWND dialog, const Loaded& c) {
    EXPECT_EQ(IsChecked(Child(dialog, opt::kOptScreen)), c.screen);
    EXPECT_EQ(IsChecked(Child(dialog, opt::kOptWindow)), !c.screen);
    EXPECT_EQ(IsChecked(Child(dialog, opt::kOptPrinter)), c.printer);
    EXPECT_EQ(IsChecked(Child(dialog, opt::kOptClipboard)), !c.printer);
    EXPECT_EQ(IsChecked(Child(dialog, opt::kOptPortrait)), c.portrait);
    EXPECT_EQ(IsChecked(Child(dialog, opt::kOptLandscape)), !c.portrait);
    EXPECT_EQ(WindowText(Child(dialog, opt::kTxtPercent)), c.percent) << "shown unchanged";

    ExpectSizeControlsEnabled(dialog, c.printer);
    for (int id : {opt::kFrame3, opt::kLblPercent, opt::kShape2, opt::kOptScreen, opt::kOptWindow, opt::kOptPrinter,
                   opt::kOptClipboard, opt::kCmdOK}) {
        EXPECT_TRUE(::IsWindowEnabled(Child(dialog, id))) << id << " is never disabled";
    }

    EXPECT_EQ(::IsWindowVisible(Child(dialog, opt::kRectPortrait)) != FALSE, c.printer && c.portrait);
    EXPECT_EQ(::IsWindowVisible(Child(dialog, opt::kRectLandscape)) != FALSE, c.printer && !c.portrait);
    EXPECT_TRUE(::IsWindowVisible(Child(dialog, opt::kRectBackground)));
    EXPECT_TRUE(::IsWindowVisible(Child(dialog, opt::kShape2)));
    HWND shown = Child(dialog, c.screen ? opt::kImgScreen : opt::kImgWindow);
    HWND hidden = Child(dialog, c.screen ? opt::kImgWindow : opt::kImgScreen);
    EXPECT_TRUE(::IsWindowVisible(shown));
    EXPECT_FALSE(::IsWindowVisible(hidden));
    ExpectBoxNear(InDialog(dialog, shown), c.thumb);
    if (!c.printer) ExpectBoxNear(InDialog(dialog, hidden), kClipboardThumb);
}

// What the user sees of the preview: the thumbnail on top of the page on top of the grey square.
void CheckPreviewPixels(HWND dialog, const Loaded& c) {
    const COLORREF grey = RGB(128, 128, 128);
    const COLORREF white = RGB(255, 255, 255);
    const TwipsBox& t = c.thumb;
    if (c.screen) {
        // The desktop's teal, near the thumbnail's right edge.
        EXPECT_TRUE(WaitFor(
            [&] {
                return SameColour(DialogPixel(dialog, t.left + t.width * 0.95, t.top + t.height * 0.5),
                                  RGB(0, 128, 128));
            },
            std::chrono::milliseconds(3000)));
    } else {
        // The application window's blue title bar.
        EXPECT_TRUE(WaitFor(
            [&] { return IsWindowTitleBlue(DialogPixel(dialog, t.left + t.width * 0.5, t.top + t.height * 0.1)); },
            std::chrono::milliseconds(3000)));
    }
    EXPECT_EQ(PixelOnceItIs(dialog, 3700, 1267, grey), grey) << "the grey square beside any page";
    // Below the thumbnail: the page when printing, the grey square otherwise.
    const double belowX = 4747.5;
    const double belowY = c.portrait || !c.printer ? 2050 : 1880;
    const COLORREF below = c.printer ? white : grey;
    EXPECT_EQ(PixelOnceItIs(dialog, belowX, belowY, below), below);
    // Where only the landscape page reaches (beside the portrait page).
    const COLORREF beside = c.printer && !c.portrait ? white : grey;
    EXPECT_EQ(PixelOnceItIs(dialog, 3900, 1267, beside), beside);

    // The arrows' ground: the picture's light grey while enabled. Disabled, only the arrow shows,
    // greyed, on the button face; not the grey block of the whole picture's silhouette.
    ASSERT_NE(::GetSysColor(COLOR_BTNFACE), RGB(192, 192, 192));
    for (int id : {opt::kCmdSpinUp, opt::kCmdSpinDn}) {
        const RECT r = WindowRect(Child(dialog, id));
        const int x = (r.left + r.right) / 2 - 4;  // near the top-left corner of the 9 x 8 picture
        const int y = (r.top + r.bottom) / 2 - 3;
        COLORREF ground = CLR_INVALID;
        WaitFor(
            [&] {
                ground = ScreenPixel(x, y);
                return c.printer
                           ? ground == RGB(192, 192, 192)
                           : ground == ::GetSysColor(COLOR_BTNFACE) || ground == ::GetSysColor(COLOR_BTNHIGHLIGHT);
            },
            std::chrono::milliseconds(3000));
        if (c.printer) {
            EXPECT_EQ(ground, RGB(192, 192, 192)) << id;
        } else {
            EXPECT_TRUE(ground == ::GetSysColor(COLOR_BTNFACE) || ground == ::GetSysColor(COLOR_BTNHIGHLIGHT))
                << id << ": " << std::hex << ground;
        }
    }
}

const Loaded kSpecifiedCases[] = {
    {"printer portrait at 100", L"1", L"1", L"P", L"100", true, true, true, {4150, 440, 1180, 800}},
    {"all fields empty", L"", L"", L"", L"", false, false, false, kClipboardThumb},
    {"lower-case p is landscape", L"1", L"1", L"p", L"100", true, true, false, {3960, 717, 1560, 1070}},
    {"blank before the 1 of Scope", L" 1", L"1", L"P", L"50", false, true, true, {4150, 440, 590, 400}},
    {"Destination with a trailing blank", L"1", L"1 ", L"P", L"100", true, false, true, kClipboardThumb},
    {"landscape at 50 keeps trailing text", L"2", L"1", L"L", L"50abc", false, true, false, {3960, 717, 780, 535}},
};

void CheckSpecifiedCases(const KestrelProcess& kestrel) {
    HWND main = kestrel.Main();
    bool layoutChecked = false;
    for (const Loaded& c : kSpecifiedCases) {
        SCOPED_TRACE(c.name);
        HWND dialog = OpenOptions(kestrel, c.scope, c.destination, c.orientation, c.percent);
        ASSERT_NE(dialog, nullptr);
        if (!layoutChecked) {
            CheckWindowAndLayout(kestrel, dialog);
            layoutChecked = true;
        }
        CheckLoadedState(dialog, c);
        CheckPreviewPixels(dialog, c);
        // The first control in tab order that takes the focus: the selected option of the first pair.
        EXPECT_EQ(FocusOf(dialog), Child(dialog, c.screen ? opt::kOptScreen : opt::kOptWindow));

        ASSERT_TRUE(CloseDialog(dialog));
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main) != FALSE; })) << "modal show ended";
    }
}

TEST_F(OptionsDialog, OpensAsLaidOutAndLoadsTheFields) {
    ASSERT_NO_FATAL_FAILURE(Start());
    CheckSpecifiedCases(kestrel_);
}

TEST_F(OptionsDialogAt144Dpi, OpensAsLaidOutAndLoadsTheFields) {
    ASSERT_EQ(ScreenDpi(), 144);
    ASSERT_NO_FATAL_FAILURE(Start());
    CheckSpecifiedCases(kestrel_);
}

TEST_F(OptionsDialog, TabVisitsTheSelectedOptionsThenFieldArrowsAndOK) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND dialog = OpenOptions(kestrel_, L"2", L"1", L"L", L"100");
    ASSERT_NE(dialog, nullptr);
    const int expected[] = {opt::kOptWindow, opt::kOptPrinter, opt::kOptLandscape, opt::kTxtPercent,
                            opt::kCmdSpinUp, opt::kCmdSpinDn,  opt::kCmdOK,        opt::kOptWindow};
    ASSERT_TRUE(WaitFor([&] { return FocusOf(dialog) == Child(dialog, expected[0]); }));
    for (size_t i = 1; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        PressKey(FocusOf(dialog), VK_TAB);
        EXPECT_TRUE(
            WaitFor([&] { return FocusOf(dialog) == Child(dialog, expected[i]); }, std::chrono::milliseconds(3000)));
    }
}

TEST_F(OptionsDialog, EnterAndEscDoNotPressOK) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND dialog = OpenOptions(kestrel_, L"1", L"1", L"P", L"100");
    ASSERT_NE(dialog, nullptr);
    // A changed choice that OK would write.
    Click(Child(dialog, opt::kOptWindow));
    ASSERT_TRUE(WaitFor([&] { return IsChecked(Child(dialog, opt::kOptWindow)); }));
    for (int id : {opt::kOptWindow, opt::kTxtPercent}) {
        ::PostMessageW(Child(dialog, id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::PostMessageW(Child(dialog, id), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        PressKey(Child(dialog, id), VK_RETURN);
        PressKey(Child(dialog, id), VK_ESCAPE);
        Sync(dialog);
    }
    EXPECT_TRUE(::IsWindow(dialog) && ::IsWindowVisible(dialog));
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtScope), L"1");
}

}  // namespace
}  // namespace kestrel::e2e
