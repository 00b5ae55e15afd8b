// The About window as a user meets it: opened modal from the main window's About button (its
// layout, its texts and help list read from outside, the ways to close it), and modeless from the
// notification-area menu, alone while the main window sits in the tray, one window at most.
#include "about/fmAbout_ids.h"
#include "about/help_text.h"
#include "app/fmMain_ids.h"
#include "tests/e2e/pixels.h"
#include "tests/e2e/tray_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

namespace kestrel::e2e {
namespace {

// The About window of that Kestrel, if one is shown.
HWND FindAbout(const KestrelProcess& kestrel) { return kestrel.FindTopLevel(ids::fmAbout::kWindowClass); }

// Every About window of that Kestrel, shown or not.
std::vector<HWND> AllAboutWindows(const KestrelProcess& kestrel) {
    return kestrel.TopLevels(ids::fmAbout::kWindowClass, false);
}

HWND WaitForAbout(const KestrelProcess& kestrel) {
    HWND about = nullptr;
    WaitFor([&] { return (about = FindAbout(kestrel)) != nullptr; });
    return about;
}

bool WaitForAboutGone(const KestrelProcess& kestrel) {
    return WaitFor([&] { return AllAboutWindows(kestrel).empty(); });
}

// The items of a list box of another process. Wine answers LB_GETTEXT in UTF-16 whatever the
// caller's character set, so ask for the wide text with room to spare.
std::vector<std::wstring> ListItems(HWND list) {
    std::vector<std::wstring> items;
    DWORD_PTR count = 0;
    if (!::SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count)) return items;
    for (DWORD_PTR i = 0; i < count; ++i) {
        std::wstring text(4096, L'\0');
        DWORD_PTR length = 0;
        ::SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                              &length);
        text.resize(static_cast<LRESULT>(length) == LB_ERR ? 0 : static_cast<size_t>(length));
        items.push_back(text);
    }
    return items;
}

int OnePixel() { return ToTwips(1) + 1; }

std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

// The help list as the user has to see it. The COPYRIGHT and AUTHOR lines are the program's own
// wording, so those eight come from the program's help text; everything else is fixed here.
std::vector<std::wstring> ExpectedHelpList() {
    std::vector<std::wstring> items = {
        L"INSTRUCTIONS",
        L"1. Launch Kestrel by clicking the Start menu button, then Programs, the",
        L"   Kestrel group, and the Kestrel icon.",
        L" ",
        L"2. Click the Options button, and select the desired options for the",
        L"   captured screen. (Note that the Percent box indicates the percent of",
        L"   printable area the final image will take up, and the Portrait/Landscape",
        L"   option applies only to printed output).",
        L" ",
        L"3. Click the OK button.",
        L" ",
        L"4. When you are ready, click the CAPTURE button. If you selected in Options",
        L"   to capture to the clipboard, the screen capture will be in the clipboard.",
        L"   If you selected to capture to direct to printer, the screen capture should",
        L"   begin to print directly to the default Windows printer.",
        L" ",
        L"Minimize Button (New in version 0.4.0)",
        L"   The minimize button drops Kestrel into the System Tray. Once in the system",
        L"   tray, you can perform all major functions by right-clicking on the system",
        L"   tray icon, then left-clicking on the funtion to perform from the pop-up",
        L"   menu.",
        L" ",
        L"SYSTEM REQUIREMENTS",
        L"Kestrel requires Windows 98 SE or higher. Hard disk and memory requirements",
        L"are negligible (Approximately 3.6 Mb of disk space for the application and",
        L"all libraries, and 2.6 Mb of physical RAM when running). A printer installed",
        L"and set as the Windows default printer is required for capturing directly to",
        L"a printer.",
        L" ",
        L"COPYRIGHT",
    };
    for (std::size_t i = 30; i < 34; ++i) items.push_back(Wide(HelpItems()[i]));
    items.push_back(L" ");
    items.push_back(L"AUTHOR");
    for (std::size_t i = 36; i < 40; ++i) items.push_back(Wide(HelpItems()[i]));
    return items;
}

HWND OpenFromButton(const KestrelProcess& kestrel) {
    Click(Child(kestrel.Main(), ids::fmMain::kCmdAbout));
    return WaitForAbout(kestrel);
}

