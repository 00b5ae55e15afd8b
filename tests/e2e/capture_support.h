// Helpers of the capture tests: windows painted with a known pattern, reading the picture that
// Kestrel left on the clipboard, and counting a process's GDI objects, windows and memory.
//
// Everything here runs in the test process. The pattern windows belong to the test process, so the
// test's thread pumps its messages (Pump, PumpUntil) whenever it waits for Kestrel: Wine repaints a
// window only while its own thread handles events.
#pragma once
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kestrel::e2e::capture {

// --------------------------------------------------------------------------------------------
// Waiting without blocking the test's own windows.

inline void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

template <typename Condition>
bool PumpUntil(Condition condition, std::chrono::milliseconds timeout = 15s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Pump();
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void PumpFor(std::chrono::milliseconds duration) {
    PumpUntil([] { return false; }, duration);
}

// --------------------------------------------------------------------------------------------
// Colours and pixels. Pixels are 0x00RRGGBB, rows top-down.

using Pixel = std::uint32_t;

constexpr Pixel Rgb(int r, int g, int b) {
    return (static_cast<Pixel>(r & 0xFF) << 16) | (static_cast<Pixel>(g & 0xFF) << 8) | static_cast<Pixel>(b & 0xFF);
}
constexpr COLORREF ToColorRef(Pixel p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;
    Pixel At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

// FNV-1a over the RGB bytes of a rectangle.
inline std::uint64_t Checksum(const Image& image, int left, int top, int width, int height) {
    std::uint64_t hash = 1469598103934665603ull;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            const Pixel p = image.At(x, y);
            for (int shift : {16, 8, 0}) {
                hash ^= (p >> shift) & 0xFF;
                hash *= 1099511628211ull;
            }
        }
    }
    return hash;
}

// How many pixels of `actual` (offset by dx, dy) differ from `expected`; stops counting at `limit`.
inline int CountDifferences(const Image& expected, const Image& actual, int dx, int dy, int limit = 1 << 30) {
    int differences = 0;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            if (expected.At(x, y) != actual.At(x + dx, y + dy) && ++differences >= limit) return differences;
        }
    }
    return differences;
}

// The first difference, for failure messages.
inline std::string FirstDifference(const Image& expected, const Image& actual, int dx, int dy) {
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            if (expected.At(x, y) != actual.At(x + dx, y + dy)) {
                std::ostringstream text;
                text << "first difference at (" << x << "," << y << "): expected " << std::hex << expected.At(x, y)
                     << " got " << actual.At(x + dx, y + dy);
                return text.str();
            }
        }
    }
    return "no difference";
}

// --------------------------------------------------------------------------------------------
// The pattern: a smooth, position-dependent colour field (so a shifted or scaled capture cannot
// match it), with solid markers of known colours at known places.

struct Marker {
    int x;
    int y;
    Pixel colour;
};

constexpr int kMarkerSize = 9;

// A pattern drawn from an arbitrary colour set (24-bit screens) or from a few colours only (the
// colours that a palette screen can show exactly).
inline Image MakePattern(int width, int height, const std::vector<Pixel>& palette, std::vector<Marker>& markers) {
    Image image{width, height, std::vector<Pixel>(static_cast<size_t>(width) * static_cast<size_t>(height))};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Pixel p;
            if (palette.empty()) {
                p = Rgb(x * 5 + y, y * 3 + (x >> 2), (x ^ y) * 7);
            } else {
                // Blocks of 4 x 4 pixels, never two equal neighbours in a row.
                p = palette[static_cast<size_t>((x / 4) + 3 * (y / 4)) % palette.size()];
            }
            image.pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x] = p;
        }
    }
    const std::array<Pixel, 5> markerColours = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 0),
                                                Rgb(255, 0, 255)};
    const std::array<std::pair<int, int>, 5> places = {
        std::pair{3, 3}, std::pair{width - 3 - kMarkerSize, 3}, std::pair{3, height - 3 - kMarkerSize},
        std::pair{width - 3 - kMarkerSize, height - 3 - kMarkerSize}, std::pair{width / 2, height / 2}};
    markers.clear();
    for (size_t i = 0; i < places.size(); ++i) {
        const Pixel colour = palette.empty() ? markerColours[i] : palette[(i * 7 + 1) % palette.size()];
        markers.push_back(Marker{places[i].first + kMarkerSize / 2, places[i].second + kMarkerSize / 2, colour});
        for (int y = places[i].second; y < places[i].second + kMarkerSize; ++y) {
            for (int x = places[i].first; x < places[i].first + kMarkerSize; ++x) {
                image.pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x] = colour;
            }
        }
    }
    return image;
}

