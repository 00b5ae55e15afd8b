// The icon's popup menu: each item does what its button does, while Kestrel sits in the tray.
#include "app/fmMain_ids.h"
#include "settings/fmOptions_ids.h"
#include "tests/e2e/capture_support.h"
#include "tests/e2e/keyboard_support.h"
#include "tests/e2e/tray_support.h"

namespace kestrel::e2e {
namespace {

class TrayMenu : public TrayTest {
protected:
    // Right-clicks the icon in the tray and clicks the item, with the mouse.
    void ClickMenuItem(MenuItem item) {
        HWND icon = IconWindow();
        ASSERT_NE(icon, nullptr);
        for (DWORD flags : {0, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}) SendMouse(Centre(WindowRect(icon)), flags);
        HWND menu = WaitForMenu();
        ASSERT_NE(menu, nullptr) << "a right click on the icon pops up the menu";
        // The five items share the menu's client area evenly.
        const RECT client = ClientRectOnScreen(menu);
        const POINT at{Centre(client).x,
                       client.top + (2 * static_cast<int>(item) + 1) * (client.bottom - client.top) / 10};
        for (DWORD flags : {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) SendMouse(at, flags);
    }
    // Active Window to the clipboard from the tray while the user works in a window of their own takes that
    // window, not Kestrel's hidden one, the menu or the shell's tray; Kestrel stays in the tray throughout.
    void CaptureFromTheTray(bool byMouse) {
        SetField(main_, ids::fmMain::kTxtScope, L"2");
        SetField(main_, ids::fmMain::kTxtDest, L"2");
        ASSERT_NO_FATAL_FAILURE(Minimize());
        PatternWindow user(PatternWindow::Kind::Captioned, ColourField(344, 201), {}, POINT{150, 140});
        ASSERT_TRUE(user.BringToFront());
        ::Sleep(300);  // painted
        const DWORD sequence = ::GetClipboardSequenceNumber();
        ASSERT_NO_FATAL_FAILURE(byMouse ? ClickMenuItem(MenuItem::Capture) : Choose(MenuItem::Capture));
        ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(); }));
        EXPECT_TRUE(HoldsFor([&] { return !::IsWindowVisible(main_); }, 1500ms))
            << "a capture that starts in the tray neither shows nor hides the window";
        EXPECT_TRUE(ShellHasIcon(main_)) << "and leaves the icon up (Wine drops the icons of an ended program)";
        EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
        ASSERT_TRUE(capture::WaitForCaptureDone(main_, sequence, false, 3s));
        capture::ExpectWindowCapture(capture::ReadClipboardPicture(), user);
    }
    // Minimizes and chooses the item; `opened_` is the window it opens over the hidden main window.
    void OpenFromTheTray(MenuItem item, const wchar_t* caption) {
        ASSERT_NO_FATAL_FAILURE(Minimize());
        ASSERT_NO_FATAL_FAILURE(Choose(item));
        ASSERT_TRUE(WaitFor([&] { return (opened_ = kestrel_.FindTopLevel(nullptr, caption)) != nullptr; }, 3s));
    }

    HWND opened_ = nullptr;
};

TEST_F(TrayMenu, RestoreShowsTheWindowAndTakesTheIconDown) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Restore));
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "Restore shows the window and takes the icon down";
    EXPECT_TRUE(WaitFor([&] { return NewIconWindow(iconsBefore_) == nullptr; }));
    EXPECT_FALSE(MenuIsUp());
}

TEST_F(TrayMenu, ExitSavesTheSettingsAndTakesTheIconDown) {
    SetFields(main_, {L"1", L"2", L"L", L"83"});
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Exit));
    ASSERT_EQ(kestrel_.WaitForExit(), 0u) << "Exit ends the program";
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"1", "2", "L", "83"}));
}

TEST_F(TrayMenu, CaptureFromTheTrayTakesTheUsersWindowAndLeavesKestrelHidden) { CaptureFromTheTray(false); }