struct TwipsBox {
    int left;
    int top;
    int width;
    int height;
};

// A control's rectangle in twips, relative to the About window's client area.
TwipsBox TwipsOf(HWND about, HWND control) {
    const RECT origin = ClientRectOnScreen(about);
    const RECT r = WindowRect(control);
    return {ToTwips(r.left - origin.left), ToTwips(r.top - origin.top), ToTwips(r.right - r.left),
            ToTwips(r.bottom - r.top)};
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
    return text;
}

// What a left-aligned label of that size shows with that font, on the dialog face colour.
Image LabelPixels(int width, int height, const std::wstring& text, const wchar_t* face, double points, int weight,
                  bool italic, BYTE family) {
    return Render(width, height, ::GetSysColor(COLOR_BTNFACE), [&](HDC memory, HDC) {
        RECT all{0, 0, width, height};
        LOGFONTW lf{};
        lf.lfHeight = -static_cast<LONG>(std::lround(points * ScreenDpi() / 72.0));
        lf.lfWeight = weight;
        lf.lfItalic = italic;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfPitchAndFamily = family;
        lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
        HFONT font = ::CreateFontIndirectW(&lf);
        HGDIOBJ old = ::SelectObject(memory, font);
        ::SetTextColor(memory, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(memory, ::GetSysColor(COLOR_BTNFACE));
        ::DrawTextW(memory, text.c_str(), -1, &all, DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX);
        ::SelectObject(memory, old);
        ::DeleteObject(font);
    });
}

struct ControlLayout {
    int id;
    const wchar_t* windowClass;
    const wchar_t* text;  // nullptr: no text to check
    TwipsBox box;
};

const ControlLayout kLayout[] = {
    {ids::fmAbout::kPicture1, nullptr, nullptr, {120, 240, 615, 615}},
    {ids::fmAbout::kLabel1, L"static", L"Kestrel", {840, 120, 2295, 735}},
    {ids::fmAbout::kLblverLabel, L"static", L"  Version:", {4320, 210, 720, 240}},
    {ids::fmAbout::kLabel3, L"static", L"  0.4.1", {4395, 450, 585, 225}},
    {ids::fmAbout::kLabel2,
     L"static",
     L"Lightweight Screen Capture Utility for Windows 98SE, NT, 2000, XP",
     {120, 840, 5775, 255}},
    {ids::fmAbout::kLstInfo, L"listbox", nullptr, {90, 1350, 5865, 1035}},
    {ids::fmAbout::kCmdOK, L"button", L"OK", {2640, 2520, 735, 375}},
};

void ExpectLaidOut(const KestrelProcess& kestrel, HWND about) {
    EXPECT_EQ(WindowText(about), L"About");
    RECT client{};
    ::GetClientRect(about, &client);
    EXPECT_NEAR(ToTwips(client.right), 6075, OnePixel());
    EXPECT_NEAR(ToTwips(client.bottom), 2940, OnePixel());

    const LONG_PTR style = ::GetWindowLongPtrW(about, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU) << "the close box";
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(::GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_APPWINDOW) << "listed in the taskbar";
    EXPECT_EQ(::GetWindow(about, GW_OWNER), nullptr) << "callers give no owner";

    const RECT window = WindowRect(about);
    EXPECT_NEAR((window.left + window.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 2) << "centred on the screen";
    EXPECT_NEAR((window.top + window.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 2);

    for (const ControlLayout& expected : kLayout) {
        SCOPED_TRACE(expected.id);
        HWND control = Child(about, expected.id);
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(::IsWindowVisible(control));
        if (expected.windowClass) EXPECT_EQ(Lower(ClassName(control)), expected.windowClass);
        if (expected.text) EXPECT_EQ(WindowText(control), expected.text);
        const TwipsBox box = TwipsOf(about, control);
        EXPECT_NEAR(box.left, expected.box.left, OnePixel());
        EXPECT_NEAR(box.top, expected.box.top, OnePixel());
        EXPECT_NEAR(box.width, expected.box.width, OnePixel());
        EXPECT_NEAR(box.height, expected.box.height, OnePixel());
    }

    // The rule: one pixel high, from the left edge across 6000 twips at 1200 twips down.
    HWND line = Child(about, ids::fmAbout::kLine1);
    ASSERT_NE(line, nullptr);
    const TwipsBox rule = TwipsOf(about, line);
    EXPECT_NEAR(rule.left, 0, OnePixel());
    EXPECT_NEAR(rule.top, 1200, OnePixel());
    EXPECT_NEAR(rule.width, 6000, OnePixel());
    const RECT lineRect = WindowRect(line);
    EXPECT_EQ(lineRect.bottom - lineRect.top, 1);

    // Keyboard: OK has the focus, Tab goes on to the list and back to OK; the icon box does nothing
    // and takes no focus.
    HWND ok = Child(about, ids::fmAbout::kCmdOK);
    HWND list = Child(about, ids::fmAbout::kLstInfo);
    EXPECT_TRUE(WaitFor([&] { return FocusOf(about) == ok; }, 5s)) << "OK has the focus";
    EXPECT_EQ(::GetNextDlgTabItem(about, ok, FALSE), list);
    EXPECT_EQ(::GetNextDlgTabItem(about, list, FALSE), ok);
    EXPECT_FALSE(::GetWindowLongPtrW(Child(about, ids::fmAbout::kPicture1), GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(::GetWindowLongPtrW(ok, GWL_STYLE) & BS_DEFPUSHBUTTON) << "OK is not the window's default button";
}

void ExpectDrawnAsLaidOut(HWND about) {
    // The icon at its own 32 x 32 pixels in the top-left corner of the icon box.
    RECT box = WindowRect(Child(about, ids::fmAbout::kPicture1));
    EXPECT_TRUE(ScreenShows(RECT{box.left, box.top, box.left + 32, box.top + 32},
                            IconImage(ProgramIcon(32), 32, ::GetSysColor(COLOR_BTNFACE))))
        << "icon";

    struct LabelFont {
        int id;
        const wchar_t* face;
        double points;
        int weight;
        bool italic;
        BYTE family;
    };
    const LabelFont fonts[] = {
        {ids::fmAbout::kLabel1, L"Times New Roman", 27.75, FW_BOLD, true, DEFAULT_PITCH | FF_ROMAN},
        {ids::fmAbout::kLabel2, L"Times New Roman", 9.75, FW_NORMAL, true, DEFAULT_PITCH | FF_ROMAN},
        {ids::fmAbout::kLblverLabel, L"MS Shell Dlg 2", 8.0, FW_NORMAL, false, DEFAULT_PITCH | FF_DONTCARE},
        {ids::fmAbout::kLabel3, L"MS Shell Dlg 2", 8.0, FW_NORMAL, false, DEFAULT_PITCH | FF_DONTCARE},
    };
    for (const LabelFont& font : fonts) {
        SCOPED_TRACE(font.id);
        HWND label = Child(about, font.id);
        const RECT r = WindowRect(label);
        const Image expected = LabelPixels(r.right - r.left, r.bottom - r.top, WindowText(label), font.face,
                                           font.points, font.weight, font.italic, font.family);
        EXPECT_TRUE(ScreenShows(r, expected));
    }
}

class AboutLayout : public KestrelTest {
protected:
    void LooksAsLaidOut() {
        ASSERT_NO_FATAL_FAILURE(Start());
        HWND about = OpenFromButton(kestrel_);
        ASSERT_NE(about, nullptr) << "the About button opens the About window";
        ExpectLaidOut(kestrel_, about);
        ExpectDrawnAsLaidOut(about);
    }
};
using AboutWindow = AboutLayout;
using AboutWindowAt144Dpi = AboutLayout;

TEST_F(AboutWindow, LooksAsLaidOut) { LooksAsLaidOut(); }

// On a scaled display the layout grows with the DPI; the icon keeps its own 32 x 32 pixels.
TEST_F(AboutWindowAt144Dpi, LooksAsLaidOut) {
    ASSERT_EQ(ScreenDpi(), 144);
    LooksAsLaidOut();
}

TEST_F(AboutWindow, ListHoldsTheFortyHelpItems) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND about = OpenFromButton(kestrel_);
    ASSERT_NE(about, nullptr);
    HWND list = Child(about, ids::fmAbout::kLstInfo);
    const std::vector<std::wstring> expected = ExpectedHelpList();
    const std::vector<std::wstring> items = ListItems(list);
    ASSERT_EQ(items.size(), 40u);
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i], expected[i]) << "item " << i + 1;

    EXPECT_EQ(SendTo(list, LB_GETCURSEL), LB_ERR) << "no item is selected";
    EXPECT_EQ(SendTo(list, LB_GETTOPINDEX), 0) << "the list shows from its first item";
    EXPECT_TRUE(::GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL) << "the list is longer than the box and scrolls";
    EXPECT_FALSE(::GetWindowLongPtrW(list, GWL_STYLE) & LBS_SORT);
}

TEST_F(AboutWindow, OkAndTheCloseBoxUnloadItAndTheNextShowingStartsAfresh) {
    enum class CloseBy { OkButton, CloseBox };
    const CloseBy rounds[] = {CloseBy::OkButton, CloseBy::OkButton, CloseBy::CloseBox, CloseBy::CloseBox};
    ASSERT_NO_FATAL_FAILURE(Start());
    int round = 0;
    for (CloseBy way : rounds) {
        const char* how = way == CloseBy::OkButton ? ", OK" : ", close box";
        SCOPED_TRACE(::testing::Message() << "showing " << ++round << how);
        HWND about = OpenFromButton(kestrel_);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(AllAboutWindows(kestrel_).size(), 1u);
        EXPECT_EQ(ListItems(Child(about, ids::fmAbout::kLstInfo)).size(), 40u) << "filled once per showing";
        EXPECT_FALSE(::IsWindowEnabled(main_)) << "modal: the main window takes no input";

        if (way == CloseBy::OkButton) {
            Click(Child(about, ids::fmAbout::kCmdOK));
        } else {
            ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        ASSERT_TRUE(WaitForAboutGone(kestrel_)) << "the window is unloaded, not hidden";
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }, 5s))
            << "the main window takes input again";
        EXPECT_TRUE(kestrel_.Running()) << "closing About never ends the program";
        EXPECT_TRUE(::IsWindowVisible(main_));
    }
}

