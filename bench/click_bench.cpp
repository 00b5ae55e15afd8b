// What the user waits for: from the click on Capture (a BM_CLICK posted from this process, as the
// user's click arrives from outside) to the picture being on the clipboard (the clipboard's
// sequence number has changed and another program can open it and read a bitmap of the right
// size), and on to the program's window being back on the screen. Kestrel against the themed floor
// (bench/floor_window.cpp), which does the same visible steps: hide its window, grab, place, show.
// The two take turns, run by run, so that whatever else the machine does falls on both alike.
//
//   click_bench.exe --kestrel K.exe --floor T.exe [--runs 21]
//
// Prints one Markdown row per scope (entire screen, active window). Asserts nothing: scripts/
// bench-click runs it under Wine on a private 1920 x 1080 screen.
#include "bench/bench_support.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace kestrel::bench;

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Waits while keeping this process's own window painted: Wine repaints a window only while its
// thread handles events. Returns the milliseconds since `start` when the condition held, or -1.
template <typename Condition>
double PumpUntil(Clock::time_point start, Condition condition, DWORD timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Pump();
        if (condition()) return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (Clock::now() > end) return -1;
        ::Sleep(1);
    }
}

LRESULT CALLBACK TargetProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(wnd, &ps);
        RECT client;
        ::GetClientRect(wnd, &client);
        for (int band = 0; band < 16; ++band) {
            RECT part{client.right * band / 16, 0, client.right * (band + 1) / 16, client.bottom};
            const kestrel::UniqueBrush brush(::CreateSolidBrush(RGB(band * 16, 255 - band * 16, (band * 40) & 0xFF)));
            ::FillRect(dc, &part, brush.get());
        }
        ::EndPaint(wnd, &ps);
        return 0;
    }
    return ::DefWindowProcW(wnd, message, wParam, lParam);
}

// The window the user works in, for Active Window captures.
HWND MakeTarget() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"Kestrel.ClickBenchTarget";
    ::RegisterClassW(&wc);
    HWND wnd = ::CreateWindowExW(0, wc.lpszClassName, L"The window the user works in", WS_OVERLAPPEDWINDOW, 160, 120,
                                 1280, 800, nullptr, nullptr, wc.hInstance, nullptr);
    ::ShowWindow(wnd, SW_SHOW);
    ::UpdateWindow(wnd);
    return wnd;
}

void BringToFront(HWND wnd) {
    int stable = 0;
    PumpUntil(
        Clock::now(),
        [&] {
            if (::GetForegroundWindow() != wnd) {
                stable = 0;
                ::SetForegroundWindow(wnd);
                return false;
            }
            return ++stable >= 3;
        },
        3000);
}

// The size of the bitmap on the clipboard, if another program can open it and read one.
bool ReadableBitmap(SIZE& size) {
    if (!::IsClipboardFormatAvailable(CF_BITMAP) || !::OpenClipboard(nullptr)) return false;
    bool read = false;
    if (HANDLE data = ::GetClipboardData(CF_BITMAP)) {
        BITMAP info{};
        if (::GetObjectW(data, sizeof info, &info)) {
            size = SIZE{info.bmWidth, info.bmHeight};
            read = true;
        }
    }
    ::CloseClipboard();
    return read;
}

struct Sample {
    double toPicture = -1;  // ms from the click to a readable picture
    double toWindow = -1;   // ms from the click to the window being visible again
    bool rightSize = false;
};

Sample CaptureOnce(HWND main, HWND target, SIZE expected) {
    if (target) BringToFront(target);
    Pump();
    ::Sleep(100);  // let the screen settle after the last repaint
    Sample sample;
    const DWORD before = ::GetClipboardSequenceNumber();
    const auto start = Clock::now();
    PostCaptureClick(main);
    SIZE size{};
    sample.toPicture = PumpUntil(
        start, [&] { return ::GetClipboardSequenceNumber() != before && ReadableBitmap(size); }, 30000);
    sample.toWindow = PumpUntil(
        start, [&] { return ::IsWindowVisible(main) != FALSE; }, 30000);
    sample.rightSize = size.cx == expected.cx && size.cy == expected.cy;
    return sample;
}

