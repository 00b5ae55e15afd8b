// Capture to the clipboard as a user sees it, on every kind of screen; trouble reported and the
// clipboard left alone; and captures that leave nothing behind in Kestrel's process.
#include "app/fmMain_ids.h"
#include "tests/e2e/capture_support.h"
#include "tests/e2e/keyboard_support.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <map>
#include <sstream>

namespace kestrel::e2e {
namespace {

using namespace capture;

// What may leak, by name: "GDI objects" (of each type too), "windows" and "committed memory". Wine's
// GetGuiResources and private-bytes counter answer 0: GDI objects are read from the GDI handle table
// (PEB->GdiSharedHandleTable, 24-byte entries, the type at 14), and memory is the PagefileUsage.
using ResourceCounts = std::map<std::string, SIZE_T>;

ResourceCounts CountResources(HANDLE process) {
    constexpr size_t kGdiEntries = 0x10000;
    constexpr size_t kGdiEntrySize = 24;
    constexpr size_t kPebGdiSharedHandleTable = sizeof(void*) == 8 ? 0xF8 : 0x94;
    ResourceCounts counts;
    PROCESS_BASIC_INFORMATION basic{};
    std::uintptr_t table = 0;
    std::vector<unsigned char> entries(kGdiEntries * kGdiEntrySize);
    if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
        ::ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiSharedHandleTable,
                            &table, sizeof table, nullptr) &&
        table &&
        ::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(), nullptr)) {
        for (size_t i = 0; i < kGdiEntries; ++i) {
            if (const int type = entries[i * kGdiEntrySize + 14]) {
                ++counts["GDI objects of type " + std::to_string(type)];
                ++counts["GDI objects"];
            }
        }
    }
    std::pair<DWORD, SIZE_T> windows{::GetProcessId(process), 0};
    const WNDENUMPROC countWindow = [](HWND wnd, LPARAM param) -> BOOL {
        auto* owned = reinterpret_cast<std::pair<DWORD, SIZE_T>*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(wnd, &owner);
        owned->second += owner == owned->first;
        return TRUE;
    };
    ::EnumChildWindows(::GetDesktopWindow(), countWindow, reinterpret_cast<LPARAM>(&windows));
    // Message-only windows are not the desktop's; count them too.
    for (HWND wnd = nullptr; (wnd = ::FindWindowExW(HWND_MESSAGE, wnd, nullptr, nullptr)) != nullptr;)
        countWindow(wnd, reinterpret_cast<LPARAM>(&windows));
    counts["windows"] = windows.second;
    PROCESS_MEMORY_COUNTERS memory{};
    if (::GetProcessMemoryInfo(process, &memory, sizeof memory)) counts["committed memory"] = memory.PagefileUsage;
    return counts;
}

// A line for every count that rose (memory: beyond `memoryTolerance`); empty when nothing leaked.
std::string Growth(ResourceCounts before, const ResourceCounts& after, SIZE_T memoryTolerance) {
    std::ostringstream grown;
    for (const auto& [name, count] : after) {
        if (count > before[name] + (name == "committed memory" ? memoryTolerance : 0))
            grown << name << ": " << before[name] << " -> " << count << "\n";
    }
    return grown.str();
}

// The same, given up to 2 s to go away: a repaint holds a device context or two for a moment, a
// leak stays.
std::string LastingGrowth(HANDLE process, const ResourceCounts& before, SIZE_T memoryTolerance) {
    std::string grown;
    PumpUntil([&] { return (grown = Growth(before, CountResources(process), memoryTolerance)).empty(); }, 2s);
    return grown;
}

SIZE_T ScreenBitmapBytes() { return SIZE_T(4) * ::GetSystemMetrics(SM_CXSCREEN) * ::GetSystemMetrics(SM_CYSCREEN); }

// Heap growth and caches move committed memory a little, and Wine's allocator (glibc's malloc) may
// keep a freed screen-sized block rather than give it back. A leak per capture still shows: a
// screen-sized bitmap from each of a few captures, or a few kilobytes from each of two hundred.
SIZE_T MemoryTolerance() { return (SIZE_T(1) << 20) + ScreenBitmapBytes(); }

