// The About window as a user meets it: modal from the main window's About button, modeless from
// the tray menu, one window at most.
#include "about/fmAbout_ids.h"
#include "about/help_text.h"
#include "tests/e2e/layout_support.h"
#include "tests/e2e/tray_support.h"

#include <algorithm>
#include <cmath>

namespace kestrel::e2e {
namespace {

using namespace ids::fmAbout;

HWND FindAbout(const KestrelProcess& k) { return k.FindTopLevel(kWindowClass); }
HWND WaitForAbout(const KestrelProcess& k) {
    return WaitFor([&] { return FindAbout(k); }) ? FindAbout(k) : nullptr;
}
// Shown or not.
std::vector<HWND> AllAboutWindows(const KestrelProcess& k) { return k.TopLevels(kWindowClass, false); }
bool WaitForAboutGone(const KestrelProcess& k) {
    return WaitFor([&] { return AllAboutWindows(k).empty(); });
}

HWND OpenFromButton(const KestrelProcess& kestrel) {
    Click(Child(kestrel.Main(), ids::fmMain::kCmdAbout));
    return WaitForAbout(kestrel);
}

// OK, or the close box as the system menu reports it.
void CloseAbout(HWND about, bool byCloseBox) {
    if (byCloseBox) ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!byCloseBox) Click(Child(about, kCmdOK));
}

// What a left-aligned label shows in that font, on the dialog face colour.
void ExpectLabelShows(HWND label, const wchar_t* face, double points, int weight, bool italic, BYTE family) {
    const RECT r = WindowRect(label);
    const std::wstring text = WindowText(label);
    const Image drawn = Render(r.right - r.left, r.bottom - r.top, ::GetSysColor(COLOR_BTNFACE), [&](HDC dc, HDC) {
        const int height = -static_cast<int>(std::lround(points * ScreenDpi() / 72.0));
        const UniqueFont font{::CreateFontW(height, 0, 0, 0, weight, italic, FALSE, FALSE, DEFAULT_CHARSET,
                                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, family, face)};
        const SelectionScope selected(dc, font.get());
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        RECT all{0, 0, r.right - r.left, r.bottom - r.top};
        ::DrawTextW(dc, text.c_str(), -1, &all, DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX);
    });
    EXPECT_TRUE(ScreenShows(r, drawn)) << "label " << ::GetDlgCtrlID(label);
}

const std::vector<ControlLayout> kLayout = {
    {kPicture1, nullptr, nullptr, {120, 240, 615, 615}},
    {kLabel1, L"Static", L"Kestrel", {840, 120, 2295, 735}},
    {kLblverLabel, L"Static", L"  Version:", {4320, 210, 720, 240}},
    {kLabel3, L"Static", L"  0.4.1", {4395, 450, 585, 225}},
    {kLabel2, L"Static", L"Lightweight Screen Capture Utility for Windows 98SE, NT, 2000, XP", {120, 840, 5775, 255}},
    {kLstInfo, L"ListBox", nullptr, {90, 1350, 5865, 1035}},
    {kCmdOK, L"Button", L"OK", {2640, 2520, 735, 375}},
};

// Both layout suites run this; at 144 dpi the layout grows, the icon keeps its 32 x 32 pixels.
void ExpectLaidOut(HWND about) {
    ASSERT_NE(about, nullptr) << "the About button opens the About window";
    ExpectFixedWindow(about, L"About", 6075, 2940);
    EXPECT_TRUE(::GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_APPWINDOW) << "listed in the taskbar";
    ExpectControls(about, kLayout);
    ExpectControls(about, {{kLine1, nullptr, nullptr, {0, 1200, 6000, ToTwips(1)}}});
    const RECT rule = WindowRect(Child(about, kLine1));
    EXPECT_EQ(rule.bottom - rule.top, 1) << "the rule is one pixel high";

    // Tab goes from OK to the list and back; the icon box takes no focus.
    HWND ok = Child(about, kCmdOK);
    HWND list = Child(about, kLstInfo);
    EXPECT_EQ(::GetNextDlgTabItem(about, ok, FALSE), list);
    EXPECT_EQ(::GetNextDlgTabItem(about, list, FALSE), ok);
    EXPECT_FALSE(::GetWindowLongPtrW(Child(about, kPicture1), GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(::GetWindowLongPtrW(ok, GWL_STYLE) & BS_DEFPUSHBUTTON) << "OK is not the window's default button";

    const RECT icon = WindowRect(Child(about, kPicture1));
    EXPECT_TRUE(ScreenShows(RECT{icon.left, icon.top, icon.left + 32, icon.top + 32},
                            IconImage(ProgramIcon(32), 32, ::GetSysColor(COLOR_BTNFACE))))
        << "the icon at its own size in the box's top-left corner";
    ExpectLabelShows(Child(about, kLabel1), L"Times New Roman", 27.75, FW_BOLD, true, DEFAULT_PITCH | FF_ROMAN);
    ExpectLabelShows(Child(about, kLabel2), L"Times New Roman", 9.75, FW_NORMAL, true, DEFAULT_PITCH | FF_ROMAN);
    ExpectLabelShows(Child(about, kLblverLabel), L"MS Shell Dlg 2", 8.0, FW_NORMAL, false, DEFAULT_PITCH | FF_DONTCARE);
    ExpectLabelShows(Child(about, kLabel3), L"MS Shell Dlg 2", 8.0, FW_NORMAL, false, DEFAULT_PITCH | FF_DONTCARE);
}

class AboutWindow : public KestrelTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Start()); }
};
using AboutWindowAt144Dpi = AboutWindow;