struct Series {
    std::vector<Sample> samples;
    std::vector<double> Times(double Sample::*which) const {
        std::vector<double> times;
        for (const Sample& sample : samples) {
            if (sample.*which >= 0) times.push_back(sample.*which);
        }
        return times;
    }
    int RightSize() const {
        int count = 0;
        for (const Sample& sample : samples) count += sample.rightSize ? 1 : 0;
        return count;
    }
};

// The ratio run by run, each Kestrel run against the floor run next to it in time: a burst of load
// from elsewhere on the machine then falls on both sides of one ratio.
double PairedRatio(const Series& kestrel, const Series& floor, double Sample::*which) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < kestrel.samples.size() && i < floor.samples.size(); ++i) {
        const double k = kestrel.samples[i].*which, f = floor.samples[i].*which;
        if (k >= 0 && f > 0) ratios.push_back(k / f);
    }
    return Median(ratios);
}

void Measure(const wchar_t* scopeArgument, bool entireScreen, const std::wstring& kestrelExe,
             const std::wstring& floorExe, int runs) {
    HWND target = entireScreen ? nullptr : MakeTarget();
    SIZE expected{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (target) {
        RECT rect;
        ::GetWindowRect(target, &rect);
        expected = SIZE{rect.right - rect.left, rect.bottom - rect.top};
    }
    Running kestrel(kestrelExe, kestrel::ids::fmMain::kWindowClass);
    Running floor(floorExe, kFloorClass, scopeArgument);
    if (!kestrel.Window() || !floor.Window()) {
        std::fprintf(stderr, "a program did not start\n");
        return;
    }
    SetKestrelScope(kestrel.Window(), entireScreen);
    // One capture each first: loading code and filling caches is not what is measured.
    CaptureOnce(kestrel.Window(), target, expected);
    CaptureOnce(floor.Window(), target, expected);
    Series k, f;
    for (int i = 0; i < runs; ++i) {
        if (i % 2) {
            k.samples.push_back(CaptureOnce(kestrel.Window(), target, expected));
            f.samples.push_back(CaptureOnce(floor.Window(), target, expected));
        } else {
            f.samples.push_back(CaptureOnce(floor.Window(), target, expected));
            k.samples.push_back(CaptureOnce(kestrel.Window(), target, expected));
        }
    }
    if (target) ::DestroyWindow(target);
    std::printf("| %s, %ld x %ld | %d | %.0f ms | %.0f ms | x%.2f | %.0f ms | %.0f ms | x%.2f | %d / %d |\n",
                entireScreen ? "Entire screen" : "Active window", expected.cx, expected.cy, runs,
                Median(k.Times(&Sample::toPicture)), Median(f.Times(&Sample::toPicture)),
                PairedRatio(k, f, &Sample::toPicture), Median(k.Times(&Sample::toWindow)),
                Median(f.Times(&Sample::toWindow)), PairedRatio(k, f, &Sample::toWindow), k.RightSize(), f.RightSize());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Physical pixels, as Kestrel gets them from its manifest.
    using SetAwarenessFn = BOOL(WINAPI*)(HANDLE);
    if (auto set = reinterpret_cast<SetAwarenessFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
        set(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    }
    std::wstring kestrelExe, floorExe;
    int runs = 21;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i], value = argv[i + 1];
        if (option == L"--kestrel")
            kestrelExe = value;
        else if (option == L"--floor")
            floorExe = value;
        else if (option == L"--runs")
            runs = std::max(1, _wtoi(value.c_str()));
    }
    if (kestrelExe.empty() || floorExe.empty()) {
        std::fprintf(stderr, "usage: click_bench --kestrel K.exe --floor T.exe [--runs N]\n");
        return 2;
    }
    std::printf(
        "| Capture | Runs each | Click to picture: Kestrel (median) | Floor (median) | Kestrel / floor "
        "(median of paired runs) | Click to window back: Kestrel | Floor | Kestrel / floor | Right size "
        "(Kestrel / floor) |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    Measure(L"", true, kestrelExe, floorExe, runs);
    Measure(L"window", false, kestrelExe, floorExe, runs);
    return 0;
}