class CaptureScenarios : public KestrelTest {
protected:
    // Active Window ("2") takes the foreground window of `window`'s size, frame included, with the
    // colours it showed; with no size, Entire Screen ("1") takes the whole screen, pixel for pixel.
    void CaptureOn(Screen screen, SIZE window = {}) {
        const bool entireScreen = window.cx == 0;
        ASSERT_NO_FATAL_FAILURE(StartWith(entireScreen ? "1" : "2", "2", "P", "100"));
        if (entireScreen) window = SIZE{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        const std::vector<Pixel> colours = PatternColours(screen);
        // On the whole screen, a borderless topmost window: its capture is the screen's.
        PatternWindow pattern(entireScreen ? PatternWindow::Kind::FullScreenTopmost : PatternWindow::Kind::Captioned,
                              ColourField(window.cx, window.cy, colours), colours);
        ASSERT_TRUE(pattern.BringToFront());
        PumpFor(300ms);

        ASSERT_TRUE(Capture(main_));
        const ClipboardPicture picture = ReadClipboardPicture();
        if (entireScreen)
            ASSERT_EQ(std::make_pair(picture.image.width, picture.image.height),
                      (std::pair<int, int>(window.cx, window.cy)));
        ExpectWindowCapture(picture, pattern);
        const bool palette = screen == Screen::Palette8Bit;
        if (palette) EXPECT_EQ(picture.bitsPerPixel, 8);
        EXPECT_EQ(picture.palette, palette ? std::optional(SystemPalette()) : std::nullopt);
        EXPECT_TRUE(picture.offersDib) << "other programs can paste it as a DIB";
        EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
    }
    void ExpectCaptureOf(const PatternWindow& pattern) {
        ASSERT_TRUE(pattern.BringToFront());
        ASSERT_TRUE(Capture(main_));
        ExpectWindowCapture(ReadClipboardPicture(), pattern);
    }
    // Capture ends in a message box from Kestrel that contains `says` (`whileUp` runs as it comes);
    // once dismissed, Kestrel's window is back, and the clipboard holds `kept` and no picture.
    void ExpectCaptureReported(const wchar_t* says, const wchar_t* kept,
                               const std::function<void(HWND)>& whileUp = {}) {
        PressButton(main_, ids::fmMain::kCmdCapture);
        HWND box = nullptr;
        PumpUntil([&] { return (box = FindMessageBox(kestrel_.ProcessId())) != nullptr; }, 10s);
        if (whileUp) whileUp(box);
        ASSERT_NE(box, nullptr) << "a message tells the user";
        EXPECT_EQ(WindowText(box), L"Kestrel");
        const std::wstring message = MessageBoxText(box);
        EXPECT_NE(message.find(says), std::wstring::npos) << message;
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(main_); })) << "the window comes back";
        ASSERT_TRUE(OpenClipboardPatiently());
        HANDLE text = ::GetClipboardData(CF_UNICODETEXT);
        EXPECT_STREQ(static_cast<const wchar_t*>(::GlobalLock(text)), kept);
        ::GlobalUnlock(text);
        EXPECT_FALSE(::IsClipboardFormatAvailable(CF_BITMAP)) << "nothing placed";
        ::CloseClipboard();
    }
    // Presses both buttons while every thread of Kestrel is suspended, so that both messages are
    // waiting together when it goes on; false when no thread could be held.
    bool PressTogether(int first, int second) {
        std::vector<UniqueKernelHandle> threads;
        const UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        THREADENTRY32 entry{sizeof(THREADENTRY32)};
        for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
            if (entry.th32OwnerProcessID != kestrel_.ProcessId()) continue;
            UniqueKernelHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
            if (thread && ::SuspendThread(thread.get()) != static_cast<DWORD>(-1)) threads.push_back(std::move(thread));
        }
        PressButton(main_, first);
        PressButton(main_, second);
        for (const UniqueKernelHandle& thread : threads) ::ResumeThread(thread.get());
        return !threads.empty();
    }
    // `count` captures in a row after a few to warm up, alternating window and screen, and every
    // fourth one a region (the key, then a drag over part of the pattern): nothing of Kestrel's may grow.
    void ExpectNothingLeftAfter(int count) {
        ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
        PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(320, 200));
        ASSERT_TRUE(pattern.BringToFront());
        POINT from{30, 20};
        ::ClientToScreen(pattern.hWnd(), &from);
        const POINT to{from.x + 120, from.y + 80};
        auto region = [&] {
            if (StartRegionCapture(kestrel_)) DragMouse(from, to);
        };
        auto capture = [&](int i) {
            if (i % 4 == 3) return Capture(main_, region);
            SetField(main_, ids::fmMain::kTxtScope, i % 2 ? L"1" : L"2");
            return Capture(main_);
        };
        // The first captures load what stays loaded: OLE's picture code, the clipboard's own copy of
        // the picture (which Wine keeps in the owner's process), cached device contexts.
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(capture(i)) << "warm-up capture " << i;
        PumpFor(300ms);
        const ResourceCounts before = CountResources(kestrel_.Process());
        for (int i = 0; i < count; ++i) ASSERT_TRUE(capture(i)) << "capture " << i;
        EXPECT_EQ(LastingGrowth(kestrel_.Process(), before, MemoryTolerance()), "");
        EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
    }
};