// A top-level window of the test process whose client area shows an Image. On a palette screen it
// realises a palette of the image's colours, so that they reach the screen exactly.
class PatternWindow {
public:
    enum class Kind { Captioned, FullScreenTopmost };

    PatternWindow(Kind kind, int clientWidth, int clientHeight, const std::vector<Pixel>& palette = {},
                  POINT position = POINT{60, 40}) {
        RegisterClassOnce();
        DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        DWORD exStyle = 0;
        RECT outer{0, 0, clientWidth, clientHeight};
        if (kind == Kind::FullScreenTopmost) {
            style = WS_POPUP;
            exStyle = WS_EX_TOPMOST;
        } else {
            ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
        }
        image_ = MakePattern(clientWidth, clientHeight, palette, markers_);
        if (!palette.empty()) MakePalette(palette);
        const int x = kind == Kind::FullScreenTopmost ? 0 : position.x;
        const int y = kind == Kind::FullScreenTopmost ? 0 : position.y;
        wnd_ =
            ::CreateWindowExW(exStyle, kClass, L"Kestrel capture test pattern", style, x, y, outer.right - outer.left,
                              outer.bottom - outer.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
        ::ShowWindow(wnd_, SW_SHOW);
        ::UpdateWindow(wnd_);
        BringToFront();
    }
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;
    ~PatternWindow() {
        if (wnd_) ::DestroyWindow(wnd_);
        if (palette_) ::DeleteObject(palette_);
    }

    HWND hWnd() const { return wnd_; }
    const Image& Pattern() const { return image_; }
    const std::vector<Marker>& Markers() const { return markers_; }

    // Foreground, painted and on the screen. Kestrel takes the foreground back when it shows itself
    // again, a moment after the test sees it visible: keep asking until it sticks.
    bool BringToFront() {
        int stable = 0;
        const bool inFront = PumpUntil(
            [&] {
                if (::GetForegroundWindow() != wnd_) {
                    stable = 0;
                    ::SetForegroundWindow(wnd_);
                    return false;
                }
                return ++stable >= 5;
            },
            5s);
        ::InvalidateRect(wnd_, nullptr, FALSE);
        ::UpdateWindow(wnd_);
        Pump();
        return inFront;
    }

    // Where the client area sits inside the whole window (the frame's width and the title bar's
    // height).
    POINT ClientOffset() const {
        POINT origin{0, 0};
        ::ClientToScreen(wnd_, &origin);
        const RECT window = WindowRect(wnd_);
        return POINT{origin.x - window.left, origin.y - window.top};
    }

private:
    static constexpr wchar_t kClass[] = L"Kestrel.CaptureTestPattern";

    static void RegisterClassOnce() {
        static bool registered = false;
        if (registered) return;
        WNDCLASSW wc{};
        wc.lpfnWndProc = &PatternWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClass;
        registered = ::RegisterClassW(&wc) != 0;
    }

    void MakePalette(const std::vector<Pixel>& colours) {
        std::vector<unsigned char> record(sizeof(LOGPALETTE) + colours.size() * sizeof(PALETTEENTRY));
        auto* palette = reinterpret_cast<LOGPALETTE*>(record.data());
        palette->palVersion = 0x300;
        palette->palNumEntries = static_cast<WORD>(colours.size());
        for (size_t i = 0; i < colours.size(); ++i) {
            palette->palPalEntry[i] =
                PALETTEENTRY{static_cast<BYTE>(colours[i] >> 16), static_cast<BYTE>(colours[i] >> 8),
                             static_cast<BYTE>(colours[i]), 0};
        }
        palette_ = ::CreatePalette(palette);
    }

    void Paint(HDC dc) const {
        HPALETTE previous = nullptr;
        if (palette_) {
            previous = ::SelectPalette(dc, palette_, FALSE);
            ::RealizePalette(dc);
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = image_.width;
        info.bmiHeader.biHeight = -image_.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(image_.width), static_cast<DWORD>(image_.height), 0, 0, 0,
                            static_cast<UINT>(image_.height), image_.pixels.data(), &info, DIB_RGB_COLORS);
        if (previous) ::SelectPalette(dc, previous, FALSE);
    }

    static LRESULT CALLBACK Proc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<PatternWindow*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self && message == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(wnd, &ps);
            self->Paint(dc);
            ::EndPaint(wnd, &ps);
            return 0;
        }
        if (message == WM_ERASEBKGND) return 1;
        if (self && message == WM_QUERYNEWPALETTE && self->palette_) {
            HDC dc = ::GetDC(wnd);
            HPALETTE previous = ::SelectPalette(dc, self->palette_, FALSE);
            const UINT changed = ::RealizePalette(dc);
            ::SelectPalette(dc, previous, FALSE);
            ::ReleaseDC(wnd, dc);
            if (changed) ::InvalidateRect(wnd, nullptr, FALSE);
            return TRUE;
        }
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }

    HWND wnd_ = nullptr;
    HPALETTE palette_ = nullptr;
    Image image_;
    std::vector<Marker> markers_;
};

