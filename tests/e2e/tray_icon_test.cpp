// The notification-area icon: Minimize puts it up, the shell's reports of mouse actions on it
// restore the window or pop up the menu, a restarted shell gets it back, and closing takes it down.
#include "app/fmMain_ids.h"
#include "tests/e2e/tray_support.h"
#include "tests/e2e/pixels.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::e2e {
namespace {

// A stand-in for the shell's tray window that writes down every icon request it gets.
//
// Wine's Shell_NotifyIcon hands each request to the first top-level window of the class
// "Shell_TrayWnd" as WM_COPYDATA, with the request (NIM_ADD, NIM_DELETE, ...) as dwData and, first in
// the data, the record's hWnd, uID, uFlags and uCallbackMessage. A window of that class created
// after the real one comes first in z-order, so it gets the requests instead. Needed because Wine's
// own tray drops the icons of a window that is destroyed or whose process ends: whether the program
// took its icon down itself cannot be seen there afterwards.
struct ShellRequest {
    DWORD message = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE, ...
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::vector<std::uint8_t> data;  // the whole message, as Wine's shell packed it

    // Whether the packed data holds `text` in UTF-16 followed by a NUL.
    bool CarriesText(const std::wstring& text) const {
        std::vector<std::uint8_t> needle;
        for (wchar_t c : text + L'\0') {
            needle.push_back(static_cast<std::uint8_t>(c & 0xFF));
            needle.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
        }
        return std::search(data.begin(), data.end(), needle.begin(), needle.end()) != data.end();
    }
};

class FakeShellTray {
public:
    FakeShellTray() {
        thread_ = std::thread([this] { Run(); });
        WaitFor([&] { return ready_.load(); });
    }
    ~FakeShellTray() {
        if (wnd_) ::PostMessageW(wnd_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    FakeShellTray(const FakeShellTray&) = delete;
    FakeShellTray& operator=(const FakeShellTray&) = delete;

    // Whether Shell_NotifyIcon finds this window rather than the real tray.
    bool InCharge() const { return wnd_ && ::FindWindowW(L"Shell_TrayWnd", nullptr) == wnd_; }

    std::vector<ShellRequest> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

    // The requests about the icon (owner, id).
    std::vector<ShellRequest> RequestsFor(HWND owner, std::uint32_t id) const {
        std::vector<ShellRequest> matching;
        for (const ShellRequest& r : Requests()) {
            if (r.hWnd == Bits(owner) && r.uID == id) matching.push_back(r);
        }
        return matching;
    }

    static std::uint32_t Bits(HWND wnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(wnd)); }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<FakeShellTray*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (message == WM_COPYDATA && self) return self->OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (message == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }

    LRESULT OnCopyData(const COPYDATASTRUCT& copy) {
        ShellRequest request;
        request.message = static_cast<DWORD>(copy.dwData);
        const auto* bytes = static_cast<const std::uint8_t*>(copy.lpData);
        request.data.assign(bytes, bytes + copy.cbData);
        if (copy.cbData < 16) return FALSE;
        std::uint32_t head[4];
        std::memcpy(head, bytes, sizeof head);
        request.hWnd = head[0];
        request.uID = head[1];
        request.uFlags = head[2];
        request.uCallbackMessage = head[3];

        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        // Answer as a shell does: an icon is added once, and only an icon it holds can be changed
        // or removed.
        const auto key = std::make_pair(request.hWnd, request.uID);
        const auto held = std::find(icons_.begin(), icons_.end(), key);
        switch (request.message) {
        case NIM_ADD:
            if (held != icons_.end()) return FALSE;
            icons_.push_back(key);
            return TRUE;
        case NIM_DELETE:
            if (held == icons_.end()) return FALSE;
            icons_.erase(held);
            return TRUE;
        default:
            return held != icons_.end();
        }
    }

    void Run() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Shell_TrayWnd";
        ::RegisterClassW(&wc);
        HWND wnd = ::CreateWindowExW(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                                     nullptr);
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        wnd_ = wnd;
        ready_ = true;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
        ::UnregisterClassW(wc.lpszClassName, wc.hInstance);
    }

    mutable std::mutex mutex_;
    std::vector<ShellRequest> requests_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> icons_;
    HWND wnd_ = nullptr;
    std::atomic<bool> ready_{false};
    std::thread thread_;
};

// The visible tooltip window showing `text`, of whichever process.
HWND VisibleTooltip(const std::wstring& text) {
    for (HWND tip = ::FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); tip;
         tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr)) {
        if (::IsWindowVisible(tip) && WindowText(tip) == text) return tip;
    }
    return nullptr;
}

class TrayIcon : public TrayTest {};