TEST_F(AboutWindow, LooksAsLaidOut) { ExpectLaidOut(OpenFromButton(kestrel_)); }

TEST_F(AboutWindowAt144Dpi, LooksAsLaidOut) {
    ASSERT_EQ(ScreenDpi(), 144);
    ExpectLaidOut(OpenFromButton(kestrel_));
}

TEST_F(AboutWindow, ListHoldsTheFortyHelpItems) {
    // The COPYRIGHT and AUTHOR paragraphs are the program's own wording: those eight lines come
    // from the program's help text.
    std::vector<std::wstring> expected = {
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
        L" ",
        L"AUTHOR",
    };
    for (size_t i : {30, 31, 32, 33, 36, 37, 38, 39}) {
        expected.insert(expected.begin() + i, std::wstring(HelpItems()[i].begin(), HelpItems()[i].end()));
    }
    HWND list = Child(OpenFromButton(kestrel_), kLstInfo);
    ASSERT_EQ(SendTo(list, LB_GETCOUNT), 40);
    for (size_t i = 0; i < expected.size(); ++i) {
        // Wine answers LB_GETTEXT in UTF-16 whatever the caller's character set: room to spare.
        std::wstring item(4096, L'\0');
        const LRESULT length = SendTo(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<size_t>(std::max<LRESULT>(length, 0)));
        EXPECT_EQ(item, expected[i]) << "item " << i + 1;
    }
    EXPECT_EQ(SendTo(list, LB_GETCURSEL), LB_ERR) << "no item is selected";
    EXPECT_EQ(SendTo(list, LB_GETTOPINDEX), 0) << "the list shows from its first item";
    EXPECT_TRUE(::GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL) << "the list is longer than the box and scrolls";
    EXPECT_FALSE(::GetWindowLongPtrW(list, GWL_STYLE) & LBS_SORT);
}

TEST_F(AboutWindow, OkAndTheCloseBoxUnloadItAndTheNextShowingStartsAfresh) {
    int round = 0;
    for (const bool byCloseBox : {false, false, true, true}) {
        SCOPED_TRACE(::testing::Message() << "showing " << ++round << (byCloseBox ? ", close box" : ", OK"));
        HWND about = OpenFromButton(kestrel_);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(AllAboutWindows(kestrel_).size(), 1u);
        EXPECT_EQ(SendTo(Child(about, kLstInfo), LB_GETCOUNT), 40) << "filled once per showing";
        EXPECT_FALSE(::IsWindowEnabled(main_)) << "modal: the main window takes no input";

        CloseAbout(about, byCloseBox);
        ASSERT_TRUE(WaitForAboutGone(kestrel_)) << "the window is unloaded, not hidden";
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }, 5s)) << "the main window takes input";
        EXPECT_TRUE(::IsWindowVisible(main_)) << "closing About never ends the program";
    }
}

