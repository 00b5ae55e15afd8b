// Driving Kestrel's notification-area icon from the outside: asking the shell whether it holds
// the icon, playing the shell's part (its callback messages and its restart broadcast), working the
// popup menu, and finding the icon's own window in Wine's tray.
//
// Wine's shell keeps the icons in "Wine System Tray" (winex11's stand-alone tray, on an X display
// without a tray of its own) or in explorer's tray window; each icon is a small window there that
// relays mouse actions to the owner, so the tests can also click the icon itself.
#pragma once
#include "tests/e2e/driver.h"

#include <vector>

namespace kestrel::e2e {

// The program's one icon and the callback message it asked for.
inline constexpr UINT kIconId = 1;
inline constexpr UINT kCallbackMessage = WM_MOUSEMOVE;

// The items of the File menu, top to bottom.
enum class MenuItem { Exit = 0, Restore = 1, Options = 2, About = 3, Capture = 4 };

// Whether the shell holds an icon for (owner, id). The shell answers a modify of an icon it does
// not hold with a refusal, whoever sends it; a modify that changes nothing leaves the icon as it is.
bool ShellHasIcon(HWND owner, UINT id = kIconId);
// Takes an icon down behind its owner's back, as a crashing shell loses it.
bool ShellDeleteIcon(HWND owner, UINT id = kIconId);
// The visible icon windows of Wine's tray.
std::vector<HWND> ShellIconWindows();
// The icon window that appeared since `before` was taken, if exactly one did.
HWND NewIconWindow(const std::vector<HWND>& before);

// Clicks Minimize and waits until the window is gone and the shell holds and shows the icon. A
// fresh Wine session builds its notification area with the first icon, and the activations that
// come with it close a popup menu opened in that same moment: a user sees the icon before clicking
// it, so wait until it is shown, and a little longer.
bool MinimizeToTray(const KestrelProcess& kestrel);
// What the shell sends when the user acts on the icon: the callback message with the icon's id in
// wParam and the mouse message in lParam.
void PostShellCallback(HWND main, UINT mouseMessage);
// What a restarted shell broadcasts to every top-level window.
void BroadcastTaskbarCreated();

// The popup menu of Kestrel's process, once it is up.
HWND WaitForMenu(const KestrelProcess& kestrel, std::chrono::milliseconds timeout = 5s);
bool MenuIsUp(const KestrelProcess& kestrel);
// Another process's menu cannot be read, so items are picked by position: from nothing
// selected, the first Down selects the top item.
void PickMenuItem(HWND menu, MenuItem item);
void CloseMenu(HWND menu);
// The centre of an item, on the screen: the items share the menu's client area evenly.
POINT MenuItemCentre(HWND menu, MenuItem item);
// Real input, as the user's mouse gives it.
void MouseClick(POINT at, DWORD down, DWORD up, int times = 1);
POINT Centre(const RECT& rect);

// A running Kestrel for each tray test, and the step every one of them starts with: Minimize.
class TrayTest : public KestrelTest {
protected:
    void SetUp() override;
    // An icon the test left up (or a killed Kestrel left behind) would outlive the test in the
    // shell's tray and confuse the next one.
    void TearDown() override;
    // Clicks Minimize; the window goes and the icon comes.
    void Minimize();
    // Opens the menu as the shell's report of a right-button release does.
    HWND OpenMenu();
    // Picks an item of a menu opened for it.
    void Choose(MenuItem item);
    bool InTray() const { return !::IsWindowVisible(main_) && ShellHasIcon(main_); }
    bool Shown() const { return ::IsWindowVisible(main_) && !ShellHasIcon(main_); }

    std::vector<HWND> iconsBefore_;
};

}  // namespace kestrel::e2e
