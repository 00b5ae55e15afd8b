// While one of Kestrel's modal windows is open, the icon behaves as the taskbar button of a
// program with a modal dialog: a click brings the dialog forward, and nothing else happens, so
// that no second Options opens inside the first and Kestrel cannot end under it.
#include "app/fmMain_ids.h"
#include "settings/fmOptions_ids.h"
#include "tests/e2e/capture_support.h"
#include "tests/e2e/tray_support.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

// Every Options window of the process, shown or not.
int OptionsWindows(const KestrelProcess& kestrel) {
    return static_cast<int>(kestrel.TopLevels(ids::fmOptions::kWindowClass, false).size());
}

class TrayWhileModal : public TrayTest {};

TEST_F(TrayWhileModal, ClicksOnTheIconBringOptionsForwardAndNothingElse) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Options));
    HWND options = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (options = kestrel_.FindTopLevel(ids::fmOptions::kWindowClass)) != nullptr; }));
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));

    // The user turns to another window, then clicks the icon with either button, or twice.
    PatternWindow elsewhere(PatternWindow::Kind::Captioned, ColourField(200, 120));
    for (UINT click : {WM_RBUTTONUP, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK}) {
        SCOPED_TRACE(testing::Message() << "mouse message " << click);
        ASSERT_TRUE(elsewhere.BringToFront());
        PostShellCallback(main_, click);
        EXPECT_TRUE(capture::PumpUntil([&] { return ::GetForegroundWindow() == options; }, 5s))
            << "the dialog comes forward";
        EXPECT_TRUE(HoldsFor([&] { return !MenuIsUp(kestrel_); }, 1s)) << "no menu";
        EXPECT_FALSE(::IsWindowVisible(main_)) << "the window the dialog disabled stays where it was";
        EXPECT_EQ(OptionsWindows(kestrel_), 1);
        ASSERT_TRUE(kestrel_.Running());
    }

    // A second Options request by another way than the disabled button opens no second dialog.
    ::PostMessageW(main_, WM_COMMAND, MAKEWPARAM(ids::fmMain::kCmdOptions, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Child(main_, ids::fmMain::kCmdOptions)));
    EXPECT_TRUE(HoldsFor([&] { return OptionsWindows(kestrel_) == 1; }, 1s)) << "one Options window only";

    ::PostMessageW(options, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return OptionsWindows(kestrel_) == 0; }));
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms)) << "closing Options leaves Kestrel in the tray";

    // And the icon answers as before.
    HWND again = OpenMenu();
    ASSERT_NE(again, nullptr) << "the menu comes again once the dialog is closed";
    CloseMenu(again);
    EXPECT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
    EXPECT_TRUE(kestrel_.Running());
}

}  // namespace
}  // namespace kestrel::e2e
