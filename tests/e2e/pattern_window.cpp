#include "tests/e2e/pattern_window.h"

#include <array>
#include <mutex>
#include <utility>

namespace kestrel::e2e {
namespace {

constexpr int kMarkerSize = 9;
constexpr wchar_t kClass[] = L"Kestrel.Test.Pattern";

}  // namespace

Pattern ColourField(int width, int height, const std::vector<Pixel>& colours) {
    Pattern pattern{{width, height, std::vector<Pixel>(static_cast<size_t>(width) * static_cast<size_t>(height))}, {}};
    auto at = [&](int x, int y) -> Pixel& { return pattern.image.pixels[static_cast<size_t>(y) * width + x]; };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // From a few colours: blocks of 4 x 4 pixels, never two equal neighbours in a row.
            at(x, y) = colours.empty() ? Rgb(x * 5 + y, y * 3 + (x >> 2), (x ^ y) * 7)
                                       : colours[static_cast<size_t>((x / 4) + 3 * (y / 4)) % colours.size()];
        }
    }
    const std::array<Pixel, 5> markerColours = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 0),
                                                Rgb(255, 0, 255)};
    const std::array<std::pair<int, int>, 5> places = {
        std::pair{3, 3}, std::pair{width - 3 - kMarkerSize, 3}, std::pair{3, height - 3 - kMarkerSize},
        std::pair{width - 3 - kMarkerSize, height - 3 - kMarkerSize}, std::pair{width / 2, height / 2}};
    for (size_t i = 0; i < places.size(); ++i) {
        const Pixel colour = colours.empty() ? markerColours[i] : colours[(i * 7 + 1) % colours.size()];
        const auto [left, top] = places[i];
        pattern.markers.push_back(Marker{left + kMarkerSize / 2, top + kMarkerSize / 2, colour});
        for (int y = top; y < top + kMarkerSize; ++y) {
            for (int x = left; x < left + kMarkerSize; ++x) at(x, y) = colour;
        }
    }
    return pattern;
}

Pattern Quadrants(int width, int height, const QuadrantColours& colours) {
    Pattern pattern{{width, height, std::vector<Pixel>(static_cast<size_t>(width) * static_cast<size_t>(height))}, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pattern.image.pixels[static_cast<size_t>(y) * width + x] =
                colours[(x < width / 2 ? 0 : 1) + (y < height / 2 ? 0 : 2)];
        }
    }
    for (int i = 0; i < 4; ++i) {
        pattern.markers.push_back(Marker{i % 2 ? width * 3 / 4 : width / 4, i < 2 ? height / 4 : height * 3 / 4,
                                         colours[static_cast<size_t>(i)]});
    }
    return pattern;
}

PatternWindow::PatternWindow(Kind kind, struct Pattern pattern, const std::vector<Pixel>& palette, POINT position)
    : pattern_(std::move(pattern)) {
    if (!palette.empty()) {
        std::vector<unsigned char> record(sizeof(LOGPALETTE) + palette.size() * sizeof(PALETTEENTRY));
        auto* logical = reinterpret_cast<LOGPALETTE*>(record.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = static_cast<WORD>(palette.size());
        for (size_t i = 0; i < palette.size(); ++i) {
            logical->palPalEntry[i] =
                PALETTEENTRY{static_cast<BYTE>(palette[i] >> 16), static_cast<BYTE>(palette[i] >> 8),
                             static_cast<BYTE>(palette[i]), 0};
        }
        palette_ = ::CreatePalette(logical);
    }
    thread_ = std::thread([this, kind, position] { Run(kind, position); });
    WaitFor([this] { return wnd_.load() != nullptr || failed_.load(); });
    BringToFront();
}

PatternWindow::~PatternWindow() {
    if (HWND wnd = wnd_.load()) ::PostMessageW(wnd, WM_CLOSE, 0, 0);
    if (thread_.joinable()) thread_.join();
    if (palette_) ::DeleteObject(palette_);
}

void PatternWindow::Run(Kind kind, POINT position) {
    static std::once_flag registered;
    std::call_once(registered, [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &PatternWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClass;
        ::RegisterClassW(&wc);
    });
    DWORD style = WS_POPUP;
    DWORD exStyle = 0;
    RECT outer{0, 0, pattern_.image.width, pattern_.image.height};
    if (kind == Kind::Captioned) {
        style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    } else if (kind == Kind::FullScreenTopmost) {
        exStyle = WS_EX_TOPMOST;
        position = POINT{0, 0};
    } else {
        position = POINT{(::GetSystemMetrics(SM_CXSCREEN) - outer.right) / 2,
                         (::GetSystemMetrics(SM_CYSCREEN) - outer.bottom) / 2};
    }
    HWND wnd = ::CreateWindowExW(exStyle, kClass, L"Kestrel test pattern", style, position.x, position.y,
                                 outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), this);
    if (!wnd) {
        failed_ = true;
        return;
    }
    ::ShowWindow(wnd, SW_SHOW);
    ::UpdateWindow(wnd);
    wnd_ = wnd;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    wnd_ = nullptr;
}

bool PatternWindow::BringToFront() const {
    HWND wnd = wnd_.load();
    int stable = 0;
    const bool inFront = WaitFor(
        [&] {
            if (::GetForegroundWindow() != wnd) {
                stable = 0;
                ::SetForegroundWindow(wnd);
                return false;
            }
            return ++stable >= 5;
        },
        5s);
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return inFront;
}

bool PatternWindow::TakeForegroundFrom(HWND other) const {
    const DWORD thread = ::GetWindowThreadProcessId(other, nullptr);
    return WaitFor(
        [&] {
            // A program that has just started may still be taking the foreground for its window.
            if (!BringToFront() || !HoldsFor([&] { return ::GetForegroundWindow() == hWnd(); }, 500ms)) return false;
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return ::GetGUIThreadInfo(thread, &info) && info.hwndActive != other;
        },
        20s);
}

POINT PatternWindow::ClientOffset() const {
    POINT origin{0, 0};
    ::ClientToScreen(hWnd(), &origin);
    const RECT window = WindowRect(hWnd());
    return POINT{origin.x - window.left, origin.y - window.top};
}

void PatternWindow::Paint(HDC dc) const {
    HPALETTE previous = nullptr;
    if (palette_) {
        previous = ::SelectPalette(dc, palette_, FALSE);
        ::RealizePalette(dc);
    }
    const Image& image = pattern_.image;
    const BITMAPINFO info = TopDown32BitInfo(image.width, image.height);
    ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(image.width), static_cast<DWORD>(image.height), 0, 0, 0,
                        static_cast<UINT>(image.height), image.pixels.data(), &info, DIB_RGB_COLORS);
    if (previous) ::SelectPalette(dc, previous, FALSE);
}

LRESULT CALLBACK PatternWindow::Proc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    const auto* self = reinterpret_cast<const PatternWindow*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(wnd, &ps);
        if (self) self->Paint(dc);
        ::EndPaint(wnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_QUERYNEWPALETTE:
        if (self && self->palette_) {
            HDC dc = ::GetDC(wnd);
            HPALETTE previous = ::SelectPalette(dc, self->palette_, FALSE);
            const UINT changed = ::RealizePalette(dc);
            ::SelectPalette(dc, previous, FALSE);
            ::ReleaseDC(wnd, dc);
            if (changed) ::InvalidateRect(wnd, nullptr, FALSE);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(wnd, message, wParam, lParam);
}

}  // namespace kestrel::e2e
