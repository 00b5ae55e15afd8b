#include "tests/e2e/options_support.h"

#include <fstream>
#include <iterator>

namespace kestrel::e2e {
namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Runs a Unix command line through Wine and lets it go on alone.
bool RunUnix(std::wstring command) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hThread) ::CloseHandle(pi.hThread);
    if (pi.hProcess) ::CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

int OnePixelTwips() { return ToTwips(1) + 1; }

void ExpectBoxNear(const TwipsBox& actual, const TwipsBox& expected) {
    EXPECT_NEAR(actual.left, expected.left, OnePixelTwips()) << "left";
    EXPECT_NEAR(actual.top, expected.top, OnePixelTwips()) << "top";
    EXPECT_NEAR(actual.width, expected.width, OnePixelTwips()) << "width";
    EXPECT_NEAR(actual.height, expected.height, OnePixelTwips()) << "height";
}

void ExpectSizeControlsEnabled(HWND dialog, bool enabled) {
    for (int id : {opt::kOptPortrait, opt::kOptLandscape, opt::kCmdSpinUp, opt::kCmdSpinDn, opt::kTxtPercent}) {
        EXPECT_EQ(::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE, enabled) << id;
    }
}

HWND OpenOptions(const KestrelProcess& kestrel) {
    Click(Child(kestrel.Main(), ids::fmMain::kCmdOptions));
    HWND dialog = nullptr;
    WaitFor([&] {
        dialog = kestrel.FindTopLevel(opt::kWindowClass, L"Options");
        return dialog != nullptr;
    });
    return dialog;
}

HWND OpenOptions(const KestrelProcess& kestrel, const wchar_t* scope, const wchar_t* destination,
                 const wchar_t* orientation, const wchar_t* percent) {
    SetFields(kestrel.Main(), {scope, destination, orientation, percent});
    return OpenOptions(kestrel);
}

bool IsChecked(HWND option) {
    DWORD_PTR state = 0;
    ::SendMessageTimeoutW(option, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

TwipsBox InDialog(HWND dialog, HWND control) {
    const RECT origin = ClientRectOnScreen(dialog);
    const RECT r = WindowRect(control);
    return TwipsBox{ToTwips(r.left - origin.left), ToTwips(r.top - origin.top), ToTwips(r.right - r.left),
                    ToTwips(r.bottom - r.top)};
}

TwipsBox InFrame(HWND frame, HWND control) {
    const RECT origin = WindowRect(frame);
    const RECT r = WindowRect(control);
    return TwipsBox{ToTwips(r.left - origin.left), ToTwips(r.top - origin.top), ToTwips(r.right - r.left),
                    ToTwips(r.bottom - r.top)};
}

void PostMouseClick(HWND control) {
    ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void TypeInto(HWND edit, const std::wstring& text) {
    PostMouseClick(edit);
    ::PostMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t c : text) ::PostMessageW(edit, WM_CHAR, c, 1);
    if (text.empty()) ::PostMessageW(edit, WM_CHAR, VK_BACK, 1);
}

void Sync(HWND dialog) {
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

void MouseClickAt(int x, int y) {
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

void MouseClick(HWND control) {
    const RECT r = WindowRect(control);
    MouseClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

std::optional<POINT> CloseBox(HWND window) {
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

COLORREF ScreenPixel(int x, int y) {
    HDC screen = ::GetDC(nullptr);
    const COLORREF colour = ::GetPixel(screen, x, y);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

COLORREF DialogPixel(HWND dialog, double xTwips, double yTwips) {
    const RECT origin = ClientRectOnScreen(dialog);
    const int dpi = ScreenDpi();
    return ScreenPixel(origin.left + static_cast<int>(xTwips * dpi / 1440.0),
                       origin.top + static_cast<int>(yTwips * dpi / 1440.0));
}

bool PressOK(HWND dialog) {
    Click(Child(dialog, opt::kCmdOK));
    return WaitFor([&] { return !::IsWindow(dialog); });
}

bool CloseDialog(HWND dialog, UINT message) {
    ::PostMessageW(dialog, message, message == WM_SYSCOMMAND ? SC_CLOSE : 0, 0);
    return WaitFor([&] { return !::IsWindow(dialog); });
}

BellCounter::BellCounter() {
    dir_ = "/tmp/kestrel-bells-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount());
    ::CreateDirectoryA(DosPath("").c_str(), nullptr);
    std::ofstream(DosPath("/xkbevd.cf")) << "Bell() shell \"echo bell >> " << dir_ << "/bells\"\n";
    // The shell notes xkbevd's process id so that the destructor can end it, and keeps what it
    // says: it reports turning the audible bell off once it has started listening.
    started_ = RunUnix(L"/bin/sh -c \"echo $$ > " + Widen(dir_) + L"/pid; exec /usr/bin/xkbevd -cfg " + Widen(dir_) +
                       L"/xkbevd.cf > " + Widen(dir_) + L"/log 2>&1\"");
    if (!started_) return;
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

BellCounter::~BellCounter() {
    std::ifstream pidFile(DosPath("/pid"));
    std::string pid;
    if (pidFile >> pid) RunUnix(L"/bin/kill " + Widen(pid));
    pidFile.close();
    for (const char* name : {"/pid", "/log", "/bells", "/xkbevd.cf"}) ::DeleteFileA(DosPath(name).c_str());
    ::RemoveDirectoryA(DosPath("").c_str());
}

int BellCounter::Settled() const {
    int count = Lines();
    for (;;) {
        ::Sleep(500);
        const int now = Lines();
        if (now == count) return count - baseline_;
        count = now;
    }
}

int BellCounter::AtLeast(int expected) const {
    WaitFor([&] { return Lines() - baseline_ >= expected; }, std::chrono::milliseconds(5000));
    return Settled();
}

std::string BellCounter::DosPath(const std::string& name) const {
    std::string path = "Z:" + dir_ + name;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

int BellCounter::Lines() const {
    std::ifstream file(DosPath("/bells"));
    int lines = 0;
    for (std::string line; std::getline(file, line);) ++lines;
    return lines;
}

}  // namespace kestrel::e2e
