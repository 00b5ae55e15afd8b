// The notification-area icon: Minimize puts it up, the shell's reports of mouse actions on it restore
// the window or pop up the menu, a restarted shell gets it back, and closing takes it down.
#include "app/fmMain_ids.h"
#include "tests/e2e/keyboard_support.h"
#include "tests/e2e/pixels.h"
#include "tests/e2e/tray_support.h"

#include <shellapi.h>

#include <array>
#include <cstring>
#include <tuple>

namespace kestrel::e2e {
namespace {

class TrayIcon : public TrayTest {
protected:
    bool StaysShown(std::chrono::milliseconds duration) {  // with no icon and no menu
        return HoldsFor([&] { return !MenuIsUp() && Shown(); }, duration);
    }
    bool RestoreFromTray() {  // the shell's report of a double click; whether the window came back
        PostShellCallback(main_, WM_LBUTTONDBLCLK);
        return WaitFor([&] { return Shown(); });
    }
    // Through the tray and back: the menu comes and goes, and a double click restores.
    void RoundTrip() {
        ASSERT_NO_FATAL_FAILURE(Minimize());
        ASSERT_NO_FATAL_FAILURE(OpenAndCloseMenu());
        ASSERT_TRUE(RestoreFromTray()) << "515 restores";
        // On a screen of more than about 200 dpi a pointer over the shown window sits at a pixel column
        // past 512, and the window hears the same mouse-move message the shell sends for the icon.
        ::PostMessageW(main_, WM_MOUSEMOVE, 0, MAKELPARAM(517, 10));
        EXPECT_TRUE(StaysShown(1500ms)) << "a mouse move over the shown window is no icon action";
    }
};

TEST_F(TrayIcon, MinimizeHidesTheWindowAndPutsUpTheProgramIconWithItsTip) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND icon = IconWindow();
    ASSERT_NE(icon, nullptr) << "the shell's tray shows one new icon";
    ::Sleep(300);  // let the tray paint it
    const IconMatch program = BestIconMatch(ScreenImage(WindowRect(icon)), ProgramIcon(16), 16);
    ASSERT_GT(program.opaque, 100);
    EXPECT_EQ(program.mismatches, 0) << "the icon is the program icon's own 16 x 16 image";
    const POINT centre = Centre(WindowRect(icon));
    ::SetCursorPos(centre.x, centre.y);
    const auto tipShown = [] {  // by a tooltip window of whichever process
        for (HWND tip = nullptr; (tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr));) {
            if (::IsWindowVisible(tip) && WindowText(tip) == L"Kestrel") return true;
        }
        return false;
    };
    EXPECT_TRUE(WaitFor(tipShown, 5s)) << "the tip \"Kestrel\"";
    EXPECT_TRUE(InTray()) << "resting the pointer on the icon changes nothing";
}

TEST_F(TrayIcon, LeftDoubleClickRestoresTheWindowAndTakesTheIconDown) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NE(IconWindow(), nullptr);
    EXPECT_TRUE(RestoreFromTray()) << "515 brings the window back and takes the icon down";
    EXPECT_TRUE(WaitFor([&] { return NewIconWindow(iconsBefore_) == nullptr; })) << "the tray no longer shows it";
    EXPECT_FALSE(::IsIconic(main_));
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
}

TEST_F(TrayIcon, OtherMouseActionsOnTheIconDoNothing) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    // A single left click (513, 514), a right press (516), a right double click (518), a move over the
    // icon (512), the middle button (519..521), the wheel (522) and numbers of no mouse message at all,
    // up to the largest whose twips still fit in 16 bits (2184 x 15).
    for (UINT message : {513u, 514u, 516u, 518u, 512u, 519u, 520u, 521u, 522u, 0u, 1u, 1029u, 2184u}) {
        PostShellCallback(main_, message);
    }
    // Handled in order: once the menu of a following 517 is up, every one before it has been handled.
    ASSERT_NO_FATAL_FAILURE(OpenAndCloseMenu());
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId())) << "no error";
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms)) << "nothing restored the window, closing the menu neither";
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
}

