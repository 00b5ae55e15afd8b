#include "tests/e2e/tray_support.h"

#include "app/fmMain_ids.h"

#include <shellapi.h>

#include <algorithm>

namespace kestrel::e2e {
namespace {

constexpr int kMenuItems = 5;

}  // namespace

bool ShellHasIcon(HWND owner, UINT id) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof probe;
    probe.hWnd = owner;
    probe.uID = id;
    probe.uFlags = 0;
    return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

bool ShellDeleteIcon(HWND owner, UINT id) {
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = owner;
    record.uID = id;
    return ::Shell_NotifyIconW(NIM_DELETE, &record) != FALSE;
}

std::vector<HWND> ShellIconWindows() {
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

HWND NewIconWindow(const std::vector<HWND>& before) {
    HWND found = nullptr;
    for (HWND icon : ShellIconWindows()) {
        if (std::find(before.begin(), before.end(), icon) != before.end()) continue;
        if (found) return nullptr;
        found = icon;
    }
    return found;
}

bool MinimizeToTray(const KestrelProcess& kestrel) {
    HWND main = kestrel.Main();
    const std::vector<HWND> iconsBefore = ShellIconWindows();
    Click(Child(main, ids::fmMain::kCmdMinimize));
    if (!WaitFor([&] { return !::IsWindowVisible(main) && ShellHasIcon(main); })) return false;
    WaitFor([&] { return NewIconWindow(iconsBefore) != nullptr; }, 3s);
    ::Sleep(500);
    return true;
}

void PostShellCallback(HWND main, UINT mouseMessage) {
    ::PostMessageW(main, kCallbackMessage, kIconId, static_cast<LPARAM>(mouseMessage));
}

void BroadcastTaskbarCreated() { ::PostMessageW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0); }

HWND WaitForMenu(const KestrelProcess& kestrel, std::chrono::milliseconds timeout) {
    HWND menu = nullptr;
    WaitFor([&] { return (menu = kestrel.FindTopLevel(L"#32768")) != nullptr; }, timeout);
    return menu;
}

bool MenuIsUp(const KestrelProcess& kestrel) { return kestrel.FindTopLevel(L"#32768") != nullptr; }

void PickMenuItem(HWND menu, MenuItem item) {
    for (int i = 0; i <= static_cast<int>(item); ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

void CloseMenu(HWND menu) { ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0); }

POINT MenuItemCentre(HWND menu, MenuItem item) {
    const RECT client = ClientRectOnScreen(menu);
    const int height = client.bottom - client.top;
    const int index = static_cast<int>(item);
    return POINT{(client.left + client.right) / 2, client.top + (2 * index + 1) * height / (2 * kMenuItems)};
}

void MouseClick(POINT at, DWORD down, DWORD up, int times) {
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

POINT Centre(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

void TrayTest::SetUp() {
    ASSERT_NO_FATAL_FAILURE(Start());
    iconsBefore_ = ShellIconWindows();
}

void TrayTest::TearDown() {
    if (main_) ShellDeleteIcon(main_);
    ::SetCursorPos(900, 700);
}

void TrayTest::Minimize() {
    ASSERT_TRUE(::IsWindowVisible(main_));
    ASSERT_TRUE(MinimizeToTray(kestrel_)) << "Minimize hides the window and the shell shows the icon";
}

HWND TrayTest::OpenMenu() {
    PostShellCallback(main_, WM_RBUTTONUP);
    return WaitForMenu(kestrel_);
}

void TrayTest::Choose(MenuItem item) {
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr) << "the menu did not come up";
    PickMenuItem(menu, item);
}

}  // namespace kestrel::e2e
