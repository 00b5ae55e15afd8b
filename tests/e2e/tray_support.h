// Kestrel's notification-area icon from outside: the shell's part, the popup menu, the icon's own window.
#pragma once
#include "tests/e2e/driver.h"

#include <vector>

namespace kestrel::e2e {

// The program's one icon and the callback message it asked for.
inline constexpr UINT kIconId = 1;
inline constexpr UINT kCallbackMessage = WM_MOUSEMOVE;
// The items of the File menu, top to bottom.
enum class MenuItem { Exit = 0, Restore = 1, Options = 2, About = 3, Capture = 4 };

// The shell refuses a modify of an icon it does not hold; one that changes nothing changes nothing.
bool ShellHasIcon(HWND owner);
// Takes the icon down behind its owner's back, as a crashing shell loses it.
bool ShellDeleteIcon(HWND owner);
// The icons' windows in Wine's tray, and the one that appeared since `before` was taken, if exactly one did.
std::vector<HWND> ShellIconWindows();
HWND NewIconWindow(const std::vector<HWND>& before);
// The shell's report of a mouse action on the icon: its id in wParam, the mouse message in lParam.
inline void PostShellCallback(HWND main, UINT mouseMessage) {
    ::PostMessageW(main, kCallbackMessage, kIconId, static_cast<LPARAM>(mouseMessage));
}
inline POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// A running Kestrel for each tray test.
class TrayTest : public KestrelTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Start()); }
    // An icon left up (or left behind by a killed Kestrel) would confuse the next test.
    void TearDown() override;
    void Minimize();  // and waits until the window is gone and the shell shows the icon
    HWND WaitForMenu();
    HWND OpenMenu();  // as the shell's report of a right-button release does
    void OpenAndCloseMenu();
    void Choose(MenuItem item);  // by keys
    HWND IconWindow();           // the tray's window of the new icon, once shown
    bool MenuIsUp() const { return kestrel_.FindTopLevel(L"#32768") != nullptr; }
    bool InTray() const { return !::IsWindowVisible(main_) && ShellHasIcon(main_); }
    bool Shown() const { return ::IsWindowVisible(main_) && !ShellHasIcon(main_); }

    std::vector<HWND> iconsBefore_ = ShellIconWindows();
};

}  // namespace kestrel::e2e