TEST_F(AboutWindow, EnterAndSpaceOnTheFocusedOkCloseItEscapeDoesNothing) {
    struct KeyCase {
        const char* name;
        UINT key;
        bool closes;
    };
    const KeyCase cases[] = {{"Escape", VK_ESCAPE, false}, {"Enter", VK_RETURN, true}, {"Space", VK_SPACE, true}};
    ASSERT_NO_FATAL_FAILURE(Start());
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        HWND about = FindAbout(kestrel_);
        if (!about) about = OpenFromButton(kestrel_);
        ASSERT_NE(about, nullptr);
        HWND ok = Child(about, ids::fmAbout::kCmdOK);
        HWND list = Child(about, ids::fmAbout::kLstInfo);
        ASSERT_TRUE(WaitFor([&] { return FocusOf(about) == ok; }, 5s));

        PressKey(ok, c.key);
        if (c.closes) {
            EXPECT_TRUE(WaitForAboutGone(kestrel_));
            continue;
        }
        // Queued behind the key: once the list has scrolled, the key has been dealt with.
        ::PostMessageW(list, LB_SETTOPINDEX, 5, 0);
        ASSERT_TRUE(WaitFor([&] { return SendTo(list, LB_GETTOPINDEX) == 5; }, 5s));
        ::Sleep(200);
        EXPECT_EQ(FindAbout(kestrel_), about) << "the window stays open";
        EXPECT_FALSE(::IsWindowEnabled(kestrel_.Main())) << "and stays modal";
    }
    EXPECT_TRUE(kestrel_.Running());
}

