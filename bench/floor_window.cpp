// The floor of the footprint benchmark: the least a Win32 program with one visible window costs,
// built with the same compiler and flags as kestrel.exe. One window class, one empty captioned
// window of about Kestrel's size, the message loop, nothing else.
//
// Built a second time as floor_themed.exe (KESTREL_FLOOR_THEMED) with Kestrel's manifest and one
// push button: the common controls 6 that the manifest asks for are what a themed button costs,
// and under Wine that is most of what separates Kestrel from the bare floor.
#include "toolkit/win.h"

namespace {

LRESULT CALLBACK FloorProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(wnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
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
    ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 8, 8, 41, 39, wnd, nullptr, instance,
                      nullptr);
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