TEST_F(TrayIcon, ClickingElsewhereClosesTheMenu) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ::SetCursorPos(600, 300);
    ASSERT_NE(OpenMenu(), nullptr);
    for (DWORD flags : {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) SendMouse(POINT{200, 650}, flags);
    EXPECT_TRUE(WaitFor([&] { return !MenuIsUp(); }, 3s)) << "a click outside the menu closes it";
    EXPECT_TRUE(InTray());
}

TEST_F(TrayIcon, MouseMovesOverTheShownWindowAreNotIconActions) {
    for (UINT column : {517u, 515u, 517u}) ::PostMessageW(main_, WM_MOUSEMOVE, 0, MAKELPARAM(column, 40));
    EXPECT_TRUE(StaysShown(1500ms));
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
    RoundTrip();  // the same after a round trip through the tray
}

TEST_F(TrayIcon, AnErrorInFormMouseMoveIsReportedAndTheProgramGoesOn) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    // 4000 pixels is more twips than a 16-bit integer holds. Y is rounded before the message is looked
    // at: the double click above a Y of 4000 is never seen.
    for (LPARAM overflow : {MAKELPARAM(4000, 0), MAKELPARAM(WM_LBUTTONDBLCLK, 4000)}) {
        SCOPED_TRACE(overflow);
        ::PostMessageW(main_, kCallbackMessage, kIconId, overflow);
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(kestrel_.ProcessId())) != nullptr; }));
        EXPECT_EQ(WindowText(box), L"Kestrel in Form_MouseMove()");
        EXPECT_EQ(MessageBoxText(box), L"Overflow");
        for (int button : {IDOK, IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE}) {
            EXPECT_EQ(::GetDlgItem(box, button) != nullptr, button == IDOK) << "only an OK button; " << button;
        }
        ::Sleep(200);
        EXPECT_EQ(MessageBoxIconKind(box), L"information");
        Click(::GetDlgItem(box, IDOK));
        ASSERT_TRUE(WaitFor([&] { return !FindMessageBox(kestrel_.ProcessId()); }));
        EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms)) << "the routine ended, nothing else changed";
    }
    EXPECT_TRUE(RestoreFromTray()) << "and the program goes on: the icon still answers";
}

// What a restarted shell broadcasts to every top-level window.
void TaskbarCreated() { ::PostMessageW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0); }

using TrayShell = TrayIcon;

TEST_F(TrayShell, ARestartedShellGetsTheIconBackWhileKestrelIsInTheTray) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_TRUE(ShellDeleteIcon(main_)) << "the shell loses its icons";
    TaskbarCreated();
    EXPECT_TRUE(WaitFor([&] { return ShellHasIcon(main_); })) << "\"TaskbarCreated\" puts the icon up again";
    EXPECT_NE(IconWindow(), nullptr) << "and the tray shows it";
    EXPECT_FALSE(::IsWindowVisible(main_));
    EXPECT_TRUE(RestoreFromTray()) << "it is the same icon: its actions still reach Kestrel";
}

TEST_F(TrayShell, ARestartedShellGetsNoIconWhileTheWindowIsShown) {
    TaskbarCreated();
    EXPECT_TRUE(HoldsFor([&] { return Shown(); }, 1s)) << "never minimized: no icon";
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_TRUE(RestoreFromTray());
    TaskbarCreated();
    EXPECT_TRUE(HoldsFor([&] { return Shown(); }, 1s)) << "restored: no icon";
}

TEST_F(TrayShell, ClosingTheHiddenWindowTakesTheIconDownAndSavesNothing) {
    SetField(main_, ids::fmMain::kTxtPercent, L"61");
    const std::vector<std::string> stored = StoredSettings();
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ(StoredSettings(), stored) << "closing saves nothing";
}

