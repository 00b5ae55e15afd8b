// The icon's popup menu: each item does what its button does, while Kestrel sits in the tray.
#include "app/fmMain_ids.h"
#include "tests/e2e/tray_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace kestrel::e2e {
namespace {

// A window of another program that the user works in: a plain coloured window of this process,
// with a thread of its own to keep it painted.
class UserWindow {
public:
    explicit UserWindow(COLORREF colour) : colour_(colour) {
        thread_ = std::thread([this] { Run(); });
        WaitFor([&] { return ready_.load(); });
    }
    ~UserWindow() {
        if (wnd_) ::PostMessageW(wnd_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    UserWindow(const UserWindow&) = delete;
    UserWindow& operator=(const UserWindow&) = delete;

    HWND hWnd() const { return wnd_; }
    void BringToFront() const {
        ::SetForegroundWindow(wnd_);
        ::BringWindowToTop(wnd_);
    }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }

    void Run() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = ::CreateSolidBrush(colour_);
        wc.lpszClassName = L"KestrelTest.UserWindow";
        ::RegisterClassW(&wc);
        wnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"The user's work", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 150, 140,
                                 360, 240, nullptr, nullptr, wc.hInstance, nullptr);
        ::UpdateWindow(wnd_);
        ::SetForegroundWindow(wnd_);
        ready_ = true;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::UnregisterClassW(wc.lpszClassName, wc.hInstance);
        ::DeleteObject(wc.hbrBackground);
    }

    COLORREF colour_;
    HWND wnd_ = nullptr;
    std::atomic<bool> ready_{false};
    std::thread thread_;
};

void EmptyTheClipboard() {
    WaitFor([] {
        if (!::OpenClipboard(nullptr)) return false;
        ::EmptyClipboard();
        ::CloseClipboard();
        return true;
    });
}

bool ClipboardHasBitmap() { return ::IsClipboardFormatAvailable(CF_BITMAP) || ::IsClipboardFormatAvailable(CF_DIB); }

struct ClipboardImage {
    int width = 0;
    int height = 0;
    COLORREF centre = 0;
};

std::optional<ClipboardImage> ReadClipboardImage() {
    std::optional<ClipboardImage> image;
    if (!WaitFor([] { return ::OpenClipboard(nullptr) != FALSE; })) return image;
    if (HANDLE data = ::GetClipboardData(CF_DIB)) {
        if (const auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(data))) {
            ClipboardImage read;
            read.width = header->biWidth;
            read.height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
            const int bits = header->biBitCount;
            const bool masks = header->biCompression == BI_BITFIELDS;
            if ((bits == 24 || bits == 32) && (header->biCompression == BI_RGB || masks)) {
                // Wine hands 32-bit images out with the three colour masks after the header.
                const size_t offset =
                    header->biSize + (masks ? 3 * sizeof(DWORD) : 0) + header->biClrUsed * sizeof(RGBQUAD);
                const auto* pixels = reinterpret_cast<const unsigned char*>(header) + offset;
                const size_t stride = ((static_cast<size_t>(read.width) * bits + 31) / 32) * 4;
                const size_t row = static_cast<size_t>(read.height / 2);
                const unsigned char* p = pixels + row * stride + static_cast<size_t>(read.width / 2) * (bits / 8);
                read.centre = RGB(p[2], p[1], p[0]);
            }
            image = read;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return image;
}

class TrayMenu : public TrayTest {};

TEST_F(TrayMenu, RestoreShowsTheWindowAndTakesTheIconDown) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    PickMenuItem(menu, MenuItem::Restore);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_); })) << "Restore shows the window";
    EXPECT_TRUE(WaitFor([&] { return !ShellHasIcon(main_); })) << "and takes the icon down";
    EXPECT_TRUE(WaitFor([&] { return NewIconWindow(iconsBefore_) == nullptr; }));
    EXPECT_FALSE(MenuIsUp(kestrel_));

    // Minimize works again afterwards, and so does the icon.
    ASSERT_NO_FATAL_FAILURE(Minimize());
    PostShellCallback(main_, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return Shown(); }));
}

TEST_F(TrayMenu, ExitSavesTheSettingsAndTakesTheIconDown) {
    SetField(main_, ids::fmMain::kTxtScope, L"1");
    SetField(main_, ids::fmMain::kTxtDest, L"2");
    SetField(main_, ids::fmMain::kTxtOrientation, L"L");
    SetField(main_, ids::fmMain::kTxtPercent, L"83");
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    PickMenuItem(menu, MenuItem::Exit);
    ASSERT_EQ(kestrel_.WaitForExit(), 0u) << "Exit ends the program";
    EXPECT_FALSE(ShellHasIcon(main_)) << "and takes the icon down first";
    EXPECT_EQ(ReadRawValue("Scope")->Text(), "1");
    EXPECT_EQ(ReadRawValue("Destination")->Text(), "2");
    EXPECT_EQ(ReadRawValue("Orientation")->Text(), "L");
    EXPECT_EQ(ReadRawValue("Percent")->Text(), "83");
}