// --------------------------------------------------------------------------------------------
// The clipboard as another program sees it.

struct ClipboardPicture {
    bool hasBitmap = false;
    bool offersDib = false;
    int bitsPerPixel = 0;
    std::optional<std::vector<PALETTEENTRY>> palette;  // CF_PALETTE, when there is one
    Image image;                                       // CF_BITMAP in colours (through CF_PALETTE)
};

// A hidden window of the test process that opens the clipboard.
inline HWND ClipboardReader() {
    static HWND reader = ::CreateWindowExW(0, L"STATIC", L"clipboard reader", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                           ::GetModuleHandleW(nullptr), nullptr);
    return reader;
}

inline bool OpenClipboardPatiently() {
    return PumpUntil([] { return ::OpenClipboard(ClipboardReader()) != FALSE; }, 5s);
}

// Reads CF_BITMAP, converting it to colours as a program that honours CF_PALETTE does.
inline ClipboardPicture ReadClipboardPicture() {
    ClipboardPicture result;
    if (!OpenClipboardPatiently()) return result;
    result.offersDib = ::IsClipboardFormatAvailable(CF_DIB) != FALSE;
    HBITMAP bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    HPALETTE palette = static_cast<HPALETTE>(::GetClipboardData(CF_PALETTE));
    if (palette) {
        const UINT count = ::GetPaletteEntries(palette, 0, 0, nullptr);
        std::vector<PALETTEENTRY> entries(count);
        ::GetPaletteEntries(palette, 0, count, entries.data());
        result.palette = entries;
    }
    BITMAP info{};
    if (bitmap && ::GetObjectW(bitmap, sizeof info, &info)) {
        result.hasBitmap = true;
        result.bitsPerPixel = info.bmBitsPixel;
        result.image.width = info.bmWidth;
        result.image.height = info.bmHeight;
        result.image.pixels.resize(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
        BITMAPINFO request{};
        request.bmiHeader.biSize = sizeof request.bmiHeader;
        request.bmiHeader.biWidth = info.bmWidth;
        request.bmiHeader.biHeight = -info.bmHeight;
        request.bmiHeader.biPlanes = 1;
        request.bmiHeader.biBitCount = 32;
        request.bmiHeader.biCompression = BI_RGB;
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HPALETTE previous = palette ? ::SelectPalette(dc, palette, FALSE) : nullptr;
        if (palette) ::RealizePalette(dc);
        ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), result.image.pixels.data(), &request,
                    DIB_RGB_COLORS);
        if (previous) ::SelectPalette(dc, previous, FALSE);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        for (Pixel& p : result.image.pixels) p &= 0x00FFFFFF;
    }
    ::CloseClipboard();
    return result;
}

// Puts a text on the clipboard, as the user's own earlier copy.
inline void PutTextOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboardPatiently());
    ::EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    ::CloseClipboard();
}

inline std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboardPatiently()) return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        text = std::wstring(static_cast<const wchar_t*>(::GlobalLock(data)));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

// --------------------------------------------------------------------------------------------
// Driving a capture.

