// The About window opened from the notification-area menu: modeless, alone while the main window
// sits in the tray, one window at most, and closing it leaves Kestrel in the tray.
#include "tests/e2e/about_helpers.h"
#include "tests/e2e/tray_driver.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

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
        EXPECT_EQ(kestrel_.VisibleWindows(), std::vector<HWND>{about}) << "shown alone; the main window stays hidden";
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
