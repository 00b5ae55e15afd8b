#include "tests/e2e/tray_support.h"

#include "app/fmMain_ids.h"

#include <shellapi.h>

#include <algorithm>

namespace kestrel::e2e {
namespace {

bool NotifyShell(DWORD request, HWND owner) {
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = owner;
    record.uID = kIconId;
    return ::Shell_NotifyIconW(request, &record) != FALSE;
}

}  // namespace

// Wine keeps the icons in winex11's stand-alone tray (on an X display without a tray of its own) or in
// explorer's, each a small window that relays mouse actions to the owner as a real tray does.
std::vector<HWND> ShellIconWindows() {
    std::vector<HWND> icons;
    for (const wchar_t* trayClass : {L"__winex11_standalone_tray", L"Shell_TrayWnd"}) {
        for (HWND tray = nullptr; (tray = ::FindWindowExW(nullptr, tray, trayClass, nullptr)) != nullptr;) {
            for (const wchar_t* iconClass : {L"__winex11_tray_icon", L"__wine_tray_icon"}) {
                for (HWND icon = nullptr; (icon = ::FindWindowExW(tray, icon, iconClass, nullptr)) != nullptr;) {
                    if (::IsWindowVisible(icon)) icons.push_back(icon);
                }
            }
        }
    }
    return icons;
}

bool ShellHasIcon(HWND owner) { return NotifyShell(NIM_MODIFY, owner); }
bool ShellDeleteIcon(HWND owner) { return NotifyShell(NIM_DELETE, owner); }

HWND NewIconWindow(const std::vector<HWND>& before) {
    std::vector<HWND> added;
    for (HWND icon : ShellIconWindows()) {
        if (std::find(before.begin(), before.end(), icon) == before.end()) added.push_back(icon);
    }
    return added.size() == 1 ? added[0] : nullptr;
}

void TrayTest::TearDown() {
    if (main_) ShellDeleteIcon(main_);
    ::SetCursorPos(900, 700);
}

// A fresh Wine session builds its tray with the first icon, and the activations that come with it close a
// menu opened in that moment: a user sees the icon before clicking it, so wait for it, and a bit longer.
void TrayTest::Minimize() {
    ASSERT_TRUE(::IsWindowVisible(main_));
    const std::vector<HWND> before = ShellIconWindows();
    Click(Child(main_, ids::fmMain::kCmdMinimize));
    ASSERT_TRUE(WaitFor([&] { return InTray(); })) << "Minimize hides the window and the shell holds the icon";
    WaitFor([&] { return NewIconWindow(before) != nullptr; }, 3s);
    ::Sleep(500);
}

HWND TrayTest::WaitForMenu() {
    HWND menu = nullptr;
    WaitFor([&] { return (menu = kestrel_.FindTopLevel(L"#32768")) != nullptr; }, 5s);
    return menu;
}

HWND TrayTest::OpenMenu() {
    PostShellCallback(main_, WM_RBUTTONUP);
    return WaitForMenu();
}

void TrayTest::OpenAndCloseMenu() {
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr) << "517 pops up the menu";
    ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(menu); })) << "Escape closes it";
}

// Another process's menu cannot be read, so the item is picked by its position: from nothing selected,
// the first Down selects the top item.
void TrayTest::Choose(MenuItem item) {
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i <= static_cast<int>(item); ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

HWND TrayTest::IconWindow() {
    HWND icon = nullptr;
    WaitFor([&] { return (icon = NewIconWindow(iconsBefore_)) != nullptr; });
    return icon;
}

}  // namespace kestrel::e2e
