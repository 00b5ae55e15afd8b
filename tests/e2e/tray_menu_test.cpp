// The icon's popup menu: each item does what its button does, while Kestrel sits in the tray.
#include "app/fmMain_ids.h"
#include "tests/e2e/capture_support.h"
#include "tests/e2e/tray_support.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

void EmptyTheClipboard() {
    WaitFor([] {
        if (!::OpenClipboard(nullptr)) return false;
        ::EmptyClipboard();
        ::CloseClipboard();
        return true;
    });
}

bool ClipboardHasBitmap() { return ::IsClipboardFormatAvailable(CF_BITMAP) || ::IsClipboardFormatAvailable(CF_DIB); }

// The user's window, on a capture from the tray: its outer size, and its colour in the middle.
void ExpectUsersWindowOnTheClipboard(const PatternWindow& user, Pixel colour) {
    ASSERT_TRUE(WaitFor(ClipboardHasBitmap, 3s));
    const capture::ClipboardPicture picture = capture::ReadClipboardPicture();
    ASSERT_TRUE(picture.hasBitmap);
    const RECT rect = WindowRect(user.hWnd());
    EXPECT_EQ(picture.image.width, rect.right - rect.left) << "the user's window, frame included";
    EXPECT_EQ(picture.image.height, rect.bottom - rect.top);
    EXPECT_EQ(picture.image.At(picture.image.width / 2, picture.image.height / 2), colour) << "its pixels";
}

class TrayMenu : public TrayTest {};

TEST_F(TrayMenu, RestoreShowsTheWindowAndTakesTheIconDown) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Restore));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_); })) << "Restore shows the window";
    EXPECT_TRUE(WaitFor([&] { return !ShellHasIcon(main_); })) << "and takes the icon down";
    EXPECT_TRUE(WaitFor([&] { return NewIconWindow(iconsBefore_) == nullptr; }));
    EXPECT_FALSE(MenuIsUp(kestrel_));

    // Minimize works again afterwards, and so does the icon.
    ASSERT_NO_FATAL_FAILURE(Minimize());
    PostShellCallback(main_, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return Shown(); }));
}

TEST_F(TrayMenu, ExitSavesTheSettingsAndTakesTheIconDown) {
    SetFields(main_, {L"1", L"2", L"L", L"83"});
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Exit));
    ASSERT_EQ(kestrel_.WaitForExit(), 0u) << "Exit ends the program";
    EXPECT_FALSE(ShellHasIcon(main_)) << "and takes the icon down first";
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"1", "2", "L", "83"}));
}

// Active Window from the tray menu takes the window the user was working in, not Kestrel's
// hidden window, the menu or the shell's tray; and Kestrel stays in the tray throughout.
TEST_F(TrayMenu, CaptureFromTheTrayTakesTheUsersWindowAndLeavesKestrelHidden) {
    SetField(main_, ids::fmMain::kTxtScope, L"2");
    SetField(main_, ids::fmMain::kTxtDest, L"2");
    ASSERT_NO_FATAL_FAILURE(Minimize());
    const Pixel colour = Rgb(0, 160, 80);
    PatternWindow user(PatternWindow::Kind::Captioned, Quadrants(344, 201, {colour, colour, colour, colour}), {},
                       POINT{150, 140});
    ASSERT_TRUE(user.BringToFront());
    ::Sleep(300);  // painted
    EmptyTheClipboard();

    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Capture));
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
    EXPECT_TRUE(HoldsFor([&] { return !::IsWindowVisible(main_); }, 1500ms))
        << "a capture that starts in the tray neither shows nor hides the window";
    EXPECT_TRUE(ShellHasIcon(main_)) << "and leaves the icon up";
    EXPECT_TRUE(kestrel_.Running());
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));

    ExpectUsersWindowOnTheClipboard(user, colour);
}

// The same with the mouse: the click on the shell's icon and on the menu item must not make the
// shell's tray or Kestrel's menu the window that is taken.
TEST_F(TrayMenu, CaptureClickedInTheTrayTakesTheUsersWindow) {
    SetField(main_, ids::fmMain::kTxtScope, L"2");
    SetField(main_, ids::fmMain::kTxtDest, L"2");
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND icon = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (icon = NewIconWindow(iconsBefore_)) != nullptr; }));
    const Pixel colour = Rgb(200, 40, 120);
    PatternWindow user(PatternWindow::Kind::Captioned, Quadrants(344, 201, {colour, colour, colour, colour}), {},
                       POINT{150, 140});
    ASSERT_TRUE(user.BringToFront());
    ::Sleep(300);
    EmptyTheClipboard();

    MouseClick(Centre(WindowRect(icon)), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    HWND menu = WaitForMenu(kestrel_);
    ASSERT_NE(menu, nullptr);
    MouseClick(MenuItemCentre(menu, MenuItem::Capture), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
    EXPECT_TRUE(HoldsFor([&] { return !::IsWindowVisible(main_); }, 1500ms));
    EXPECT_TRUE(ShellHasIcon(main_));

    ExpectUsersWindowOnTheClipboard(user, colour);
}

TEST_F(TrayMenu, OptionsOpensTheDialogModallyOverTheHiddenWindow) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Options));
    HWND options = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (options = kestrel_.FindTopLevel(nullptr, L"Options")) != nullptr; }, 3s));
    EXPECT_FALSE(::IsWindowVisible(main_)) << "the main window stays hidden under the dialog";
    EXPECT_TRUE(ShellHasIcon(main_));
    EXPECT_FALSE(::IsWindowEnabled(main_)) << "modal, as from the Options button";

    ::PostMessageW(options, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(options) || !::IsWindowVisible(options); }));
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms)) << "closing the dialog leaves Kestrel in the tray";
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }));
}

TEST_F(TrayMenu, AboutOpensModelessOverTheHiddenWindow) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::About));
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = kestrel_.FindTopLevel(nullptr, L"About")) != nullptr; }, 3s));
    EXPECT_FALSE(::IsWindowVisible(main_));
    EXPECT_TRUE(ShellHasIcon(main_));
    EXPECT_TRUE(::IsWindowEnabled(main_)) << "modeless: nothing else is disabled";

    // While it is open the icon still answers.
    HWND again = OpenMenu();
    ASSERT_NE(again, nullptr);
    CloseMenu(again);
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));

    ::PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about) || !::IsWindowVisible(about); }));
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms));
    EXPECT_TRUE(kestrel_.Running());
}

// The whole way through the shell, with the mouse: the tray's own icon window relays the clicks.
TEST_F(TrayMenu, RealClicksOnTheIconAndTheMenu) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND icon = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (icon = NewIconWindow(iconsBefore_)) != nullptr; }));

    MouseClick(Centre(WindowRect(icon)), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    HWND menu = WaitForMenu(kestrel_);
    ASSERT_NE(menu, nullptr) << "a right click on the icon pops up the menu";
    MouseClick(MenuItemCentre(menu, MenuItem::Restore), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "Restore, clicked";

    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_TRUE(WaitFor([&] { return (icon = NewIconWindow(iconsBefore_)) != nullptr; }));
    MouseClick(Centre(WindowRect(icon)), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "a double click on the icon restores";
    EXPECT_FALSE(MenuIsUp(kestrel_));
}

}  // namespace
}  // namespace kestrel::e2e