TEST_F(TrayIcon, MinimizeHidesTheWindowAndPutsUpTheProgramIconWithItsTip) {
    EXPECT_FALSE(ShellHasIcon(main_)) << "no icon while the window is shown";
    ASSERT_NO_FATAL_FAILURE(Minimize());

    HWND icon = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (icon = NewIconWindow(iconsBefore_)) != nullptr; }))
        << "the shell's tray shows one new icon";
    ::Sleep(300);  // let the tray paint it
    const IconMatch program = BestIconMatch(ScreenImage(WindowRect(icon)), ProgramIcon(16), 16);
    ASSERT_GT(program.opaque, 100);
    EXPECT_EQ(program.mismatches, 0) << "the icon is the program icon's own 16 x 16 image";

    // The tip shows when the pointer rests on the icon.
    ::SetCursorPos(Centre(WindowRect(icon)).x, Centre(WindowRect(icon)).y);
    EXPECT_TRUE(WaitFor([] { return VisibleTooltip(L"Kestrel") != nullptr; }, 5s)) << "tip \"Kestrel\"";

    EXPECT_FALSE(::IsWindowVisible(main_)) << "resting the pointer on the icon changes nothing";
    EXPECT_TRUE(ShellHasIcon(main_));
}

TEST_F(TrayIcon, LeftDoubleClickRestoresTheWindowAndTakesTheIconDown) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_TRUE(WaitFor([&] { return NewIconWindow(iconsBefore_) != nullptr; }));
    PostShellCallback(main_, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_); })) << "515 brings the window back";
    EXPECT_TRUE(WaitFor([&] { return !ShellHasIcon(main_); })) << "and takes the icon down";
    EXPECT_TRUE(WaitFor([&] { return NewIconWindow(iconsBefore_) == nullptr; })) << "the tray no longer shows it";
    EXPECT_FALSE(::IsIconic(main_));
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
}

TEST_F(TrayIcon, OtherMouseActionsOnTheIconDoNothing) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    // A single left click (513, 514), a right press (516), a right double click (518), a move over
    // the icon (512), the middle button (519..521), the wheel (522) and numbers of no mouse
    // message at all, up to the largest whose twips still fit in 16 bits (2184 x 15).
    for (UINT message : {513u, 514u, 516u, 518u, 512u, 519u, 520u, 521u, 522u, 0u, 1u, 1029u, 2184u}) {
        PostShellCallback(main_, message);
    }
    // The shell's messages are handled in order: once the menu of a following 517 is up, every
    // one before it has been handled.
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(::IsWindowVisible(main_)) << "nothing restored the window";
    EXPECT_TRUE(ShellHasIcon(main_));
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId())) << "no error";
    CloseMenu(menu);
    EXPECT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms)) << "closing the menu leaves Kestrel in the tray";
}

TEST_F(TrayIcon, RightButtonReleasePopsUpTheMenuRightAlignedAtThePointer) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ::SetCursorPos(700, 300);
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr) << "517 pops up the menu";
    const RECT rect = WindowRect(menu);
    EXPECT_NEAR(rect.right, 700, 1) << "the menu's right edge at the pointer";
    EXPECT_NEAR(rect.top, 300, 1) << "its top at the pointer";
    EXPECT_GT(rect.right - rect.left, 20);
    EXPECT_EQ(::GetForegroundWindow(), main_) << "Kestrel took the foreground, so the menu can close";

    CloseMenu(menu);
    EXPECT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms));
    EXPECT_TRUE(kestrel_.Running());
}

TEST_F(TrayIcon, ClickingElsewhereClosesTheMenu) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ::SetCursorPos(600, 300);
    ASSERT_NE(OpenMenu(), nullptr);
    MouseClick(POINT{200, 650}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }, 3s)) << "a click outside the menu closes it";
    EXPECT_TRUE(InTray());
}

// On a screen of more than about 200 dpi a pointer over the shown window sits at a pixel column
// past 512, and the window hears the same mouse-move message the shell sends for the icon.
TEST_F(TrayIcon, MouseMovesOverTheShownWindowAreNotIconActions) {
    for (UINT column : {517u, 515u, 517u}) ::PostMessageW(main_, WM_MOUSEMOVE, 0, MAKELPARAM(column, 40));
    EXPECT_TRUE(HoldsFor([&] { return !MenuIsUp(kestrel_) && Shown(); }, 1500ms));
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));

    // The same goes after a round trip through the tray.
    ASSERT_NO_FATAL_FAILURE(Minimize());
    PostShellCallback(main_, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return Shown(); }));
    ::PostMessageW(main_, WM_MOUSEMOVE, 0, MAKELPARAM(517, 10));
    EXPECT_TRUE(HoldsFor([&] { return !MenuIsUp(kestrel_) && Shown(); }, 1500ms));
}

