// Captures leave nothing behind in Kestrel's process: no GDI object, no window, no memory.
//
// Under Wine the usual counters (GetGuiResources, private bytes) answer 0 for everybody, so the
// counts come from the process's GDI handle table, its windows and its PagefileUsage (see
// capture_support.h). The first test shows that these counts do see a leak.
#include "app/fmMain_ids.h"
#include "tests/e2e/capture_support.h"
#include "tests/e2e/keyboard_support.h"

#include <gtest/gtest.h>

#include <iostream>

namespace kestrel::e2e {
namespace {

using CaptureLeaks = KestrelTest;
using CaptureLeaksOn8Bit = KestrelTest;

using namespace capture;

SIZE_T ScreenBitmapBytes() {
    return static_cast<SIZE_T>(::GetSystemMetrics(SM_CXSCREEN)) * static_cast<SIZE_T>(::GetSystemMetrics(SM_CYSCREEN)) *
           4;
}

// Heap growth and caches move committed memory a little, and Wine's allocator (glibc's malloc in
// the Unix half of the process) may keep a freed screen-sized block in its heap rather than give it
// back, depending on timing. A leak per capture grows without bound and still shows: a screen-sized
// bitmap left by each of a few captures, or a few kilobytes left by each of two hundred.
SIZE_T MemoryTolerance() { return (SIZE_T(1) << 20) + ScreenBitmapBytes(); }

bool HasLine(const std::vector<std::string>& lines, const std::string& start) {
    for (const std::string& line : lines) {
        if (line.rfind(start, 0) == 0) return true;
    }
    return false;
}

// What a leaking capture would leave behind: a screen-sized bitmap full of pixels, a palette and a
// window.
struct Leak {
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    HWND window = nullptr;

    Leak(const Leak&) = delete;
    Leak& operator=(const Leak&) = delete;
    Leak() {
        HDC screen = ::GetDC(nullptr);
        bitmap = ::CreateCompatibleBitmap(screen, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
        HDC memory = ::CreateCompatibleDC(screen);
        HGDIOBJ previous = ::SelectObject(memory, bitmap);
        ::PatBlt(memory, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), WHITENESS);
        ::SelectObject(memory, previous);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
        struct {
            WORD version = 0x300;
            WORD count = 1;
            PALETTEENTRY entry{1, 2, 3, 0};
        } record;
        palette = ::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record));
        window = ::CreateWindowExW(0, L"STATIC", L"leaked", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    }
    void Free() {
        ::DestroyWindow(window);
        ::DeleteObject(palette);
        ::DeleteObject(bitmap);
    }
};

// The check itself can fail: this process leaks screen-sized bitmaps, palettes and windows on
// purpose, as a few leaking captures would, and the same counts and the same comparison that judge
// Kestrel report each kind. (One leaked bitmap shows in the GDI counts at once. Its memory could
// hide in the one freed block that the C runtime keeps for reuse; a leak in every capture cannot,
// which is why the capture test runs 200 of them.)
TEST_F(CaptureLeaks, TheCountsSeeADeliberateLeak) {
    // Once without counting: the first GDI and window calls of a process set up things for good.
    Leak warmUp;
    ASSERT_NE(warmUp.bitmap, nullptr);
    ASSERT_NE(warmUp.palette, nullptr);
    ASSERT_NE(warmUp.window, nullptr);
    warmUp.Free();

    const ResourceCounts before = CountResources(::GetCurrentProcess());
    ASSERT_GT(before.gdiTotal, 0) << "the GDI handle table was read";
    ASSERT_GT(before.pagefileBytes, 0u);

    Leak one;
    const ResourceCounts afterOne = CountResources(::GetCurrentProcess());
    EXPECT_EQ(afterOne.gdiTotal, before.gdiTotal + 2) << "one bitmap and one palette";
    EXPECT_GT(afterOne.windows, before.windows);
    const std::vector<std::string> grownByOne = Growth(before, afterOne, MemoryTolerance());
    EXPECT_TRUE(HasLine(grownByOne, "GDI objects")) << Join(grownByOne);
    EXPECT_TRUE(HasLine(grownByOne, "windows")) << Join(grownByOne);

    std::vector<Leak> more(4);
    const ResourceCounts afterFive = CountResources(::GetCurrentProcess());
    const std::vector<std::string> grownByFive = Growth(before, afterFive, MemoryTolerance());
    EXPECT_TRUE(HasLine(grownByFive, "committed memory")) << "screen-sized bitmaps show in memory\n"
                                                          << Join(grownByFive);
    std::cout << "committed memory " << before.pagefileBytes << " -> " << afterOne.pagefileBytes << " (one leak) -> "
              << afterFive.pagefileBytes << " (five)\n";

    one.Free();
    for (Leak& leak : more) leak.Free();
    const std::vector<std::string> freed = Growth(before, CountResources(::GetCurrentProcess()), SIZE_T(-1) / 2);
    EXPECT_TRUE(freed.empty()) << "the object counts go back down once freed\n" << Join(freed);
}

// `count` captures in a row after a few to warm up, alternating window and screen, and every
// fourth one a region (the key, then a drag over part of the pattern): what the counts of
// Kestrel's process grew by.
std::vector<std::string> GrowthOverCaptures(const KestrelProcess& kestrel, int count) {
    HWND main = kestrel.Main();
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(320, 200));
    EXPECT_TRUE(pattern.BringToFront());
    POINT from{30, 20};
    ::ClientToScreen(pattern.hWnd(), &from);
    const POINT to{from.x + 120, from.y + 80};

