// Working the Options dialog from the outside: opening it from the main window, reading its
// controls' states and geometry in twips, typing, clicking, and hearing its beeps.
#pragma once
#include "app/fmMain_ids.h"
#include "settings/fmOptions_ids.h"
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::e2e {

namespace opt = ids::fmOptions;

// A place of a control in twips, as the dialog lays it out.
struct TwipsBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// One pixel of tolerance, expressed in twips at the screen's DPI.
inline int OnePixelTwips() { return ToTwips(1) + 1; }

inline void ExpectBoxNear(const TwipsBox& actual, const TwipsBox& expected) {
    EXPECT_NEAR(actual.left, expected.left, OnePixelTwips()) << "left";
    EXPECT_NEAR(actual.top, expected.top, OnePixelTwips()) << "top";
    EXPECT_NEAR(actual.width, expected.width, OnePixelTwips()) << "width";
    EXPECT_NEAR(actual.height, expected.height, OnePixelTwips()) << "height";
}

// The five size and orientation controls are enabled exactly while Destination is the printer.
inline void ExpectSizeControlsEnabled(HWND dialog, bool enabled) {
    for (int id : {opt::kOptPortrait, opt::kOptLandscape, opt::kCmdSpinUp, opt::kCmdSpinDn, opt::kTxtPercent}) {
        EXPECT_EQ(::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE, enabled) << id;
    }
}

// Opens Options from the main window's button; the dialog, or nullptr when none came up.
inline HWND OpenOptions(const KestrelProcess& kestrel) {
    Click(Child(kestrel.Main(), ids::fmMain::kCmdOptions));
    HWND dialog = nullptr;
    WaitFor([&] {
        dialog = kestrel.FindTopLevel(opt::kWindowClass, L"Options");
        return dialog != nullptr;
    });
    return dialog;
}

// Sets the main window's four settings fields first.
inline HWND OpenOptions(const KestrelProcess& kestrel, const wchar_t* scope, const wchar_t* destination,
                        const wchar_t* orientation, const wchar_t* percent) {
    SetField(kestrel.Main(), ids::fmMain::kTxtScope, scope);
    SetField(kestrel.Main(), ids::fmMain::kTxtDest, destination);
    SetField(kestrel.Main(), ids::fmMain::kTxtOrientation, orientation);
    SetField(kestrel.Main(), ids::fmMain::kTxtPercent, percent);
    return OpenOptions(kestrel);
}

inline bool IsChecked(HWND option) {
    DWORD_PTR state = 0;
    ::SendMessageTimeoutW(option, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

// Where `control` lies relative to the client area of the dialog.
inline TwipsBox InDialog(HWND dialog, HWND control) {
    const RECT origin = ClientRectOnScreen(dialog);
    const RECT r = WindowRect(control);
    return TwipsBox{ToTwips(r.left - origin.left), ToTwips(r.top - origin.top), ToTwips(r.right - r.left),
                    ToTwips(r.bottom - r.top)};
}

// Where `control` lies relative to the frame that holds it (its outer top-left corner).
inline TwipsBox InFrame(HWND frame, HWND control) {
    const RECT origin = WindowRect(frame);
    const RECT r = WindowRect(control);
    return TwipsBox{ToTwips(r.left - origin.left), ToTwips(r.top - origin.top), ToTwips(r.right - r.left),
                    ToTwips(r.bottom - r.top)};
}

// A mouse click as the control's own window procedure receives it: a button takes the focus on
// the press and reports the click on the release.
inline void PostMouseClick(HWND control) {
    ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

// Clicks into the field, selects its text and types over it, character by character.
inline void TypeInto(HWND edit, const std::wstring& text) {
    PostMouseClick(edit);
    ::PostMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t c : text) ::PostMessageW(edit, WM_CHAR, c, 1);
    if (text.empty()) ::PostMessageW(edit, WM_CHAR, VK_BACK, 1);
}

// Returns once the dialog's thread has handled everything posted to it before: the frame's
// pushed state is a mark nobody sees (a group box draws no pushed look) that can be read back.
inline void Sync(HWND dialog) {
    HWND mark = Child(dialog, opt::kFrame1);
    ::PostMessageW(mark, BM_SETSTATE, TRUE, 0);
    WaitFor([&] {
        DWORD_PTR state = 0;
        ::SendMessageTimeoutW(mark, BM_GETSTATE, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
        return (state & BST_PUSHED) != 0;
    });
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(mark, BM_SETSTATE, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

// A real click of the mouse (through the system's input queue) at the centre of `control`. Each
// event carries its own position: under Wine a pointer motion that the X server reports late can
// otherwise move the pointer back between SetCursorPos and the press.
inline void MouseClickAt(int x, int y) {
    ::SetCursorPos(x, y);
    const LONG ax = ::MulDiv(x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    const LONG ay = ::MulDiv(y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    INPUT input[3] = {};
    const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN,
                            MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        input[i].type = INPUT_MOUSE;
        input[i].mi.dx = ax;
        input[i].mi.dy = ay;
        input[i].mi.dwFlags = flags[i] | MOUSEEVENTF_ABSOLUTE;
    }
    ::SendInput(3, input, sizeof(INPUT));
}

inline void MouseClick(HWND control) {
    const RECT r = WindowRect(control);
    MouseClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// A point on the window's close box, found by asking the window along its caption; nullopt when
// there is none.
inline std::optional<POINT> CloseBox(HWND window) {
    const RECT r = WindowRect(window);
    const RECT client = ClientRectOnScreen(window);
    const int y = (r.top + client.top) / 2;  // the middle of the caption
    for (int x = r.right - 1; x > client.left; --x) {
        DWORD_PTR hit = 0;
        ::SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 5000, &hit);
        if (hit == HTCLOSE) return POINT{x - 2, y};
    }
    return std::nullopt;
}

inline COLORREF ScreenPixel(int x, int y) {
    HDC screen = ::GetDC(nullptr);
    const COLORREF colour = ::GetPixel(screen, x, y);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

// The colour on screen at a point given in twips of the dialog's client area.
inline COLORREF DialogPixel(HWND dialog, double xTwips, double yTwips) {
    const RECT origin = ClientRectOnScreen(dialog);
    const int dpi = ScreenDpi();
    return ScreenPixel(origin.left + static_cast<int>(xTwips * dpi / 1440.0),
                       origin.top + static_cast<int>(yTwips * dpi / 1440.0));
}

// Counts the system beeps on Kestrel's X display. Wine sounds MessageBeep as an X bell; the X
// keyboard extension reports every bell, and xkbevd runs a command for each one. The counter
// starts xkbevd (a Unix program, which Wine starts like any other) and reads its tally back
// through the Z: drive.
class BellCounter {
public:
    BellCounter() {
        const std::string dir =
            "/tmp/kestrel-bells-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount());
        dir_ = dir;
        ::CreateDirectoryA(DosPath("").c_str(), nullptr);
        std::ofstream(DosPath("/xkbevd.cf")) << "Bell() shell \"echo bell >> " << dir << "/bells\"\n";
        // The shell notes xkbevd's process id so that the destructor can end it, and keeps what it
        // says: it reports turning the audible bell off once it has started listening.
        std::wstring command = L"/bin/sh -c \"echo $$ > " + Widen(dir) + L"/pid; exec /usr/bin/xkbevd -cfg " +
                               Widen(dir) + L"/xkbevd.cf > " + Widen(dir) + L"/log 2>&1\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        started_ = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        if (!started_) return;
        if (pi.hThread) ::CloseHandle(pi.hThread);
        if (pi.hProcess) ::CloseHandle(pi.hProcess);
        listening_ = WaitFor(
            [&] {
                std::ifstream log(DosPath("/log"));
                std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
                return text.find("disabling the audible bell") != std::string::npos;
            },
            std::chrono::milliseconds(15000));
        // xkbevd rings once itself as it starts; count from when that has come and gone.
        WaitFor([&] { return Lines() > 0; }, std::chrono::milliseconds(2000));
        baseline_ = Settled();
    }
    ~BellCounter() {
        std::ifstream pidFile(DosPath("/pid"));
        std::string pid;
        if (pidFile >> pid) {
            std::wstring command = L"/bin/kill " + Widen(pid);
            STARTUPINFOW si{};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi{};
            if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
                if (pi.hThread) ::CloseHandle(pi.hThread);
                if (pi.hProcess) ::CloseHandle(pi.hProcess);
            }
        }
        pidFile.close();
        for (const char* name : {"/pid", "/log", "/bells", "/xkbevd.cf"}) ::DeleteFileA(DosPath(name).c_str());
        ::RemoveDirectoryA(DosPath("").c_str());
    }
    BellCounter(const BellCounter&) = delete;
    BellCounter& operator=(const BellCounter&) = delete;

    bool Listening() const { return started_ && listening_; }

    // Bells since the counter started listening, once no new one has come for half a second.
    int Settled() const {
        int count = Lines();
        for (;;) {
            ::Sleep(500);
            const int now = Lines();
            if (now == count) return count - baseline_;
            count = now;
        }
    }
    // Waits until at least `expected` bells have come, then returns the settled count.
    int AtLeast(int expected) const {
        WaitFor([&] { return Lines() - baseline_ >= expected; }, std::chrono::milliseconds(5000));
        return Settled();
    }

private:
    static std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }
    std::string DosPath(const std::string& name) const {
        std::string path = "Z:" + dir_ + name;
        for (char& c : path) {
            if (c == '/') c = '\\';
        }
        return path;
    }
    int Lines() const {
        std::ifstream file(DosPath("/bells"));
        int lines = 0;
        for (std::string line; std::getline(file, line);) ++lines;
        return lines;
    }

    std::string dir_;
    bool started_ = false;
    bool listening_ = false;
    int baseline_ = 0;
};

}  // namespace kestrel::e2e