TEST_F(TrayShell, ClosingTheShownWindowNeedsNoIcon) {
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_FALSE(ShellHasIcon(main_));
}

// A stand-in for the shell's tray that writes down every icon request: Wine's Shell_NotifyIcon sends each
// as WM_COPYDATA to the first top-level "Shell_TrayWnd", which one made after the real tray is. Wine's
// tray drops the icons of a window that goes, so only here can a test see the program take its icon
// down itself. The program ignores the answers. The test pumps while Kestrel talks to it.
struct FakeShellTray {
    struct Request {
        DWORD message;  // NIM_ADD, NIM_DELETE, ...
        // As Wine packs them: hWnd, uID, uFlags and uCallbackMessage first, 32 bits each.
        std::array<std::uint32_t, 4> head;
        std::string data;
    };

    FakeShellTray() {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        const WNDCLASSW wc{0, Proc, 0, 0, instance, nullptr, nullptr, nullptr, nullptr, L"Shell_TrayWnd"};
        ::RegisterClassW(&wc);
        wnd =
            ::CreateWindowExW(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
        requests.clear();
    }
    ~FakeShellTray() {
        ::DestroyWindow(wnd);
        ::UnregisterClassW(L"Shell_TrayWnd", ::GetModuleHandleW(nullptr));
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (message != WM_COPYDATA || copy->cbData < 16) return ::DefWindowProcW(window, message, wParam, lParam);
        Request request{static_cast<DWORD>(copy->dwData), {}, {static_cast<const char*>(copy->lpData), copy->cbData}};
        std::memcpy(request.head.data(), copy->lpData, sizeof request.head);
        requests.push_back(request);
        return TRUE;
    }

    inline static std::vector<Request> requests;  // of the one stand-in at a time
    HWND wnd = nullptr;
};

// What Kestrel asks of the shell. No probing of the shell here: the stand-in would get those requests too.
class TrayRequests : public TrayTest {
protected:
    void MinimizeIntoTheStandIn() {
        ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell_.wnd) << "the stand-in is the first tray";
        Click(Child(main_, ids::fmMain::kCmdMinimize));
        ASSERT_TRUE(capture::PumpUntil([&] { return !::IsWindowVisible(main_) && !shell_.requests.empty(); }));
    }
    // The icon went up once and came down once: each request's message, hWnd and uID.
    void ExpectAddedThenDeleted() {
        std::vector<std::tuple<DWORD, std::uint32_t, std::uint32_t>> seen;
        for (const FakeShellTray::Request& r : shell_.requests) seen.emplace_back(r.message, r.head[0], r.head[1]);
        const auto wnd = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(main_));
        EXPECT_EQ(seen, (decltype(seen){{NIM_ADD, wnd, kIconId}, {NIM_DELETE, wnd, kIconId}}));
    }

    FakeShellTray shell_;
};

TEST_F(TrayRequests, TheIconHasItsIdCallbackAndTipAndIsNeverChanged) {
    ASSERT_NO_FATAL_FAILURE(MinimizeIntoTheStandIn());
    ASSERT_EQ(shell_.requests.size(), 1u);
    const FakeShellTray::Request& add = shell_.requests[0];
    EXPECT_EQ(add.head[2], static_cast<std::uint32_t>(NIF_MESSAGE | NIF_ICON | NIF_TIP)) << "uFlags";
    EXPECT_EQ(add.head[3], 512u) << "uCallbackMessage";
    const wchar_t tip[] = L"Kestrel";  // ended where the text ends
    EXPECT_NE(add.data.find(std::string(reinterpret_cast<const char*>(tip), sizeof tip)), std::string::npos);

    // Using the icon changes nothing about it; the double click takes it down.
    ASSERT_NO_FATAL_FAILURE(OpenAndCloseMenu());
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_LBUTTONDBLCLK})
        PostShellCallback(main_, message);
    ASSERT_TRUE(capture::PumpUntil([&] { return ::IsWindowVisible(main_) && shell_.requests.size() >= 2; }));
    ExpectAddedThenDeleted();
}

