#include "toolkit/dpi.h"

#include "toolkit/handles.h"
#include "toolkit/system_function.h"

namespace kestrel {

int SystemDpi() {
    using GetDpiForSystemFn = UINT(WINAPI*)();
    if (auto fn = SystemFunction<GetDpiForSystemFn>(L"user32.dll", "GetDpiForSystem")) {
        if (UINT dpi = fn()) return static_cast<int>(dpi);
    }
    WindowDc screen = WindowDc::Client(nullptr);
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND wnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    if (auto fn = SystemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow")) {
        if (UINT dpi = fn(wnd)) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    if (auto fn = SystemFunction<AdjustForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi")) {
        fn(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
    } else {
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
}

}  // namespace kestrel