TEST_F(TrayIcon, AnErrorInFormMouseMoveIsReportedAndTheProgramGoesOn) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    // 4000 pixels is more twips than a 16-bit integer holds.
    ::PostMessageW(main_, kCallbackMessage, kIconId, MAKELPARAM(4000, 0));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(kestrel_.ProcessId())) != nullptr; }));
    EXPECT_EQ(WindowText(box), L"Kestrel in Form_MouseMove()");
    EXPECT_EQ(MessageBoxText(box), L"Overflow");
    EXPECT_NE(::GetDlgItem(box, IDOK), nullptr);
    for (int other : {IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE}) {
        EXPECT_EQ(::GetDlgItem(box, other), nullptr) << "only an OK button, not " << other;
    }
    ::Sleep(200);
    EXPECT_EQ(MessageBoxIconKind(box), L"information");
    Click(::GetDlgItem(box, IDOK));
    ASSERT_TRUE(WaitFor([&] { return !FindMessageBox(kestrel_.ProcessId()); }));
    EXPECT_TRUE(kestrel_.Running());
    EXPECT_TRUE(InTray()) << "the routine ended, nothing else changed";

    // Y is rounded before the message is looked at: the double click below it is never seen.
    ::PostMessageW(main_, kCallbackMessage, kIconId, MAKELPARAM(WM_LBUTTONDBLCLK, 4000));
    ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(kestrel_.ProcessId())) != nullptr; }));
    EXPECT_EQ(WindowText(box), L"Kestrel in Form_MouseMove()");
    Click(::GetDlgItem(box, IDOK));
    ASSERT_TRUE(WaitFor([&] { return !FindMessageBox(kestrel_.ProcessId()); }));
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms));

    // And the program goes on: the icon still answers.
    PostShellCallback(main_, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return Shown(); }));
}

class TrayShell : public TrayTest {};

TEST_F(TrayShell, ARestartedShellGetsTheIconBackWhileKestrelIsInTheTray) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_TRUE(ShellDeleteIcon(main_)) << "the shell loses its icons";
    ASSERT_FALSE(ShellHasIcon(main_));
    BroadcastTaskbarCreated();
    EXPECT_TRUE(WaitFor([&] { return ShellHasIcon(main_); })) << "\"TaskbarCreated\" puts the icon up again";
    EXPECT_TRUE(WaitFor([&] { return NewIconWindow(iconsBefore_) != nullptr; })) << "and the tray shows it";
    EXPECT_FALSE(::IsWindowVisible(main_));

    // It is the same icon: its actions still reach Kestrel.
    PostShellCallback(main_, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return Shown(); }));
}

TEST_F(TrayShell, ARestartedShellGetsNoIconWhileTheWindowIsShown) {
    BroadcastTaskbarCreated();
    EXPECT_TRUE(HoldsFor([&] { return Shown(); }, 1s)) << "never minimized: no icon";

    ASSERT_NO_FATAL_FAILURE(Minimize());
    PostShellCallback(main_, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return Shown(); }));
    BroadcastTaskbarCreated();
    EXPECT_TRUE(HoldsFor([&] { return Shown(); }, 1s)) << "restored: no icon";
}

TEST_F(TrayShell, ClosingTheHiddenWindowTakesTheIconDownAndSavesNothing) {
    const std::wstring percent = L"61";
    SetField(main_, ids::fmMain::kTxtPercent, percent);
    const auto stored = ReadRawValue("Percent");
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_FALSE(ShellHasIcon(main_)) << "the icon went with it";
    const auto after = ReadRawValue("Percent");
    ASSERT_EQ(stored.has_value(), after.has_value());
    if (stored) EXPECT_EQ(after->Text(), stored->Text()) << "closing saves nothing";
}

TEST_F(TrayShell, ClosingTheShownWindowNeedsNoIcon) {
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_FALSE(ShellHasIcon(main_));
}

// What Kestrel asks of the shell, seen by a stand-in tray window. No probing of the shell from
// here: the stand-in would get those requests too.
class TrayRequests : public TrayTest {
protected:
    void MinimizeInto(const FakeShellTray& shell) {
        Click(Child(main_, ids::fmMain::kCmdMinimize));
        ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(main_); }));
        ASSERT_TRUE(WaitFor([&] { return !shell.RequestsFor(main_, kIconId).empty(); }));
    }
};

