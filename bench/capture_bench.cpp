// Kestrel's capture-and-deliver path against the least any program has to do for the same result.
//
//   kestrel_bench.exe time RUNS      median time of both, RUNS runs each, interleaved
//   kestrel_bench.exe memory PATH    peak committed memory of one capture (PATH: kestrel or floor),
//                                    in a process of its own so that no earlier run's freed memory
//                                    is reused
//
// Kestrel's path is what the Capture command does after its second yield, entire screen to the
// clipboard: GrabEntireScreen (a bitmap wrapped in a picture object), the clipboard's own copy of
// it, the picture released, the copy placed on the clipboard. The floor is a bare BitBlt of the same area into a
// compatible bitmap that is handed to SetClipboardData as it is. Each prints one row of the README's table (markdown).
#include "capture/screen_capture.h"
#include "toolkit/clipboard.h"
#include "toolkit/handles.h"

#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace kestrel;

HWND MakeOwnerWindow() {
    // A hidden top-level window owns the clipboard, as Kestrel's hidden main window does.
    return ::CreateWindowExW(0, L"STATIC", L"kestrel bench", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

// As cmdCapture_Click does it: the picture is held until the clipboard's copy is made.
void KestrelPath(HWND owner) {
    ComPtr<IPictureDisp> picture = GrabEntireScreen();
    clipboard::PictureCopy copy = clipboard::CopyPicture(picture.get());
    picture.Reset();
    clipboard::Place(owner, std::move(copy));
}

void FloorArea(HWND owner, int width, int height) {
    UniqueBitmap bitmap;
    {
        WindowDc source = WindowDc::Whole(::GetDesktopWindow());
        UniqueDc memory(::CreateCompatibleDC(source.get()));
        bitmap.reset(::CreateCompatibleBitmap(source.get(), width, height));
        SelectionScope select(memory.get(), bitmap.get());
        ::BitBlt(memory.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
    }
    while (!::OpenClipboard(owner)) ::Sleep(1);
    ::EmptyClipboard();
    // The clipboard owns the bitmap once it has taken it.
    if (::SetClipboardData(CF_BITMAP, bitmap.get())) bitmap.release();
    ::CloseClipboard();
}

void FloorPath(HWND owner) { FloorArea(owner, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)); }

// The same paths on a corner of the screen: everything gets loaded and set up, but no block of a
// screen bitmap's size is freed beforehand that the measured run could reuse.
void KestrelWarmUp(HWND owner) {
    ComPtr<IPictureDisp> picture = GrabWindowImage(::GetDesktopWindow(), false, 0, 0, 64, 64);
    clipboard::SetPicture(owner, picture.get());
}

void FloorWarmUp(HWND owner) { FloorArea(owner, 64, 64); }

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

template <typename Path>
double TimeOnce(Path path, HWND owner) {
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceCounter(&start);
    path(owner);
    ::QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

SIZE_T Committed() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// Wine's PeakPagefileUsage is the current value, so the peak is sampled from a second thread.
struct Sampler {
    std::atomic<bool> running{true};
    std::atomic<SIZE_T> peak{0};
};

DWORD WINAPI Sample(void* parameter) {
    auto* sampler = static_cast<Sampler*>(parameter);
    while (sampler->running.load()) {
        const SIZE_T now = Committed();
        if (now > sampler->peak.load()) sampler->peak.store(now);
        ::Sleep(1);
    }
    return 0;
}

double ScreenBitmapMiB() {
    const WindowDc screen = WindowDc::Client(nullptr);
    const int bits = ::GetDeviceCaps(screen.get(), BITSPIXEL) * ::GetDeviceCaps(screen.get(), PLANES);
    const double bytes = static_cast<double>(::GetSystemMetrics(SM_CXSCREEN)) *
                         static_cast<double>(::GetSystemMetrics(SM_CYSCREEN)) * (bits == 24 ? 32 : bits) / 8.0;
    return bytes / (1024.0 * 1024.0);
}

int TimeBoth(int runs, HWND owner) {
    // One run of each first: loading code and creating caches is not what is measured.
    KestrelPath(owner);
    FloorPath(owner);
    std::vector<double> kestrel;
    std::vector<double> floor;
    for (int i = 0; i < runs; ++i) {
        // Interleaved, so that whatever the machine does meanwhile falls on both alike.
        if (i % 2) {
            kestrel.push_back(TimeOnce(KestrelPath, owner));
            floor.push_back(TimeOnce(FloorPath, owner));
        } else {
            floor.push_back(TimeOnce(FloorPath, owner));
            kestrel.push_back(TimeOnce(KestrelPath, owner));
        }
    }
    const double k = Median(kestrel);
    const double f = Median(floor);
    std::printf("| %d x %d | %d | %.1f ms | %.1f ms | %.2f |\n", ::GetSystemMetrics(SM_CXSCREEN),
                ::GetSystemMetrics(SM_CYSCREEN), runs, k, f, k / f);
    return 0;
}

int PeakMemory(const std::string& path, HWND owner) {
    const bool floor = path == "floor";
    void (*run)(HWND) = floor ? FloorPath : KestrelPath;
    (floor ? FloorWarmUp : KestrelWarmUp)(owner);
    if (::OpenClipboard(owner)) {
        ::EmptyClipboard();
        ::CloseClipboard();
    }
    ::Sleep(50);
    const SIZE_T before = Committed();
    Sampler sampler;
    sampler.peak = before;
    const UniqueKernelHandle thread(::CreateThread(nullptr, 0, Sample, &sampler, 0, nullptr));
    ::Sleep(20);
    run(owner);
    ::Sleep(20);
    sampler.running = false;
    ::WaitForSingleObject(thread.get(), INFINITE);
    const double peakMiB = static_cast<double>(sampler.peak.load() - before) / (1024.0 * 1024.0);
    const double bitmapMiB = ScreenBitmapMiB();
    std::printf("| %d x %d | %s | %.1f MiB | %.1f MiB | %.2f |\n", ::GetSystemMetrics(SM_CXSCREEN),
                ::GetSystemMetrics(SM_CYSCREEN), floor ? "floor" : "Kestrel", bitmapMiB, peakMiB, peakMiB / bitmapMiB);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Physical pixels, as kestrel.exe gets them from its manifest.
    using SetAwarenessFn = BOOL(WINAPI*)(HANDLE);
    if (auto set = reinterpret_cast<SetAwarenessFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
        set(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    }
    if (FAILED(::OleInitialize(nullptr))) return 1;
    HWND owner = MakeOwnerWindow();
    const std::string mode = argc > 1 ? argv[1] : "time";
    try {
        if (mode == "time") return TimeBoth(argc > 2 ? std::max(1, std::atoi(argv[2])) : 31, owner);
        if (mode == "memory") return PeakMemory(argc > 2 ? argv[2] : "kestrel", owner);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: kestrel_bench time [RUNS] | memory kestrel|floor\n");
    return 2;
}