TEST_F(TrayMenu, CaptureClickedInTheTrayTakesTheUsersWindow) { CaptureFromTheTray(true); }

TEST_F(TrayMenu, OptionsOpensTheDialogModallyOverTheHiddenWindow) {
    ASSERT_NO_FATAL_FAILURE(OpenFromTheTray(MenuItem::Options, L"Options"));
    EXPECT_TRUE(InTray()) << "the main window stays hidden under it, its icon up";
    EXPECT_FALSE(::IsWindowEnabled(main_)) << "modal, as from the Options button";
    ::PostMessageW(opened_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(opened_) || !::IsWindowVisible(opened_); }));
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms)) << "closing it leaves Kestrel in the tray";
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }));
}

// How the window shows and closes, AboutFromTray sees; here, what becomes of the tray while it is open.
TEST_F(TrayMenu, AboutOpensModelessOverTheHiddenWindow) {
    ASSERT_NO_FATAL_FAILURE(OpenFromTheTray(MenuItem::About, L"About"));
    EXPECT_TRUE(InTray()) << "the main window stays hidden under it, its icon up";
    ASSERT_NO_FATAL_FAILURE(OpenAndCloseMenu()) << "and the icon still answers";
}

// The whole way through the shell, with the mouse: the tray's own icon window relays the clicks.
TEST_F(TrayMenu, RealClicksOnTheIconAndTheMenu) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(ClickMenuItem(MenuItem::Restore));
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "Restore, clicked";
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND icon = IconWindow();
    ASSERT_NE(icon, nullptr);
    for (DWORD flags : {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
        SendMouse(Centre(WindowRect(icon)), flags);
    }
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "a double click on the icon restores";
    EXPECT_FALSE(MenuIsUp());
}

// While a modal window is open, a click on the icon brings it forward and does nothing else, as on the
// taskbar button of a program with a modal dialog: no second Options inside the first, no end under it.
using TrayWhileModal = TrayMenu;

TEST_F(TrayWhileModal, ClicksOnTheIconBringOptionsForwardAndNothingElse) {
    // Every Options window of the process, shown or not.
    const auto optionsWindows = [&] { return kestrel_.TopLevels(ids::fmOptions::kWindowClass, false).size(); };
    ASSERT_NO_FATAL_FAILURE(OpenFromTheTray(MenuItem::Options, L"Options"));
    ASSERT_EQ(ClassName(opened_), ids::fmOptions::kWindowClass);
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(); }));

    // The user turns to another window, then clicks the icon with either button, or twice.
    PatternWindow elsewhere(PatternWindow::Kind::Captioned, ColourField(200, 120));
    for (UINT click : {WM_RBUTTONUP, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK}) {
        SCOPED_TRACE(click);
        ASSERT_TRUE(elsewhere.BringToFront());
        PostShellCallback(main_, click);
        EXPECT_TRUE(capture::PumpUntil([&] { return ::GetForegroundWindow() == opened_; }, 5s))
            << "the dialog comes forward";
        EXPECT_TRUE(HoldsFor([&] { return !MenuIsUp(); }, 1s)) << "no menu";
        EXPECT_FALSE(::IsWindowVisible(main_)) << "the window the dialog disabled stays where it was";
        EXPECT_EQ(optionsWindows(), 1u);
        ASSERT_TRUE(kestrel_.Running());
    }

    // A second Options request by another way than the disabled button opens no second dialog.
    capture::PressButton(main_, ids::fmMain::kCmdOptions);
    EXPECT_TRUE(HoldsFor([&] { return optionsWindows() == 1; }, 1s)) << "one Options window only";
    ::PostMessageW(opened_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return optionsWindows() == 0; }));
    ASSERT_NO_FATAL_FAILURE(OpenAndCloseMenu()) << "the menu comes again once the dialog is closed";
}

}  // namespace
}  // namespace kestrel::e2e
