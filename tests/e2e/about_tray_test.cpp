// The About window opened from the notification-area menu: modeless, alone while the main window
// sits in the tray, one window at most, and closing it leaves Kestrel in the tray.
#include "tests/e2e/about_helpers.h"
#include "tests/e2e/tray_driver.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

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

TEST(AboutFromTray, ShowsAloneAndModelessAndClosingLeavesKestrelInTheTray) {
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    ASSERT_TRUE(MinimizeToTray(kestrel)) << "the tray icon did not appear";

    for (const bool byCloseBox : {false, true}) {
        SCOPED_TRACE(byCloseBox ? "closed with the close box" : "closed with OK");
        ASSERT_TRUE(ChooseFromTrayMenu(kestrel, MenuItem::About)) << "the tray menu did not appear";
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
        EXPECT_TRUE(ShellHasIcon(main)) << "the icon stays up";
    }
}

TEST(AboutFromTray, OneAboutWindowAtMost) {
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    ASSERT_TRUE(MinimizeToTray(kestrel)) << "the tray icon did not appear";
    ASSERT_TRUE(ChooseFromTrayMenu(kestrel, MenuItem::About)) << "the tray menu did not appear";
    HWND about = WaitForAbout(kestrel);
    ASSERT_NE(about, nullptr);
    HWND list = Child(about, ids::fmAbout::kLstInfo);
    // A mark a fresh window or a refilled list would not have.
    SendTo(list, LB_SETTOPINDEX, 5);
    ASSERT_EQ(SendTo(list, LB_GETTOPINDEX), 5);

    // Asked again from the tray: the open window is shown again, neither created nor filled anew.
    ASSERT_TRUE(ChooseFromTrayMenu(kestrel, MenuItem::About)) << "the tray menu did not appear";
    ::Sleep(300);
    EXPECT_EQ(AllAboutWindows(kestrel), std::vector<HWND>{about});
    EXPECT_EQ(SendTo(list, LB_GETTOPINDEX), 5) << "the list was not filled again";
    EXPECT_EQ(ListItems(list).size(), 40u);

    // Restored, the main window's About button asks for a modal About while the modeless one is
    // open: the open window comes forward instead, and nothing goes modal.
    ASSERT_TRUE(ChooseFromTrayMenu(kestrel, MenuItem::Restore)) << "the tray menu did not appear";
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