// Asks for a capture the way a click does (BN_CLICKED from the Capture button), without moving the
// foreground to Kestrel: the window in front stays in front.
inline void PressCapture(HWND main) {
    HWND button = Child(main, 1001);
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// A real mouse click on the Capture button: Kestrel takes the foreground first, as it does for a
// user.
inline void ClickCaptureWithTheMouse(HWND main) {
    const RECT r = WindowRect(Child(main, 1001));
    const int x = (r.left + r.right) / 2;
    const int y = (r.top + r.bottom) / 2;
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(x, 65535, width - 1);
        input.mi.dy = MulDiv(y, 65535, height - 1);
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(3, inputs, sizeof(INPUT));
}

// Waits until a capture that began after `sequenceBefore` has placed a bitmap on the clipboard
// and, when Kestrel was visible, Kestrel is back on the screen.
inline bool WaitForCaptureDone(HWND main, DWORD sequenceBefore, bool windowComesBack,
                               std::chrono::milliseconds timeout = 15s) {
    return PumpUntil(
        [&] {
            return ::GetClipboardSequenceNumber() != sequenceBefore && ::IsClipboardFormatAvailable(CF_BITMAP) &&
                   ::GetOpenClipboardWindow() == nullptr && (!windowComesBack || ::IsWindowVisible(main));
        },
        timeout);
}

// Holds every thread of a process still, so that messages posted meanwhile are all waiting when it
// goes on: the way to make two clicks arrive "at once".
class FrozenProcess {
public:
    explicit FrozenProcess(DWORD processId) {
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID != processId) continue;
            if (HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)) {
                if (::SuspendThread(thread) != static_cast<DWORD>(-1)) {
                    threads_.push_back(thread);
                } else {
                    ::CloseHandle(thread);
                }
            }
        }
        ::CloseHandle(snapshot);
    }
    FrozenProcess(const FrozenProcess&) = delete;
    FrozenProcess& operator=(const FrozenProcess&) = delete;
    ~FrozenProcess() {
        for (HANDLE thread : threads_) {
            ::ResumeThread(thread);
            ::CloseHandle(thread);
        }
    }
    size_t Threads() const { return threads_.size(); }

private:
    std::vector<HANDLE> threads_;
};

// An image of part of the screen as it is now.
inline Image ScreenImage(int left, int top, int width, int height) {
    Image image{width, height, std::vector<Pixel>(static_cast<size_t>(width) * static_cast<size_t>(height))};
    HDC source = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(source);
    HBITMAP bitmap = ::CreateCompatibleBitmap(source, width, height);
    HGDIOBJ previous = ::SelectObject(dc, bitmap);
    ::BitBlt(dc, 0, 0, width, height, source, left, top, SRCCOPY);
    ::SelectObject(dc, previous);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), image.pixels.data(), &info, DIB_RGB_COLORS);
    for (Pixel& p : image.pixels) p &= 0x00FFFFFF;
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, source);
    return image;
}

// An icon drawn at its normal size over a background colour.
inline Image IconImage(HICON icon, int size, Pixel background) {
    Image image{size, size, std::vector<Pixel>(static_cast<size_t>(size) * static_cast<size_t>(size))};
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ previous = ::SelectObject(dc, bitmap);
    HBRUSH brush = ::CreateSolidBrush(ToColorRef(background));
    RECT all{0, 0, size, size};
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    ::DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    ::SelectObject(dc, previous);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(size), image.pixels.data(), &info, DIB_RGB_COLORS);
    for (Pixel& p : image.pixels) p &= 0x00FFFFFF;
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return image;
}

// The static control of a message box that shows its icon, or nullptr.
inline HWND MessageBoxIconControl(HWND box) {
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
    }
    return nullptr;
}

// The capture of `pattern`'s whole window: its outer size, and the pattern's pixels where the
// client area is.
inline void ExpectWindowCapture(const ClipboardPicture& picture, const PatternWindow& pattern) {
    ASSERT_TRUE(picture.hasBitmap);
    const RECT outer = WindowRect(pattern.hWnd());
    EXPECT_EQ(picture.image.width, outer.right - outer.left) << "the window's outer width, frame included";
    EXPECT_EQ(picture.image.height, outer.bottom - outer.top) << "the window's outer height, title bar included";
    const POINT client = pattern.ClientOffset();
    const Image& expected = pattern.Pattern();
    ASSERT_LE(client.x + expected.width, picture.image.width);
    ASSERT_LE(client.y + expected.height, picture.image.height);
    for (const Marker& marker : pattern.Markers()) {
        EXPECT_EQ(picture.image.At(client.x + marker.x, client.y + marker.y), marker.colour)
            << "marker at " << marker.x << "," << marker.y;
    }
    EXPECT_EQ(Checksum(picture.image, client.x, client.y, expected.width, expected.height),
              Checksum(expected, 0, 0, expected.width, expected.height))
        << FirstDifference(expected, picture.image, client.x, client.y);
}