using CaptureToClipboard = CaptureScenarios;
using CaptureToClipboardAt144Dpi = CaptureScenarios;
using CaptureToClipboardOn8Bit = CaptureScenarios;
using CaptureOnTwoScreens = CaptureScenarios;
using CaptureThenExit = CaptureScenarios;
using ActiveWindowTarget = CaptureScenarios;
using CaptureLeaks = CaptureScenarios;
using CaptureLeaksOn8Bit = CaptureScenarios;

TEST_F(CaptureToClipboard, ActiveWindowIsTheForegroundWindowFrameIncluded) {
    CaptureOn(Screen::TrueColour, {301, 203});
}

TEST_F(CaptureToClipboard, EmptySettingsCaptureTheForegroundWindow) {
    DeleteSettingsKey();
    ASSERT_NO_FATAL_FAILURE(Start());
    ExpectCaptureOf(PatternWindow(PatternWindow::Kind::Captioned, ColourField(222, 111)));
}

// Clicking Capture brings Kestrel to the front, and hiding it hands the foreground to whichever
// window Windows (or Wine) picks, or to none for a moment: the capture still shows the user's window.
TEST_F(CaptureToClipboard, ClickingKestrelCapturesTheWindowTheUserWorkedIn) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow worked(PatternWindow::Kind::Captioned, ColourField(301, 203), {}, POINT{40, 30});
    PatternWindow other(PatternWindow::Kind::Captioned, ColourField(257, 181), {}, POINT{620, 30});
    ASSERT_TRUE(worked.BringToFront());
    // The other window lies above the one the user works in: it is next in line when Kestrel hides.
    ::SetWindowPos(other.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PumpFor(200ms);
    ASSERT_EQ(::GetForegroundWindow(), worked.hWnd());

    ASSERT_TRUE(Capture(main_, [&] { LeftClick(Child(main_, ids::fmMain::kCmdCapture)); }));
    ExpectWindowCapture(ReadClipboardPicture(), worked);
}

TEST_F(CaptureToClipboard, EntireScreenIsTheWholeScreenPixelForPixel) { CaptureOn(Screen::TrueColour); }

// Minimised to the notification area, the window stays out of sight through a capture from the
// menu (which presses the Capture button).
TEST_F(CaptureToClipboard, AHiddenWindowStaysHidden) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(200, 150));
    ::ShowWindow(main_, SW_HIDE);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(main_); }));
    ASSERT_TRUE(pattern.BringToFront());

    const DWORD sequence = ::GetClipboardSequenceNumber();
    bool seen = false;
    PressButton(main_, ids::fmMain::kCmdCapture);
    ASSERT_TRUE(PumpUntil([&] {
        seen = seen || ::IsWindowVisible(main_);
        return WaitForCaptureDone(main_, sequence, false, 0ms);
    }));
    PumpUntil([&] { return seen = seen || ::IsWindowVisible(main_); }, 500ms);
    EXPECT_FALSE(seen) << "the hidden window was shown";
}

