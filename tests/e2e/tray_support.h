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
bool ShellHasIcon(HWND owner, UINT id = kIconId);
// Takes an icon down behind its owner's back, as a crashing shell loses it.
bool ShellDeleteIcon(HWND owner, UINT id = kIconId);
// The icon window that appeared in Wine's tray since `before` was taken, if exactly one did.
HWND NewIconWindow(const std::vector<HWND>& before);
// The shell's report of a mouse action on the icon: its id in wParam, the mouse message in lParam.
void PostShellCallback(HWND main, UINT mouseMessage);

HWND WaitForMenu(const KestrelProcess& kestrel, std::chrono::milliseconds timeout = 5s);
bool MenuIsUp(const KestrelProcess& kestrel);
bool CloseMenu(HWND menu);  // Escape; whether the menu went
POINT Centre(const RECT& rect);

// A running Kestrel for each tray test.
class TrayTest : public KestrelTest {
protected:
    void SetUp() override;
    // An icon left up (or left behind by a killed Kestrel) would confuse the next test.
    void TearDown() override;
    void Minimize();  // and waits until the window is gone and the shell shows the icon
    HWND OpenMenu();  // as the shell's report of a right-button release does
    void OpenAndCloseMenu();
    void Choose(MenuItem item);  // by keys
    HWND IconWindow();           // the tray's window of the new icon, once shown
    bool RestoreFromTray();      // the shell's report of a double click; whether the window came back
    bool StaysShown(std::chrono::milliseconds duration);  // with no icon and no menu
    bool InTray() const { return !::IsWindowVisible(main_) && ShellHasIcon(main_); }
    bool Shown() const { return ::IsWindowVisible(main_) && !ShellHasIcon(main_); }

    std::vector<HWND> iconsBefore_;
};

}  // namespace kestrel::e2e
