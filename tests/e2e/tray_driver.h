// Driving Kestrel's notification-area icon from the outside: asking the shell whether it holds
// the icon, playing the shell's part (its callback messages and its restart broadcast), working the
// popup menu, and finding the icon's own window in Wine's tray.
//
// Wine's shell keeps the icons in "Wine System Tray" (winex11's stand-alone tray, on an X display
// without a tray of its own) or in explorer's tray window; each icon is a small window there that
// relays mouse actions to the owner, so the tests can also click the icon itself.
#pragma once
#include "app/fmMain_ids.h"
#include "tests/e2e/driver.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace kestrel::e2e {

// The program's one icon and the callback message it asked for.
inline constexpr UINT kIconId = 1;
inline constexpr UINT kCallbackMessage = WM_MOUSEMOVE;

// The items of the File menu, top to bottom.
enum class MenuItem { Exit = 0, Restore = 1, Options = 2, About = 3, Capture = 4 };
inline constexpr int kMenuItems = 5;

// Whether the shell holds an icon for (owner, id). The shell answers a modify of an icon it does
// not hold with a refusal, whoever sends it; a modify that changes nothing leaves the icon as it is.
inline bool ShellHasIcon(HWND owner, UINT id = kIconId) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof probe;
    probe.hWnd = owner;
    probe.uID = id;
    probe.uFlags = 0;
    return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// Takes an icon down behind its owner's back, as a crashing shell loses it.
inline bool ShellDeleteIcon(HWND owner, UINT id = kIconId) {
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = owner;
    record.uID = id;
    return ::Shell_NotifyIconW(NIM_DELETE, &record) != FALSE;
}

// The visible icon windows of Wine's tray.
inline std::vector<HWND> ShellIconWindows() {
    std::vector<HWND> icons;
    for (const wchar_t* trayClass : {L"__winex11_standalone_tray", L"Shell_TrayWnd"}) {
        for (HWND tray = ::FindWindowExW(nullptr, nullptr, trayClass, nullptr); tray;
             tray = ::FindWindowExW(nullptr, tray, trayClass, nullptr)) {
            for (HWND child = ::GetWindow(tray, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
                const std::wstring name = ClassName(child);
                if ((name == L"__winex11_tray_icon" || name == L"__wine_tray_icon") && ::IsWindowVisible(child)) {
                    icons.push_back(child);
                }
            }
        }
    }
    return icons;
}

// The icon window that appeared since `before` was taken, if exactly one did.
inline HWND NewIconWindow(const std::vector<HWND>& before) {
    HWND found = nullptr;
    for (HWND icon : ShellIconWindows()) {
        if (std::find(before.begin(), before.end(), icon) != before.end()) continue;
        if (found) return nullptr;
        found = icon;
    }
    return found;
}

// Clicks Minimize and waits until the window is gone and the shell holds and shows the icon. A
// fresh Wine session builds its notification area with the first icon, and the activations that
// come with it close a popup menu opened in that same moment: a user sees the icon before clicking
// it, so wait until it is shown, and a little longer.
inline bool MinimizeToTray(const KestrelProcess& kestrel) {
    HWND main = kestrel.Main();
    const std::vector<HWND> iconsBefore = ShellIconWindows();
    Click(Child(main, ids::fmMain::kCmdMinimize));
    if (!WaitFor([&] { return !::IsWindowVisible(main) && ShellHasIcon(main); })) return false;
    WaitFor([&] { return NewIconWindow(iconsBefore) != nullptr; }, 3s);
    ::Sleep(500);
    return true;
}

// What the shell sends when the user acts on the icon: the callback message with the icon's id in
// wParam and the mouse message in lParam.
inline void PostShellCallback(HWND main, UINT mouseMessage) {
    ::PostMessageW(main, kCallbackMessage, kIconId, static_cast<LPARAM>(mouseMessage));
}

// What a restarted shell broadcasts to every top-level window.
inline void BroadcastTaskbarCreated() {
    ::PostMessageW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
}

// The popup menu of Kestrel's process, once it is up.
inline HWND WaitForMenu(const KestrelProcess& kestrel, std::chrono::milliseconds timeout = 5s) {
    HWND menu = nullptr;
    WaitFor([&] { return (menu = kestrel.FindTopLevel(L"#32768")) != nullptr; }, timeout);
    return menu;
}

inline bool MenuIsUp(const KestrelProcess& kestrel) { return kestrel.FindTopLevel(L"#32768") != nullptr; }

// Another process's menu cannot be read, so items are picked by position: from nothing
// selected, the first Down selects the top item.
inline void PickMenuItem(HWND menu, MenuItem item) {
    for (int i = 0; i <= static_cast<int>(item); ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

inline void CloseMenu(HWND menu) { ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0); }

// The centre of an item, on the screen: the items share the menu's client area evenly.
inline POINT MenuItemCentre(HWND menu, MenuItem item) {
    const RECT client = ClientRectOnScreen(menu);
    const int height = client.bottom - client.top;
    const int index = static_cast<int>(item);
    return POINT{(client.left + client.right) / 2, client.top + (2 * index + 1) * height / (2 * kMenuItems)};
}

// Real input, as the user's mouse gives it.
inline void MouseClick(POINT at, DWORD down, DWORD up, int times = 1) {
    ::SetCursorPos(at.x, at.y);
    ::Sleep(50);
    for (int i = 0; i < times; ++i) {
        INPUT input[2]{};
        input[0].type = INPUT_MOUSE;
        input[0].mi.dwFlags = down;
        input[1].type = INPUT_MOUSE;
        input[1].mi.dwFlags = up;
        ::SendInput(2, input, sizeof(INPUT));
    }
}

inline POINT Centre(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

}  // namespace kestrel::e2e