// Two Capture requests that arrive together: the second comes in during the first one's yield and
// is ignored, rather than replacing the picture the first one is about to deliver.
TEST_F(CaptureToClipboard, ASecondCaptureDuringTheFirstIsIgnored) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(240, 160));
    ASSERT_TRUE(pattern.BringToFront());
    // How far one capture moves the clipboard's sequence number.
    const DWORD before = ::GetClipboardSequenceNumber();
    ASSERT_TRUE(Capture(main_));
    const DWORD afterOne = ::GetClipboardSequenceNumber();
    ASSERT_TRUE(pattern.BringToFront());

    ASSERT_TRUE(PressTogether(ids::fmMain::kCmdCapture, ids::fmMain::kCmdCapture));
    ASSERT_TRUE(WaitForCaptureDone(main_, afterOne, true));
    PumpFor(500ms);
    EXPECT_EQ(::GetClipboardSequenceNumber() - afterOne, afterOne - before) << "exactly one more capture";
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
}

// Another program holds the clipboard open: Kestrel waits a little, then says so and goes on; the
// clipboard keeps what the user had copied, and Picture1 lets go of the picture.
TEST_F(CaptureToClipboard, ABusyClipboardIsReportedAndLeftAlone) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(200, 150));
    PutTextOnClipboard(L"copied by the user");

    // Twice: the first message box loads its icon and caches device contexts for good, so only the
    // second round shows whether a capture that failed leaves anything behind.
    ResourceCounts afterFirst;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(pattern.BringToFront());
        ASSERT_TRUE(OpenClipboardPatiently());
        const auto pressed = std::chrono::steady_clock::now();
        ExpectCaptureReported(L"clipboard", L"copied by the user", [&](HWND box) {
            EXPECT_GE(std::chrono::steady_clock::now() - pressed, 450ms) << "Kestrel tried for about half a second";
            ::CloseClipboard();
            if (box && round == 0) EXPECT_EQ(MessageBoxIconKind(box), L"information");
            EXPECT_FALSE(::IsWindowVisible(main_)) << "hidden until the message is dismissed";
        });
        PumpFor(200ms);
        if (round == 0) afterFirst = CountResources(kestrel_.Process());
        if (round == 1) EXPECT_EQ(LastingGrowth(kestrel_.Process(), afterFirst, 1 << 20), "");
    }
    ExpectCaptureOf(pattern);  // and the next capture works
}

// With no window of another program anywhere, there is nothing to capture: Kestrel says so instead
// of putting a picture of nothing (or of itself) on the clipboard.
TEST_F(CaptureToClipboard, NoWindowToCaptureIsReported) {
    WriteSettings("2", "2", "P", "100");
    PutTextOnClipboard(L"nothing to see");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == main_; }, 5s));
    ExpectCaptureReported(L"no window", L"nothing to see");
}

// At 150 % the picture still has the screen's real pixels: Kestrel is DPI aware, so nothing is
// virtualised, and the screen's size in pixels is not rounded through twips.
TEST_F(CaptureToClipboardAt144Dpi, ActiveWindowIsCapturedInRealPixels) { CaptureOn(Screen::Dpi144, {333, 222}); }

TEST_F(CaptureToClipboardAt144Dpi, EntireScreenIsTheWholeScreenPixelForPixel) { CaptureOn(Screen::Dpi144); }

// On a 256-colour palette screen the clipboard carries the system palette with the bitmap, and the
// colours that were on the screen are the colours of the picture.
TEST_F(CaptureToClipboardOn8Bit, TheScreenReallyIsAPaletteScreen) { PatternColours(Screen::Palette8Bit); }

TEST_F(CaptureToClipboardOn8Bit, ActiveWindowKeepsItsColoursThroughThePalette) {
    CaptureOn(Screen::Palette8Bit, {241, 163});
}

TEST_F(CaptureToClipboardOn8Bit, EntireScreenKeepsItsColoursThroughThePalette) { CaptureOn(Screen::Palette8Bit); }