TEST_F(TrayRequests, ExitFromTheMenuTakesTheIconDownBeforeTheProgramEnds) {
    ASSERT_NO_FATAL_FAILURE(MinimizeIntoTheStandIn());
    ASSERT_NO_FATAL_FAILURE(Choose(MenuItem::Exit));
    ASSERT_TRUE(capture::PumpUntil([&] { return !kestrel_.Running(); }));
    ExpectAddedThenDeleted();
}

TEST_F(TrayRequests, ClosingTheHiddenWindowTakesTheIconDown) {
    ASSERT_NO_FATAL_FAILURE(MinimizeIntoTheStandIn());
    ::PostMessageW(main_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(capture::PumpUntil([&] { return !kestrel_.Running(); }));
    ExpectAddedThenDeleted();
}

using TrayIconAt144Dpi = TrayIcon;

TEST_F(TrayIconAt144Dpi, TheIconAnswersAtTenTwipsPerPixel) { RoundTrip(); }

using TrayIconAtHighDpi = TrayIcon;

// At 192 dpi a pixel is 7.5 twips, not a whole number; at 240 dpi the window is wide enough for the
// pointer to cross pixel columns 515 and 517. Wine reads the prefix's resolution when a process starts.
TEST_F(TrayIconAtHighDpi, ThePointerOverTheWindowIsNoIconActionAndTheIconStillAnswers) {
    const wchar_t* desktop = L"Control Panel\\Desktop";
    const auto sessionDpi = static_cast<DWORD>(ScreenDpi());
    for (DWORD dpi : {192u, 240u}) {
        SCOPED_TRACE(dpi);
        ::RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
        Start();
        ::RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &sessionDpi, sizeof sessionDpi);
        ASSERT_FALSE(HasFatalFailure());
        const RECT client = ClientRectOnScreen(main_);
        ASSERT_NEAR(client.right - client.left, 3735.0 * dpi / 1440, 1) << "the window is scaled";
        if (client.right - client.left > 520) {
            ::SetForegroundWindow(main_);
            // Along the margin above the buttons: the form's own area, not a button's.
            for (int column = 505; column <= 525; ++column) {
                ::SetCursorPos(client.left + column, client.top + 5);
                ::Sleep(30);
            }
            EXPECT_TRUE(StaysShown(1s)) << "moving the pointer across the window pops nothing up";
            ::SetCursorPos(900, 700);
        }
        ASSERT_NO_FATAL_FAILURE(RoundTrip());
    }
}

// The end of the Windows session (log off, shut down) takes the icon down, as closing the window does;
// only Exit saves the settings.
using TrayEndSession = TrayTest;

TEST_F(TrayEndSession, EndingTheSessionTakesTheIconDownAndSavesNothing) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    WriteSettings("1", "1", "P", "50");
    SetField(main_, ids::fmMain::kTxtPercent, L"42");
    for (BOOL ends : {FALSE, TRUE}) {
        SCOPED_TRACE(ends ? "the session ends" : "another program refused, and the session goes on");
        for (UINT message : {WM_QUERYENDSESSION, WM_ENDSESSION}) {
            const WPARAM wParam = message == WM_ENDSESSION ? ends : 0;
            ASSERT_TRUE(Answer(main_, message, wParam, ENDSESSION_LOGOFF));
        }
        if (!ends) EXPECT_TRUE(HoldsFor([&] { return ShellHasIcon(main_); }, 500ms)) << "the icon stays";
        if (ends) EXPECT_TRUE(WaitFor([&] { return !ShellHasIcon(main_); }, 3s)) << "the icon goes";
    }
    EXPECT_EQ(StoredSettings()[3], "50") << "the settings are saved by Exit only";
}

}  // namespace
}  // namespace kestrel::e2e