// ---------------------------------------------------------------------------------------------
// From the notification-area menu

using AboutFromTray = KestrelTest;

// Releases the right button over the icon, as the shell reports it, and clicks an item of the menu
// that pops up at its place in the menu window (in screen coordinates, as a tracked menu expects).
bool ChooseFromTrayMenu(const KestrelProcess& kestrel, MenuItem item) {
    PostShellCallback(kestrel.Main(), WM_RBUTTONUP);
    HWND menu = WaitForMenu(kestrel);
    if (!menu) return false;
    const POINT centre = MenuItemCentre(menu, item);
    const LPARAM at = MAKELPARAM(centre.x, centre.y);
    ::PostMessageW(menu, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(menu, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(menu, WM_LBUTTONUP, 0, at);
    return WaitFor([&] { return !MenuIsUp(kestrel); }, 5s);
}

TEST_F(AboutFromTray, ShowsAloneAndModelessAndClosingLeavesKestrelInTheTray) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(MinimizeToTray(kestrel_)) << "the tray icon did not appear";

    for (const bool byCloseBox : {false, true}) {
        SCOPED_TRACE(byCloseBox ? "closed with the close box" : "closed with OK");
        ASSERT_TRUE(ChooseFromTrayMenu(kestrel_, MenuItem::About)) << "the tray menu did not appear";
        HWND about = WaitForAbout(kestrel_);
        ASSERT_NE(about, nullptr) << "About from the tray menu opens the About window";
        EXPECT_EQ(WindowText(about), L"About");
        EXPECT_EQ(kestrel_.TopLevels(), std::vector<HWND>{about}) << "shown alone; the main window stays hidden";
        EXPECT_TRUE(::IsWindowEnabled(main_)) << "modeless: nothing is disabled";
        EXPECT_EQ(::GetWindow(about, GW_OWNER), nullptr);
        EXPECT_EQ(ListItems(Child(about, ids::fmAbout::kLstInfo)).size(), 40u);
        EXPECT_TRUE(WaitFor([&] { return FocusOf(about) == Child(about, ids::fmAbout::kCmdOK); }, 5s));

        if (byCloseBox) {
            ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            Click(Child(about, ids::fmAbout::kCmdOK));
        }
        ASSERT_TRUE(WaitForAboutGone(kestrel_));
        // The program would end on a quit message of its own; give it the time to arrive.
        ::Sleep(300);
        EXPECT_TRUE(kestrel_.Running()) << "closing About never ends the program, also not from the tray";
        EXPECT_FALSE(::IsWindowVisible(main_)) << "the main window stays in the tray";
        EXPECT_TRUE(ShellHasIcon(main_)) << "the icon stays up";
    }
}

TEST_F(AboutFromTray, OneAboutWindowAtMost) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(MinimizeToTray(kestrel_)) << "the tray icon did not appear";
    ASSERT_TRUE(ChooseFromTrayMenu(kestrel_, MenuItem::About)) << "the tray menu did not appear";
    HWND about = WaitForAbout(kestrel_);
    ASSERT_NE(about, nullptr);
    HWND list = Child(about, ids::fmAbout::kLstInfo);
    // A mark a fresh window or a refilled list would not have.
    SendTo(list, LB_SETTOPINDEX, 5);
    ASSERT_EQ(SendTo(list, LB_GETTOPINDEX), 5);

    // Asked again from the tray: the open window is shown again, neither created nor filled anew.
    ASSERT_TRUE(ChooseFromTrayMenu(kestrel_, MenuItem::About)) << "the tray menu did not appear";
    ::Sleep(300);
    EXPECT_EQ(AllAboutWindows(kestrel_), std::vector<HWND>{about});
    EXPECT_EQ(SendTo(list, LB_GETTOPINDEX), 5) << "the list was not filled again";
    EXPECT_EQ(ListItems(list).size(), 40u);

    // Restored, the main window's About button asks for a modal About while the modeless one is
    // open: the open window comes forward instead, and nothing goes modal.
    ASSERT_TRUE(ChooseFromTrayMenu(kestrel_, MenuItem::Restore)) << "the tray menu did not appear";
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_) != FALSE; }, 5s));
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == main_; }, 5s)) << "the restored window is in front";
    Click(Child(main_, ids::fmMain::kCmdAbout));
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == about; }, 5s)) << "the open About comes forward";
    ::Sleep(300);
    EXPECT_EQ(AllAboutWindows(kestrel_), std::vector<HWND>{about});
    EXPECT_EQ(SendTo(list, LB_GETTOPINDEX), 5);
    EXPECT_TRUE(::IsWindowEnabled(main_)) << "a window already open modeless does not turn modal";

    Click(Child(about, ids::fmAbout::kCmdOK));
    ASSERT_TRUE(WaitForAboutGone(kestrel_));
    EXPECT_TRUE(kestrel_.Running());
    EXPECT_TRUE(::IsWindowVisible(main_));
    EXPECT_TRUE(::IsWindowEnabled(main_));
}

}  // namespace
}  // namespace kestrel::e2e