// Exit chosen while a Capture is under way (its yields let it in) waits for the picture to be
// delivered, then ends Kestrel the usual way, settings saved.
TEST_F(CaptureThenExit, ExitDuringTheCaptureEndsKestrelOnceThePictureIsOnTheClipboard) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    SetField(main_, ids::fmMain::kTxtPercent, L"37");
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(240, 160));
    ASSERT_TRUE(pattern.BringToFront());

    const DWORD before = ::GetClipboardSequenceNumber();
    // Both requests wait in the queue together: the Capture's first yield finds the Exit.
    ASSERT_TRUE(PressTogether(ids::fmMain::kCmdCapture, ids::fmMain::kCmdExit));
    ASSERT_TRUE(PumpUntil([&] { return !kestrel_.Running(); }, 20s)) << "Kestrel did not end";
    EXPECT_EQ(kestrel_.WaitForExit(), 0u);
    EXPECT_NE(::GetClipboardSequenceNumber(), before) << "the capture was delivered before the end";
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_BITMAP) || ::IsClipboardFormatAvailable(CF_DIB));
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"2", "2", "P", "37"}));
}

// The user came to Kestrel from a window that was then minimised: once Kestrel hides, Windows activates
// the next window in line, which the user did not ask for, so nothing is captured.
TEST_F(ActiveWindowTarget, ARememberedWindowMinimisedBeforeTheCaptureIsReported) {
    WriteSettings("2", "2", "P", "100");
    PutTextOnClipboard(L"copied by the user");
    ASSERT_NO_FATAL_FAILURE(Start());
    PatternWindow worked(PatternWindow::Kind::Captioned, ColourField(301, 203), {}, POINT{40, 30});
    PatternWindow other(PatternWindow::Kind::Captioned, ColourField(257, 181), {}, POINT{620, 30});
    ASSERT_TRUE(worked.BringToFront());
    ::SetWindowPos(other.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The user comes to Kestrel: it notes the window they leave.
    ASSERT_TRUE(PumpUntil([&] {
        ::SetForegroundWindow(main_);
        return ::GetForegroundWindow() == main_;
    }));
    ::ShowWindow(worked.hWnd(), SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(worked.hWnd()) != FALSE; }));
    ASSERT_EQ(::GetForegroundWindow(), main_);
    ExpectCaptureReported(L"no window", L"copied by the user");
}

// A desk of two monitors (session.sh two-screens): the primary one at (0,0)-(800,600) and a
// second one left of it at (-640,0)-(0,480).
constexpr RECT kPrimary{0, 0, 800, 600};
constexpr RECT kLeft{-640, 0, 0, 480};

TEST_F(CaptureOnTwoScreens, TheDeskHasAMonitorLeftOfThePrimary) {
    EXPECT_EQ(::GetSystemMetrics(SM_CMONITORS), 2);
    for (const auto& [at, rect, primary] :
         {std::tuple{POINT{0, 0}, kPrimary, true}, std::tuple{POINT{-1, 0}, kLeft, false}}) {
        MONITORINFO info{sizeof(MONITORINFO)};
        ::GetMonitorInfoW(::MonitorFromPoint(at, MONITOR_DEFAULTTONULL), &info);
        EXPECT_TRUE(::EqualRect(&info.rcMonitor, &rect)) << "the monitor at " << at.x;
        EXPECT_EQ((info.dwFlags & MONITORINFOF_PRIMARY) != 0, primary);
    }
    EXPECT_EQ(std::make_pair(::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_CXVIRTUALSCREEN)),
              std::make_pair(-640, 1440));
}

struct PlaceCase {
    const char* name;
    POINT position;
    bool onTheLeftMonitor;
};

class ActiveWindowOnTwoScreens : public CaptureScenarios, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ActiveWindowOnTwoScreens, IsThatWindowPixelForPixel) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(301, 203), {}, GetParam().position);
    ASSERT_TRUE(pattern.BringToFront());
    const RECT outer = WindowRect(pattern.hWnd());
    ASSERT_EQ(outer.left, GetParam().position.x);
    RECT common{};
    ::IntersectRect(&common, &outer, &kLeft);
    ASSERT_EQ(::EqualRect(&common, &outer) != FALSE, GetParam().onTheLeftMonitor) << "wholly on the left monitor";
    ExpectCaptureOf(pattern);
}

