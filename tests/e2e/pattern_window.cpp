#include "tests/e2e/pattern_window.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace kestrel::e2e {
namespace {

constexpr int kMarkerSize = 9;
constexpr wchar_t kClass[] = L"Kestrel.Test.Pattern";

Pattern Blank(int width, int height) {
    return {{width, height, std::vector<Pixel>(static_cast<size_t>(width) * static_cast<size_t>(height))}, {}};
}

void Fill(Image& image, int left, int top, int right, int bottom, Pixel colour) {
    for (int y = top; y < bottom; ++y) std::fill_n(image.pixels.begin() + y * image.width + left, right - left, colour);
}

}  // namespace

Pattern ColourField(int width, int height, const std::vector<Pixel>& colours) {
    Pattern pattern = Blank(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // From a few colours: blocks of 4 x 4 pixels, never two equal neighbours in a row.
            pattern.image.pixels[static_cast<size_t>(y) * width + x] =
                colours.empty() ? Rgb(x * 5 + y, y * 3 + (x >> 2), (x ^ y) * 7)
                                : colours[static_cast<size_t>((x / 4) + 3 * (y / 4)) % colours.size()];
        }
    }
    const Pixel markerColours[] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 0), Rgb(255, 0, 255)};
    const int right = width - 3 - kMarkerSize;
    const int bottom = height - 3 - kMarkerSize;
    const int places[][2] = {{3, 3}, {right, 3}, {3, bottom}, {right, bottom}, {width / 2, height / 2}};
    for (size_t i = 0; i < std::size(places); ++i) {
        const auto [left, top] = places[i];
        const Pixel colour = colours.empty() ? markerColours[i] : colours[(i * 7 + 1) % colours.size()];
        pattern.markers.push_back(Marker{left + kMarkerSize / 2, top + kMarkerSize / 2, colour});
        Fill(pattern.image, left, top, left + kMarkerSize, top + kMarkerSize, colour);
    }
    return pattern;
}

Pattern Quadrants(int width, int height, const QuadrantColours& colours) {
    Pattern pattern = Blank(width, height);
    for (size_t i = 0; i < 4; ++i) {
        const bool right = i % 2;
        const bool bottom = i >= 2;
        Fill(pattern.image, right ? width / 2 : 0, bottom ? height / 2 : 0, right ? width : width / 2,
             bottom ? height : height / 2, colours[i]);
        pattern.markers.push_back(
            Marker{right ? width * 3 / 4 : width / 4, bottom ? height * 3 / 4 : height / 4, colours[i]});
    }
    return pattern;
}

PatternWindow::PatternWindow(Kind kind, struct Pattern pattern, const std::vector<Pixel>& palette, POINT position)
    : pattern_(std::move(pattern)) {
    if (!palette.empty()) {
        struct {
            WORD version;
            WORD count;
            PALETTEENTRY entries[256];
        } record{0x300, static_cast<WORD>(std::min<size_t>(palette.size(), 256)), {}};
        for (size_t i = 0; i < record.count; ++i) {
            const Pixel p = palette[i];
            record.entries[i] = {static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p), 0};
        }
        palette_.reset(::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record)));
    }
    thread_ = std::thread([this, kind, position] { Run(kind, position); });
    WaitFor([this] { return wnd_.load() != nullptr || failed_.load(); });
    BringToFront();
}

PatternWindow::~PatternWindow() {
    if (HWND wnd = wnd_.load()) ::PostMessageW(wnd, WM_CLOSE, 0, 0);
    if (thread_.joinable()) thread_.join();
}

void PatternWindow::Run(Kind kind, POINT position) {
    static std::once_flag registered;
    std::call_once(registered, [] {
        const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
        const WNDCLASSW wc{0, &Proc, 0, 0, ::GetModuleHandleW(nullptr), nullptr, arrow, nullptr, nullptr, kClass};
        ::RegisterClassW(&wc);
    });
    const DWORD style = kind == Kind::Captioned ? WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME : WS_POPUP;
    RECT outer{0, 0, pattern_.image.width, pattern_.image.height};
    ::AdjustWindowRectEx(&outer, style, FALSE, 0);
    if (kind == Kind::FullScreenTopmost) position = POINT{0, 0};
    if (kind == Kind::Centred) {
        position = POINT{(::GetSystemMetrics(SM_CXSCREEN) - outer.right) / 2,
                         (::GetSystemMetrics(SM_CYSCREEN) - outer.bottom) / 2};
    }
    HWND wnd = ::CreateWindowExW(kind == Kind::FullScreenTopmost ? WS_EX_TOPMOST : 0, kClass, L"Kestrel test pattern",
                                 style, position.x, position.y, outer.right - outer.left, outer.bottom - outer.top,
                                 nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
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
            if (::GetForegroundWindow() == wnd) return ++stable >= 5;
            stable = 0;
            ::SetForegroundWindow(wnd);
            return false;
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

// Realises the palette, when there is one, so that the picture's colours reach the screen, and
// draws when asked; how many entries of the system palette changed.
UINT PatternWindow::Paint(HDC dc, bool draw) const {
    HPALETTE previous = palette_ ? ::SelectPalette(dc, palette_.get(), FALSE) : nullptr;
    const UINT changed = palette_ ? ::RealizePalette(dc) : 0;
    const Image& image = pattern_.image;
    const BITMAPINFO info = TopDown32BitInfo(image.width, image.height);
    if (draw) {
        ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(image.width), static_cast<DWORD>(image.height), 0, 0, 0,
                            static_cast<UINT>(image.height), image.pixels.data(), &info, DIB_RGB_COLORS);
    }
    if (previous) ::SelectPalette(dc, previous, FALSE);
    return changed;
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
        if (self) self->Paint(dc, true);
        ::EndPaint(wnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_QUERYNEWPALETTE:
        if (!self || !self->palette_) break;
        if (self->Paint(WindowDc::Client(wnd).get(), false)) ::InvalidateRect(wnd, nullptr, FALSE);
        return TRUE;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(wnd, message, wParam, lParam);
}

}  // namespace kestrel::e2e
