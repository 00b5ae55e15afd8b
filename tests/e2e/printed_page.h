// What the printing tests need besides the driver: a window with a known pattern to capture, the
// page the private CUPS queue (tests/e2e/cups.sh) wrote, and that page rendered by Ghostscript
// and measured.
//
// The queue writes every job to <build>/e2e/cups/out/printed.ps; the test reads it through Wine's Z:
// drive. The page is Letter at 300 dpi with a printable area of 2450 x 3200 pixels (3200 x 2450
// in landscape) whose top-left corner is 50 pixels in from the paper's top and left edges.
#pragma once
#include "tests/e2e/driver.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kestrel::e2e::printing {

inline constexpr int kDotsPerInch = 300;
inline constexpr int kPrintableLeft = 50;
inline constexpr int kPrintableTop = 50;
inline constexpr int kPrintableShort = 2450;  // across a portrait page
inline constexpr int kPrintableLong = 3200;   // down a portrait page

// The pattern: four quadrants in distinct colours, so that a page shows where each corner went.
// Each colour has a channel below half, so it counts as ink on white paper.
struct Pattern {
    COLORREF topLeft, topRight, bottomLeft, bottomRight;
};
inline constexpr Pattern kPrimaries{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
// Four of the twenty static colours: every 256-colour display shows them as they are (Wine's
// 8-bit X11 display shows no others), and each has to come back from the palette cells of the
// captured bitmap.
inline constexpr Pattern kDarkStatics{RGB(128, 128, 0), RGB(0, 128, 128), RGB(128, 0, 128), RGB(0, 0, 128)};

inline std::wstring PagesFolder() {
    const std::wstring folder = BuildFolder() + L"\\e2e\\pages";
    ::CreateDirectoryW((BuildFolder() + L"\\e2e").c_str(), nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

inline std::wstring PrintedPagePath() { return BuildFolder() + L"\\e2e\\cups\\out\\printed.ps"; }

// The test runs from the Z: drive, which Wine maps to the root of the Linux file system.
inline std::string UnixPath(const std::wstring& path) {
    std::string unix;
    const size_t start = (path.size() > 2 && path[1] == L':') ? 2 : 0;
    for (size_t i = start; i < path.size(); ++i) unix += path[i] == L'\\' ? '/' : static_cast<char>(path[i]);
    return unix;
}

inline std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Forgets the page of an earlier test, so that the next one seen is new.
inline void DiscardPrintedPage() { ::DeleteFileW(PrintedPagePath().c_str()); }

// The PostScript of the next job, once CUPS has written all of it (its trailer ends "%%EOF").
inline std::optional<std::string> WaitForPrintedPage(std::chrono::milliseconds timeout = 30s) {
    std::optional<std::string> page;
    const bool complete = WaitFor(
        [&] {
            page = ReadWholeFile(PrintedPagePath());
            return page && page->find("%%EOF", page->size() > 16 ? page->size() - 16 : 0) != std::string::npos;
        },
        timeout);
    if (!complete) return std::nullopt;
    return page;
}

// Wine runs a Linux program named to CreateProcess but hands back no process handle; the script
// therefore reports its exit status in a file, which is polled for. Returns that status, or
// nullopt when the script did not finish in time.
inline std::optional<int> RunOnHost(const std::string& script, const std::wstring& statusFile,
                                    std::chrono::milliseconds timeout = 60s) {
    ::DeleteFileW(statusFile.c_str());
    const std::string status = UnixPath(statusFile);
    const std::string full =
        "(" + script + "); echo $? >'" + status + ".tmp' && mv '" + status + ".tmp' '" + status + "'";
    std::wstring commandLine = L"Z:\\bin\\sh -c \"";
    for (char c : full) commandLine += static_cast<wchar_t>(c);
    commandLine += L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return std::nullopt;
    }
    if (info.hThread) ::CloseHandle(info.hThread);
    if (info.hProcess) ::CloseHandle(info.hProcess);
    std::optional<std::string> text;
    if (!WaitFor([&] { return (text = ReadWholeFile(statusFile)).has_value(); }, timeout)) return std::nullopt;
    return std::atoi(text->c_str());
}

struct Rgb {
    std::uint8_t r, g, b;
};

struct Raster {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    Rgb At(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// A binary PPM (P6, 8 bits per channel) as Ghostscript's ppmraw device writes it.
inline std::optional<Raster> ReadPpm(const std::wstring& path) {
    const std::optional<std::string> file = ReadWholeFile(path);
    if (!file || file->compare(0, 2, "P6") != 0) return std::nullopt;
    size_t pos = 2;
    int fields[3] = {};
    for (int& field : fields) {
        for (;;) {
            while (pos < file->size() && std::isspace(static_cast<unsigned char>((*file)[pos]))) ++pos;
            if (pos < file->size() && (*file)[pos] == '#') {
                while (pos < file->size() && (*file)[pos] != '\n') ++pos;
                continue;
            }
            break;
        }
        while (pos < file->size() && std::isdigit(static_cast<unsigned char>((*file)[pos]))) {
            field = field * 10 + ((*file)[pos] - '0');
            ++pos;
        }
    }
    ++pos;  // the one whitespace byte before the pixels
    Raster raster;
    raster.width = fields[0];
    raster.height = fields[1];
    const size_t size = static_cast<size_t>(raster.width) * static_cast<size_t>(raster.height) * 3;
    if (fields[2] != 255 || file->size() < pos + size) return std::nullopt;
    raster.rgb.assign(file->begin() + static_cast<std::ptrdiff_t>(pos),
                      file->begin() + static_cast<std::ptrdiff_t>(pos + size));
    return raster;
}

// Renders a PostScript page at the printer's 300 dpi; the PPM is left beside it.
inline std::optional<Raster> RenderPage(const std::wstring& postScript, const std::wstring& name) {
    const std::wstring ppm = PagesFolder() + L"\\" + name + L".ppm";
    ::DeleteFileW(ppm.c_str());
    const std::string script = "exec /usr/bin/gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=ppmraw -r300 -sOutputFile='" +
                               UnixPath(ppm) + "' '" + UnixPath(postScript) + "' >'" +
                               UnixPath(PagesFolder() + L"\\" + name + L".gs.log") + "' 2>&1";
    const std::optional<int> status = RunOnHost(script, PagesFolder() + L"\\" + name + L".gs.status");
    if (!status || *status != 0) return std::nullopt;
    return ReadPpm(ppm);
}

// Wine's PostScript driver writes a landscape page as a portrait one turned by -90 degrees;
// turning the raster a quarter clockwise shows it as it lies on the desk.
inline Raster TurnClockwise(const Raster& portrait) {
    Raster turned;
    turned.width = portrait.height;
    turned.height = portrait.width;
    turned.rgb.resize(portrait.rgb.size());
    for (int y = 0; y < turned.height; ++y) {
        for (int x = 0; x < turned.width; ++x) {
            const Rgb p = portrait.At(y, portrait.height - 1 - x);
            const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(turned.width) + static_cast<size_t>(x)) * 3;
            turned.rgb[i] = p.r;
            turned.rgb[i + 1] = p.g;
            turned.rgb[i + 2] = p.b;
        }
    }
    return turned;
}

inline std::ostream& operator<<(std::ostream& out, Rgb p) {
    return out << "rgb(" << int{p.r} << ", " << int{p.g} << ", " << int{p.b} << ")";
}

inline bool IsInk(Rgb p) { return p.r < 128 || p.g < 128 || p.b < 128; }

inline bool Near(Rgb p, COLORREF colour) {
    auto close = [](int a, int b) { return a - b < 48 && b - a < 48; };
    return close(p.r, GetRValue(colour)) && close(p.g, GetGValue(colour)) && close(p.b, GetBValue(colour));
}

// The smallest rectangle holding every inked pixel (right and bottom exclusive).
struct Box {
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

inline std::optional<Box> InkBox(const Raster& page) {
    Box box{page.width, page.height, 0, 0};
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            if (!IsInk(page.At(x, y))) continue;
            if (x < box.left) box.left = x;
            if (y < box.top) box.top = y;
            if (x + 1 > box.right) box.right = x + 1;
            if (y + 1 > box.bottom) box.bottom = y + 1;
        }
    }
    if (box.right == 0) return std::nullopt;
    return box;
}

// A borderless window painted with the pattern, on a thread of its own that keeps it painted
// while the test waits. It takes the foreground, so it is what "active window" capture copies.
class PatternWindow {
public:
    PatternWindow(int width, int height, const Pattern& pattern = kPrimaries) : pattern_(pattern) {
        thread_ = std::thread([this, width, height] { Run(width, height); });
        WaitFor([this] { return window_.load() != nullptr || failed_.load(); });
    }
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;
    ~PatternWindow() {
        if (HWND window = window_.load()) ::PostMessageW(window, WM_CLOSE, 0, 0);
        if (thread_.joinable()) thread_.join();
    }
    HWND Handle() const { return window_.load(); }
    // Brings the window to the front and sees it stay there for a moment: a program that has just
    // started may still be taking the foreground for its own window.
    bool TakeForeground() const {
        HWND window = window_.load();
        auto since = std::chrono::steady_clock::now();
        return WaitFor(
            [&] {
                if (::GetForegroundWindow() != window) {
                    ::SetForegroundWindow(window);
                    since = std::chrono::steady_clock::now();
                    return false;
                }
                return std::chrono::steady_clock::now() - since > 500ms;
            },
            10s);
    }
    // Takes the foreground and waits until `other` (Kestrel's main window) is no longer the active
    // window of its own thread either, so that the user is plainly working in the pattern window
    // when Capture is clicked.
    bool TakeForegroundFrom(HWND other) const {
        const DWORD thread = ::GetWindowThreadProcessId(other, nullptr);
        return WaitFor(
            [&] {
                if (!TakeForeground()) return false;
                GUITHREADINFO info{};
                info.cbSize = sizeof info;
                return ::GetGUIThreadInfo(thread, &info) && info.hwndActive != other;
            },
            20s);
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<PatternWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(window, &paint);
            if (self) self->Paint(window, dc);
            ::EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    void Paint(HWND window, HDC dc) const {
        RECT client;
        ::GetClientRect(window, &client);
        const int midX = client.right / 2;
        const int midY = client.bottom / 2;
        const std::pair<RECT, COLORREF> quadrants[] = {
            {{0, 0, midX, midY}, pattern_.topLeft},
            {{midX, 0, client.right, midY}, pattern_.topRight},
            {{0, midY, midX, client.bottom}, pattern_.bottomLeft},
            {{midX, midY, client.right, client.bottom}, pattern_.bottomRight},
        };
        for (const auto& [rect, colour] : quadrants) {
            HBRUSH brush = ::CreateSolidBrush(colour);
            ::FillRect(dc, &rect, brush);
            ::DeleteObject(brush);
        }
    }

    void Run(int width, int height) {
        static std::once_flag registered;
        std::call_once(registered, [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = Proc;
            windowClass.hInstance = ::GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"Kestrel.Test.Pattern";
            windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
            ::RegisterClassW(&windowClass);
        });
        const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        HWND window = ::CreateWindowExW(0, L"Kestrel.Test.Pattern", L"Pattern", WS_POPUP | WS_VISIBLE, left, top, width,
                                        height, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
        if (!window) {
            failed_ = true;
            return;
        }
        ::SetForegroundWindow(window);
        ::UpdateWindow(window);
        window_ = window;
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        window_ = nullptr;
    }

    Pattern pattern_;
    std::thread thread_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> failed_{false};
};

}  // namespace kestrel::e2e::printing