INSTANTIATE_TEST_SUITE_P(Places, ActiveWindowOnTwoScreens,
                         ::testing::Values(PlaceCase{"leftMonitor", POINT{-600, 40}, true},
                                           PlaceCase{"acrossBothMonitors", POINT{-150, 100}, false},
                                           PlaceCase{"primaryMonitor", POINT{300, 200}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Entire Screen keeps its meaning on a desk of several monitors: the primary screen, at its own
// size, not the whole desk.
TEST_F(CaptureOnTwoScreens, EntireScreenIsThePrimaryScreen) {
    ASSERT_EQ(std::make_pair(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)),
              std::make_pair(800, 600));
    CaptureOn(Screen::TrueColour);
}

void DestroyWindowHandle(HWND wnd) noexcept { ::DestroyWindow(wnd); }

// What a leaking capture would leave: a screen-sized bitmap full of pixels, a palette, a window.
struct Leak {
    Leak() {
        const WindowDc screen = WindowDc::Client(nullptr);
        const SIZE size{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        bitmap.reset(::CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
        const UniqueDc memory(::CreateCompatibleDC(screen.get()));
        SelectionScope selected(memory.get(), bitmap.get());
        ::PatBlt(memory.get(), 0, 0, size.cx, size.cy, WHITENESS);
        palette.reset(::CreateHalftonePalette(screen.get()));
    }
    UniqueBitmap bitmap;
    UniquePalette palette;
    UniqueHandle<HWND, DestroyWindowHandle> window{::CreateWindowExW(
        0, L"STATIC", L"leaked", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr)};
};

// The check itself can fail: this process leaks what a few leaking captures would, and the counts
// and comparison that judge Kestrel report each kind. (One leaked bitmap's memory could hide in the
// freed block the C runtime keeps for reuse; a leak in every capture cannot, hence 200 captures.)
TEST_F(CaptureLeaks, TheCountsSeeADeliberateLeak) {
    // Once without counting: the first GDI and window calls of a process set up things for good.
    std::vector<Leak> leaks(1);
    ASSERT_TRUE(leaks[0].bitmap && leaks[0].palette && leaks[0].window);
    leaks.clear();
    ResourceCounts before = CountResources(::GetCurrentProcess());
    ASSERT_GT(before["GDI objects"], 0u) << "the GDI handle table was read";
    ASSERT_GT(before["committed memory"], 0u);

    leaks.resize(1);
    const ResourceCounts afterOne = CountResources(::GetCurrentProcess());
    EXPECT_EQ(afterOne.at("GDI objects"), before["GDI objects"] + 2) << "one bitmap and one palette";
    const std::string grownByOne = Growth(before, afterOne, MemoryTolerance());
    EXPECT_NE(grownByOne.find("windows"), std::string::npos) << grownByOne;

    leaks.resize(5);
    const std::string grownByFive = Growth(before, CountResources(::GetCurrentProcess()), MemoryTolerance());
    EXPECT_NE(grownByFive.find("committed memory"), std::string::npos) << "screen-sized bitmaps show\n" << grownByFive;

    leaks.clear();
    EXPECT_EQ(Growth(before, CountResources(::GetCurrentProcess()), SIZE_T(-1) / 2), "") << "freed, the counts go down";
}

TEST_F(CaptureLeaks, TwoHundredCapturesLeaveNothingBehind) { ExpectNothingLeftAfter(200); }

// On a 256-colour screen every capture also makes a palette for its picture and one for the
// clipboard.
TEST_F(CaptureLeaksOn8Bit, PaletteCapturesLeaveNothingBehind) { ExpectNothingLeftAfter(100); }

// Picture1 holds the picture only during the capture. Under Wine the clipboard's own copy stays in
// Kestrel's process, so a screen capture after a small one adds one screen-sized bitmap's worth of
// memory; a picture still held by Picture1 would add a second one.
TEST_F(CaptureLeaks, Picture1HoldsNothingAfterACapture) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(64, 48));
    ASSERT_TRUE(pattern.BringToFront());
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(Capture(main_));
    PumpFor(300ms);
    const SIZE_T small = CountResources(kestrel_.Process())["committed memory"];

    SetField(main_, ids::fmMain::kTxtScope, L"1");
    ASSERT_TRUE(Capture(main_));
    PumpFor(300ms);
    const SIZE_T bitmap = ScreenBitmapBytes();
    EXPECT_LT(CountResources(kestrel_.Process())["committed memory"], small + bitmap + bitmap / 2)
        << "more than the clipboard's one copy of a " << bitmap << "-byte screen stayed behind";
}

}  // namespace
}  // namespace kestrel::e2e