    auto capture = [&](int i) {
        if (i % 4 == 3) {
            const DWORD sequence = ::GetClipboardSequenceNumber();
            if (!StartRegionCapture(kestrel)) return false;
            DragMouse(from, to);
            return WaitForCaptureDone(main, sequence, true);
        }
        SetField(main, ids::fmMain::kTxtScope, i % 2 ? L"1" : L"2");
        return Capture(main);
    };
    // The first captures load what stays loaded: OLE's picture code, the clipboard's own copy of
    // the picture (which Wine keeps in the owner's process), cached device contexts.
    for (int i = 0; i < 4; ++i) {
        if (!capture(i)) return {"warm-up capture " + std::to_string(i) + " did not finish"};
    }
    PumpFor(300ms);
    const ResourceCounts before = CountResources(kestrel.Process());

    for (int i = 0; i < count; ++i) {
        if (!capture(i)) return {"capture " + std::to_string(i) + " did not finish"};
    }
    // Kestrel repaints itself after each capture, with a device context or two in use meanwhile:
    // give those a moment to go. A leak does not go.
    ResourceCounts after;
    std::vector<std::string> grown;
    PumpUntil(
        [&] {
            after = CountResources(kestrel.Process());
            grown = Growth(before, after, MemoryTolerance());
            return grown.empty();
        },
        2s);
    EXPECT_FALSE(FindMessageBox(kestrel.ProcessId()));
    std::cout << count << " captures: GDI objects " << before.gdiTotal << " -> " << after.gdiTotal << ", windows "
              << before.windows << " -> " << after.windows << ", committed memory " << before.pagefileBytes << " -> "
              << after.pagefileBytes << " bytes\n";
    return grown;
}

TEST_F(CaptureLeaks, TwoHundredCapturesLeaveNothingBehind) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    const std::vector<std::string> grown = GrowthOverCaptures(kestrel_, 200);
    EXPECT_TRUE(grown.empty()) << Join(grown);
}

// The same on a 256-colour screen, where every capture also makes a palette for its picture and
// one for the clipboard.
TEST_F(CaptureLeaksOn8Bit, PaletteCapturesLeaveNothingBehind) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    const std::vector<std::string> grown = GrowthOverCaptures(kestrel_, 100);
    EXPECT_TRUE(grown.empty()) << Join(grown);
}

// Picture1 holds the picture only during the capture. Under Wine the clipboard's own copy stays in
// Kestrel's process, so a screen capture after a small one adds one screen-sized bitmap's worth of
// memory; a picture still held by Picture1 would add a second one.
TEST_F(CaptureLeaks, Picture1HoldsNothingAfterACapture) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(64, 48));
    ASSERT_TRUE(pattern.BringToFront());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(Capture(main_));
    }
    PumpFor(300ms);
    const ResourceCounts small = CountResources(kestrel_.Process());

    SetField(main_, ids::fmMain::kTxtScope, L"1");
    ASSERT_TRUE(Capture(main_));
    PumpFor(300ms);
    const ResourceCounts screen = CountResources(kestrel_.Process());

    const SIZE_T bitmap = ScreenBitmapBytes();
    EXPECT_LT(screen.pagefileBytes, small.pagefileBytes + bitmap + bitmap / 2)
        << "more than the clipboard's one copy of a " << bitmap << "-byte screen stayed behind";
    std::cout << "committed memory " << small.pagefileBytes << " -> " << screen.pagefileBytes << " for a " << bitmap
              << "-byte screen\n";
}

}  // namespace
}  // namespace kestrel::e2e