// Active Window from the tray menu takes the window the user was working in, not Kestrel's
// hidden window, the menu or the shell's tray; and Kestrel stays in the tray throughout.
TEST_F(TrayMenu, CaptureFromTheTrayTakesTheUsersWindowAndLeavesKestrelHidden) {
    SetField(main_, ids::fmMain::kTxtScope, L"2");
    SetField(main_, ids::fmMain::kTxtDest, L"2");
    ASSERT_NO_FATAL_FAILURE(Minimize());
    const COLORREF colour = RGB(0, 160, 80);
    UserWindow user(colour);
    user.BringToFront();
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == user.hWnd(); }));
    ::Sleep(300);  // painted
    EmptyTheClipboard();

    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    PickMenuItem(menu, MenuItem::Capture);
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
    EXPECT_TRUE(HoldsFor([&] { return !::IsWindowVisible(main_); }, 1500ms))
        << "a capture that starts in the tray neither shows nor hides the window";
    EXPECT_TRUE(ShellHasIcon(main_)) << "and leaves the icon up";
    EXPECT_TRUE(kestrel_.Running());
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));

    ASSERT_TRUE(WaitFor(ClipboardHasBitmap, 3s));
    const auto image = ReadClipboardImage();
    ASSERT_TRUE(image.has_value());
    const RECT rect = WindowRect(user.hWnd());
    EXPECT_EQ(image->width, rect.right - rect.left) << "the user's window, frame included";
    EXPECT_EQ(image->height, rect.bottom - rect.top);
    EXPECT_EQ(image->centre, colour) << "its pixels";
}

// The same with the mouse: the click on the shell's icon and on the menu item must not make the
// shell's tray or Kestrel's menu the window that is taken.
TEST_F(TrayMenu, CaptureClickedInTheTrayTakesTheUsersWindow) {
    SetField(main_, ids::fmMain::kTxtScope, L"2");
    SetField(main_, ids::fmMain::kTxtDest, L"2");
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND icon = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (icon = NewIconWindow(iconsBefore_)) != nullptr; }));
    const COLORREF colour = RGB(200, 40, 120);
    UserWindow user(colour);
    user.BringToFront();
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == user.hWnd(); }));
    ::Sleep(300);
    EmptyTheClipboard();

    MouseClick(Centre(WindowRect(icon)), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    HWND menu = WaitForMenu(kestrel_);
    ASSERT_NE(menu, nullptr);
    MouseClick(MenuItemCentre(menu, MenuItem::Capture), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));
    EXPECT_TRUE(HoldsFor([&] { return !::IsWindowVisible(main_); }, 1500ms));
    EXPECT_TRUE(ShellHasIcon(main_));

    ASSERT_TRUE(WaitFor(ClipboardHasBitmap, 3s));
    const auto image = ReadClipboardImage();
    ASSERT_TRUE(image.has_value());
    const RECT rect = WindowRect(user.hWnd());
    EXPECT_EQ(image->width, rect.right - rect.left) << "the user's window, frame included";
    EXPECT_EQ(image->height, rect.bottom - rect.top);
    EXPECT_EQ(image->centre, colour);
}

TEST_F(TrayMenu, OptionsOpensTheDialogModallyOverTheHiddenWindow) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    PickMenuItem(menu, MenuItem::Options);
    HWND options = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (options = kestrel_.FindTopLevel(nullptr, L"Options")) != nullptr; }, 3s));
    EXPECT_FALSE(::IsWindowVisible(main_)) << "the main window stays hidden under the dialog";
    EXPECT_TRUE(ShellHasIcon(main_));
    EXPECT_FALSE(::IsWindowEnabled(main_)) << "modal, as from the Options button";

    ::PostMessageW(options, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(options) || !::IsWindowVisible(options); }));
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms)) << "closing the dialog leaves Kestrel in the tray";
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }));
}

TEST_F(TrayMenu, AboutOpensModelessOverTheHiddenWindow) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    PickMenuItem(menu, MenuItem::About);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = kestrel_.FindTopLevel(nullptr, L"About")) != nullptr; }, 3s));
    EXPECT_FALSE(::IsWindowVisible(main_));
    EXPECT_TRUE(ShellHasIcon(main_));
    EXPECT_TRUE(::IsWindowEnabled(main_)) << "modeless: nothing else is disabled";

    // While it is open the icon still answers.
    HWND again = OpenMenu();
    ASSERT_NE(again, nullptr);
    CloseMenu(again);
    ASSERT_TRUE(WaitFor([&] { return !MenuIsUp(kestrel_); }));

    ::PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about) || !::IsWindowVisible(about); }));
    EXPECT_TRUE(HoldsFor([&] { return InTray(); }, 500ms));
    EXPECT_TRUE(kestrel_.Running());
}

// The whole way through the shell, with the mouse: the tray's own icon window relays the clicks.
TEST_F(TrayMenu, RealClicksOnTheIconAndTheMenu) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    HWND icon = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (icon = NewIconWindow(iconsBefore_)) != nullptr; }));

    MouseClick(Centre(WindowRect(icon)), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    HWND menu = WaitForMenu(kestrel_);
    ASSERT_NE(menu, nullptr) << "a right click on the icon pops up the menu";
    MouseClick(MenuItemCentre(menu, MenuItem::Restore), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "Restore, clicked";

    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_TRUE(WaitFor([&] { return (icon = NewIconWindow(iconsBefore_)) != nullptr; }));
    MouseClick(Centre(WindowRect(icon)), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "a double click on the icon restores";
    EXPECT_FALSE(MenuIsUp(kestrel_));
}

}  // namespace
}  // namespace kestrel::e2e