TEST_F(AboutWindow, EnterAndSpaceOnTheFocusedOkCloseItEscapeDoesNothing) {
    for (const UINT key : {VK_ESCAPE, VK_RETURN, VK_SPACE}) {
        SCOPED_TRACE(::testing::Message() << "virtual key " << key);
        HWND about = FindAbout(kestrel_) ? FindAbout(kestrel_) : OpenFromButton(kestrel_);
        ASSERT_NE(about, nullptr);
        HWND ok = Child(about, kCmdOK);
        HWND list = Child(about, kLstInfo);
        ASSERT_TRUE(WaitFor([&] { return FocusOf(about) == ok; }, 5s)) << "OK has the focus";

        PressKey(ok, key);
        if (key != VK_ESCAPE) {
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

using AboutFromTray = TrayTest;

TEST_F(AboutFromTray, ShowsAloneAndModelessAndClosingLeavesKestrelInTheTray) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    for (const bool byCloseBox : {false, true}) {
        SCOPED_TRACE(byCloseBox ? "closed with the close box" : "closed with OK");
        ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::About));
        HWND about = WaitForAbout(kestrel_);
        ASSERT_NE(about, nullptr) << "About from the tray menu opens the About window";
        EXPECT_EQ(kestrel_.TopLevels(), std::vector<HWND>{about}) << "shown alone; the main window stays hidden";
        EXPECT_EQ(::GetWindow(about, GW_OWNER), nullptr);
        EXPECT_TRUE(::IsWindowEnabled(main_)) << "modeless: nothing is disabled";
        EXPECT_EQ(SendTo(Child(about, kLstInfo), LB_GETCOUNT), 40);
        EXPECT_TRUE(WaitFor([&] { return FocusOf(about) == Child(about, kCmdOK); }, 5s));

        CloseAbout(about, byCloseBox);
        ASSERT_TRUE(WaitForAboutGone(kestrel_));
        ::Sleep(300);  // time for a quit message of the program's own to arrive
        EXPECT_TRUE(kestrel_.Running()) << "closing About never ends the program, also not from the tray";
        EXPECT_FALSE(::IsWindowVisible(main_)) << "the main window stays in the tray";
        EXPECT_TRUE(ShellHasIcon(main_)) << "the icon stays up";
    }
}

TEST_F(AboutFromTray, OneAboutWindowAtMost) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::About));
    HWND about = WaitForAbout(kestrel_);
    ASSERT_NE(about, nullptr);
    HWND list = Child(about, kLstInfo);
    // A mark a fresh window or a refilled list would not have.
    SendTo(list, LB_SETTOPINDEX, 5);
    ASSERT_EQ(SendTo(list, LB_GETTOPINDEX), 5);

    // Asked again from the tray: the open window is shown again, neither created nor filled anew.
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::About));
    ::Sleep(300);
    EXPECT_EQ(AllAboutWindows(kestrel_), std::vector<HWND>{about});
    EXPECT_EQ(SendTo(list, LB_GETTOPINDEX), 5) << "the list was not filled again";
    EXPECT_EQ(SendTo(list, LB_GETCOUNT), 40);

    // The restored main window's About button asks for a modal About while the modeless one is
    // open: the open window comes forward instead, and nothing goes modal.
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Restore));
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_) != FALSE; }, 5s));
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == main_; }, 5s)) << "the restored window is in front";
    Click(Child(main_, ids::fmMain::kCmdAbout));
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == about; }, 5s)) << "the open About comes forward";
    ::Sleep(300);
    EXPECT_EQ(AllAboutWindows(kestrel_), std::vector<HWND>{about});
    EXPECT_EQ(SendTo(list, LB_GETTOPINDEX), 5);
    EXPECT_TRUE(::IsWindowEnabled(main_)) << "a window already open modeless does not turn modal";

    CloseAbout(about, false);
    ASSERT_TRUE(WaitForAboutGone(kestrel_));
    EXPECT_TRUE(::IsWindowVisible(main_)) << "the program runs on, its window shown";
    EXPECT_TRUE(::IsWindowEnabled(main_));
}

}  // namespace
}  // namespace kestrel::e2e