// --------------------------------------------------------------------------------------------
// Resource counts of a process. GetGuiResources and the private-bytes counter are stubs under Wine
// (they answer 0), so GDI objects are read from the process's own GDI handle table
// (PEB->GdiSharedHandleTable), USER objects are its windows, and memory is its PagefileUsage.

struct ResourceCounts {
    std::map<int, int> gdiByType;  // live GDI handles by their type byte
    int gdiTotal = 0;
    int windows = 0;
    SIZE_T pagefileBytes = 0;
};

namespace detail {

struct WindowCount {
    DWORD process;
    int count;
};

inline BOOL CALLBACK CountChild(HWND wnd, LPARAM param) {
    auto* count = reinterpret_cast<WindowCount*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(wnd, &process);
    if (process == count->process) ++count->count;
    return TRUE;
}

inline BOOL CALLBACK CountTopLevel(HWND wnd, LPARAM param) {
    auto* count = reinterpret_cast<WindowCount*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(wnd, &process);
    if (process == count->process) {
        ++count->count;
        ::EnumChildWindows(wnd, CountChild, param);
    }
    return TRUE;
}

// GDI_HANDLE_ENTRY of the 64-bit handle table.
constexpr size_t kGdiEntries = 0x10000;
constexpr size_t kGdiEntrySize = 24;
constexpr size_t kGdiTypeOffset = 14;
#ifdef _WIN64
constexpr size_t kPebGdiSharedHandleTable = 0xF8;
#else
constexpr size_t kPebGdiSharedHandleTable = 0x94;
#endif

}  // namespace detail

inline ResourceCounts CountResources(HANDLE process) {
    ResourceCounts counts;
    const DWORD id = ::GetProcessId(process);

    using QueryFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (query && query(process, 0 /* ProcessBasicInformation */, &basic, sizeof basic, nullptr) == 0) {
        std::uintptr_t table = 0;
        SIZE_T read = 0;
        if (::ReadProcessMemory(process,
                                reinterpret_cast<const char*>(basic.PebBaseAddress) + detail::kPebGdiSharedHandleTable,
                                &table, sizeof table, &read) &&
            table) {
            std::vector<unsigned char> entries(detail::kGdiEntries * detail::kGdiEntrySize);
            if (::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(),
                                    &read)) {
                for (size_t i = 0; i < detail::kGdiEntries; ++i) {
                    const int type = entries[i * detail::kGdiEntrySize + detail::kGdiTypeOffset];
                    if (type != 0) {
                        ++counts.gdiByType[type];
                        ++counts.gdiTotal;
                    }
                }
            }
        }
    }

    detail::WindowCount windows{id, 0};
    ::EnumWindows(detail::CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    // Message-only windows are not top-level windows of the desktop; count them too.
    HWND messageOnly = nullptr;
    while ((messageOnly = ::FindWindowExW(HWND_MESSAGE, messageOnly, nullptr, nullptr)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(messageOnly, &owner);
        if (owner == id) ++windows.count;
    }
    counts.windows = windows.count;

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(process, &memory, sizeof memory)) counts.pagefileBytes = memory.PagefileUsage;
    return counts;
}

// What grew between two counts: every GDI type whose count rose, the windows, and memory beyond
// `memoryTolerance` bytes. Empty when nothing leaked.
inline std::vector<std::string> Growth(const ResourceCounts& before, const ResourceCounts& after,
                                       SIZE_T memoryTolerance) {
    std::vector<std::string> grown;
    for (const auto& [type, count] : after.gdiByType) {
        const auto found = before.gdiByType.find(type);
        const int was = found == before.gdiByType.end() ? 0 : found->second;
        if (count > was) {
            std::ostringstream text;
            text << "GDI objects of type 0x" << std::hex << type << std::dec << ": " << was << " -> " << count;
            grown.push_back(text.str());
        }
    }
    if (after.windows > before.windows) {
        grown.push_back("windows: " + std::to_string(before.windows) + " -> " + std::to_string(after.windows));
    }
    if (after.pagefileBytes > before.pagefileBytes + memoryTolerance) {
        grown.push_back("committed memory: " + std::to_string(before.pagefileBytes) + " -> " +
                        std::to_string(after.pagefileBytes) + " bytes");
    }
    return grown;
}

inline std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

}  // namespace kestrel::e2e::capture
