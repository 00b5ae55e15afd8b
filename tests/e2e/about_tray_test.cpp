// The About window opened from the notification-area menu: modeless, alone while the main window
// sits in the tray, one window at most, and closing it leaves Kestrel in the tray.
#include "tests/e2e/about_helpers.h"
#include "tests/e2e/tray_driver.h"

#include <gtest/gtest.h>

#include <shellapi.h>

namespace kestrel::e2e {
namespace {

// The notification-area icon and its menu are another part of Kestrel. Until they are in place,
// these tests skip where the icon or its menu does not appear; once they are, a missing icon or
// menu is a failure.
constexpr bool kTrayInPlace = true;

#define REQUIRE_TRAY(condition, what)                                                                          \
    do {                                                                                                       \
        if (!(condition)) {                                                                                    \
            if (!kTrayInPlace) GTEST_SKIP() << (what) << " did not appear: the tray icon is not in place yet"; \
            FAIL() << (what) << " did not appear";                                                             \
        }                                                                                                      \
    } while (false)

// Items of the main window's menu, top to bottom.
enum TrayItem { kExit = 0, kRestore = 1, kOptions = 2, kAbout = 3, kCapture = 4, kItemCount = 5 };

// Whether Kestrel's icon (main window, identifier 1) is in the notification area: the shell
// accepts a change to an icon only while it is there. The change asked for here changes nothing.
bool TrayIconUp(HWND main) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = main;
    data.uID = 1;
    data.uFlags = 0;
    return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool MinimizeToTray(const KestrelProcess& kestrel) {
    HWND main = kestrel.Main();
    const std::vector<HWND> iconsBefore = ShellIconWindows();
    Click(Child(main, ids::fmMain::kCmdMinimize));
    if (!WaitFor([&] { return !::IsWindowVisible(main) && TrayIconUp(main); }, 5s)) return false;
    // A fresh Wine session builds its notification area with the first icon, and the activations
    // that come with it close a menu opened in that moment: wait until the icon shows, as a user
    // sees it before clicking.
    WaitFor([&] { return NewIconWindow(iconsBefore) != nullptr; }, 3s);
    ::Sleep(500);
    return true;
}

// Releases the right button over the icon, as the shell reports it (callback message 512 with
// the mouse message in lParam), and picks an item of the menu that pops up. The menu belongs to
// Kestrel, whose menu handle another process cannot read: the item is clicked at its place in
// the menu window, in screen coordinates as a tracked menu expects them.
bool ChooseFromTrayMenu(const KestrelProcess& kestrel, TrayItem item) {
    ::PostMessageW(kestrel.Main(), WM_MOUSEMOVE, 0, MAKELPARAM(WM_RBUTTONUP, 0));
    HWND menu = nullptr;
    if (!WaitFor([&] { return (menu = kestrel.FindTopLevel(L"#32768")) != nullptr; }, 5s)) return false;
    const RECT client = ClientRectOnScreen(menu);
    const int itemHeight = (client.bottom - client.top) / kItemCount;
    const LPARAM at = MAKELPARAM((client.left + client.right) / 2, client.top + itemHeight * item + itemHeight / 2);
    ::PostMessageW(menu, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(menu, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(menu, WM_LBUTTONUP, 0, at);
    return WaitFor([&] { return kestrel.FindTopLevel(L"#32768") == nullptr; }, 5s);
}

TEST(AboutFromTray, ShowsAloneAndModelessAndClosingLeavesKestrelInTheTray) {
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    REQUIRE_TRAY(MinimizeToTray(kestrel), "the tray icon");

    for (const bool byCloseBox : {false, true}) {
        SCOPED_TRACE(byCloseBox ? "closed with the close box" : "closed with OK");
        REQUIRE_TRAY(ChooseFromTrayMenu(kestrel, kAbout), "the tray menu");
        HWND about = WaitForAbout(kestrel);
        ASSERT_NE(about, nullptr) << "About from the tray menu opens the About window";
        EXPECT_EQ(WindowText(about), L"About");
        EXPECT_EQ(kestrel.VisibleWindows(), std::vector<HWND>{about}) << "shown alone; the main window stays hidden";
        EXPECT_TRUE(::IsWindowEnabled(main)) << "modeless: nothing is disabled";
        EXPECT_EQ(::GetWindow(about, GW_OWNER), nullptr);
        EXPECT_EQ(ListItems(Child(about, ids::fmAbout::kLstInfo)).size(), 40u);
        EXPECT_TRUE(WaitFor([&] { return FocusOf(about) == Child(about, ids::fmAbout::kCmdOK); }, 5s));

        if (byCloseBox) {
            ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            Click(Child(about, ids::fmAbout::kCmdOK));
        }
        ASSERT_TRUE(WaitForAboutGone(kestrel));
        // The program would end on a quit message of its own; give it the time to arrive.
        ::Sleep(300);
        EXPECT_TRUE(kestrel.Running()) << "closing About never ends the program, also not from the tray";
        EXPECT_FALSE(::IsWindowVisible(main)) << "the main window stays in the tray";
        EXPECT_TRUE(TrayIconUp(main)) << "the icon stays up";
    }
}

TEST(AboutFromTray, OneAboutWindowAtMost) {
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    REQUIRE_TRAY(MinimizeToTray(kestrel), "the tray icon");
    REQUIRE_TRAY(ChooseFromTrayMenu(kestrel, kAbout), "the tray menu");
    HWND about = WaitForAbout(kestrel);
    ASSERT_NE(about, nullptr);
    HWND list = Child(about, ids::fmAbout::kLstInfo);
    // A mark a fresh window or a refilled list would not have.
    SendTo(list, LB_SETTOPINDEX, 5);
    ASSERT_EQ(SendTo(list, LB_GETTOPINDEX), 5);

    // Asked again from the tray: the open window is shown again, neither created nor filled anew.
    REQUIRE_TRAY(ChooseFromTrayMenu(kestrel, kAbout), "the tray menu");
    ::Sleep(300);
    EXPECT_EQ(AllAboutWindows(kestrel), std::vector<HWND>{about});
    EXPECT_EQ(SendTo(list, LB_GETTOPINDEX), 5) << "the list was not filled again";
    EXPECT_EQ(ListItems(list).size(), 40u);

    // Restored, the main window's About button asks for a modal About while the modeless one is
    // open: the open window comes forward instead, and nothing goes modal.
    REQUIRE_TRAY(ChooseFromTrayMenu(kestrel, kRestore), "the tray menu");
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(main) != FALSE; }, 5s));
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == main; }, 5s)) << "the restored window is in front";
    Click(Child(main, ids::fmMain::kCmdAbout));
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == about; }, 5s)) << "the open About comes forward";
    ::Sleep(300);
    EXPECT_EQ(AllAboutWindows(kestrel), std::vector<HWND>{about});
    EXPECT_EQ(SendTo(list, LB_GETTOPINDEX), 5);
    EXPECT_TRUE(::IsWindowEnabled(main)) << "a window already open modeless does not turn modal";

    Click(Child(about, ids::fmAbout::kCmdOK));
    ASSERT_TRUE(WaitForAboutGone(kestrel));
    EXPECT_TRUE(kestrel.Running());
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_TRUE(::IsWindowEnabled(main));
}

}  // namespace
}  // namespace kestrel::e2e