TEST_F(TrayRequests, TheIconHasItsIdCallbackAndTipAndIsNeverChanged) {
    FakeShellTray shell;
    ASSERT_TRUE(shell.InCharge());
    ASSERT_NO_FATAL_FAILURE(MinimizeInto(shell));
    std::vector<ShellRequest> requests = shell.RequestsFor(main_, kIconId);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(requests[0].uFlags, static_cast<std::uint32_t>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(requests[0].uCallbackMessage, 512u);
    EXPECT_TRUE(requests[0].CarriesText(L"Kestrel")) << "the tip, ended where the text ends";

    // Using the icon changes nothing about it.
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    CloseMenu(menu);
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
    PostShellCallback(main_, WM_LBUTTONDOWN);
    PostShellCallback(main_, WM_LBUTTONUP);
    PostShellCallback(main_, WM_MOUSEMOVE);
    PostShellCallback(main_, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_) != FALSE; }));
    ASSERT_TRUE(WaitFor([&] { return shell.RequestsFor(main_, kIconId).size() == 2; }));
    requests = shell.RequestsFor(main_, kIconId);
    EXPECT_EQ(requests[1].message, static_cast<DWORD>(NIM_DELETE)) << "the double click took it down";
    for (const ShellRequest& r : shell.Requests()) EXPECT_NE(r.message, static_cast<DWORD>(NIM_MODIFY));
}

TEST_F(TrayRequests, ExitFromTheMenuTakesTheIconDownBeforeTheProgramEnds) {
    FakeShellTray shell;
    ASSERT_TRUE(shell.InCharge());
    ASSERT_NO_FATAL_FAILURE(MinimizeInto(shell));
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Exit));
    ASSERT_EQ(kestrel_.WaitForExit(), 0u);
    const std::vector<ShellRequest> requests = shell.RequestsFor(main_, kIconId);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(requests[1].message, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(TrayRequests, ClosingTheHiddenWindowTakesTheIconDown) {
    FakeShellTray shell;
    ASSERT_TRUE(shell.InCharge());
    ASSERT_NO_FATAL_FAILURE(MinimizeInto(shell));
    ASSERT_NO_FATAL_FAILURE(Close());
    const std::vector<ShellRequest> requests = shell.RequestsFor(main_, kIconId);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].message, static_cast<DWORD>(NIM_DELETE));
}

class TrayIconAt144Dpi : public TrayTest {};

TEST_F(TrayIconAt144Dpi, TheIconAnswersAtTenTwipsPerPixel) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr) << "517 pops up the menu";
    CloseMenu(menu);
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
    PostShellCallback(main_, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "515 restores";

    ::PostMessageW(main_, WM_MOUSEMOVE, 0, MAKELPARAM(517, 10));
    EXPECT_TRUE(HoldsFor([&] { return !MenuIsUp(kestrel_) && Shown(); }, 1s)) << "not while shown";
}

// The prefix's display resolution for programs started while this lives; Wine reads it when a
// process starts.
class PrefixDpi {
public:
    explicit PrefixDpi(DWORD dpi) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                          nullptr);
        DWORD size = sizeof old_;
        had_ = ::RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS;
        ::RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~PrefixDpi() {
        if (had_) {
            ::RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        } else {
            ::RegDeleteValueW(key_, L"LogPixels");
        }
        ::RegCloseKey(key_);
    }
    PrefixDpi(const PrefixDpi&) = delete;
    PrefixDpi& operator=(const PrefixDpi&) = delete;

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_ = false;
};

using TrayIconAtHighDpi = KestrelTest;

// At 192 dpi a pixel is 7.5 twips, not a whole number; at 240 dpi the window is wide enough for
// the pointer to cross pixel columns 515 and 517.
TEST_F(TrayIconAtHighDpi, ThePointerOverTheWindowIsNoIconActionAndTheIconStillAnswers) {
    for (DWORD dpi : {192u, 240u}) {
        SCOPED_TRACE(dpi);
        {
            PrefixDpi scaled(dpi);
            ASSERT_NO_FATAL_FAILURE(Start());
        }
        const RECT client = ClientRectOnScreen(main_);
        ASSERT_NEAR(client.right - client.left, 3735.0 * dpi / 1440, 1) << "the window is scaled";

        if (client.right - client.left > 520) {
            ::SetForegroundWindow(main_);
            // Along the margin above the buttons: the form's own area, not a button's.
            const int y = client.top + 5;
            for (int column = 505; column <= 525; ++column) {
                ::SetCursorPos(client.left + column, y);
                ::Sleep(30);
            }
            EXPECT_TRUE(HoldsFor([&] { return !MenuIsUp(kestrel_) && ::IsWindowVisible(main_); }, 1s))
                << "moving the pointer across the window pops nothing up";
            ::SetCursorPos(900, 700);
        }

        ASSERT_TRUE(MinimizeToTray(kestrel_));
        PostShellCallback(main_, WM_RBUTTONUP);
        HWND menu = WaitForMenu(kestrel_);
        EXPECT_NE(menu, nullptr) << "517 pops up the menu";
        if (menu) CloseMenu(menu);
        ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
        PostShellCallback(main_, WM_LBUTTONDBLCLK);
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_) && !ShellHasIcon(main_); })) << "515 restores";
        ShellDeleteIcon(main_);
    }
}

}  // namespace
}  // namespace kestrel::e2e
