// The floor of the footprint benchmarks: the least a Win32 program with one visible window costs,
// built with the same compiler and flags as kestrel.exe. One window class, one empty captioned
// window of about Kestrel's size, the message loop, nothing else.
//
// Built a second time as floor_themed.exe (KESTREL_FLOOR_THEMED) with Kestrel's manifest and one
// push button: the common controls 6 that the manifest asks for are what a themed button costs,
// and under Wine that is most of what separates Kestrel from the bare floor.
//
// Both also capture, the least that Kestrel's Capture command has to do: on WM_COMMAND with
// kCaptureCommand (the themed button's click, or a command posted by the benchmark) the window
// hides, lets the screen repaint, copies the entire screen (or, with "window" on the command line,
// the window the user works in) into a compatible bitmap, puts that on the clipboard and comes
// back in front. After captures the floor's memory is what the platform keeps for them.
//
// The floor keeps to bare Win32 calls, without the toolkit's C++ handle owners, so that it costs
// only what Win32 costs (they bring in the C++ library's exception support, 100 KB of program file).
#include "toolkit/win.h"

#include <cwchar>

namespace {

constexpr int kCaptureCommand = 1;

bool g_activeWindow = false;
HWND g_lastForeign = nullptr;  // the last window in front that was not this one

void NoteForeground(HWND self) {
    HWND front = ::GetForegroundWindow();
    if (front && front != self) g_lastForeign = front;
}

void LetTheScreenRepaint() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void Capture(HWND self) {
    NoteForeground(self);
    ::ShowWindow(self, SW_HIDE);
    LetTheScreenRepaint();
    HWND target = g_activeWindow ? g_lastForeign : ::GetDesktopWindow();
    RECT rect{};
    if (target && ::IsWindow(target) && ::GetWindowRect(target, &rect)) {
        const int width = rect.right - rect.left;
        const int height = rect.bottom - rect.top;
        HDC source = ::GetWindowDC(target);
        HDC memory = ::CreateCompatibleDC(source);
        HBITMAP bitmap = ::CreateCompatibleBitmap(source, width, height);
        HGDIOBJ previous = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        ::SelectObject(memory, previous);
        ::DeleteDC(memory);
        ::ReleaseDC(target, source);
        bool placed = false;
        if (bitmap && ::OpenClipboard(self)) {
            ::EmptyClipboard();
            placed = ::SetClipboardData(CF_BITMAP, bitmap) != nullptr;
            ::CloseClipboard();
        }
        if (bitmap && !placed) ::DeleteObject(bitmap);
    }
    // Back in front, as Kestrel comes back.
    ::ShowWindow(self, SW_SHOW);
    ::SetForegroundWindow(self);
}

LRESULT CALLBACK FloorProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kCaptureCommand) {
            Capture(wnd);
            return 0;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) NoteForeground(wnd);
        break;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(wnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
    g_activeWindow = commandLine && std::wcsstr(commandLine, L"window") != nullptr;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"Kestrel.Floor";
    if (!::RegisterClassW(&windowClass)) return 1;
    HWND wnd = ::CreateWindowExW(0, windowClass.lpszClassName, L"Floor", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                 CW_USEDEFAULT, CW_USEDEFAULT, 256, 90, nullptr, nullptr, instance, nullptr);
    if (!wnd) return 1;
#ifdef KESTREL_FLOOR_THEMED
    ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 8, 8, 41, 39, wnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCaptureCommand)), instance, nullptr);
#endif
    ::ShowWindow(wnd, show);
    ::UpdateWindow(wnd);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
