// Capture helpers: the clipboard as another program sees it, asking Kestrel for a capture, counting
// a process's resources, and the capture scenarios every screen runs. The test's thread owns the
// clipboard reader, and Wine sends a clipboard owner messages: whenever it waits, it pumps them.
#pragma once
#include "tests/e2e/pattern_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::e2e::capture {

void Pump();

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

struct ClipboardPicture {
    bool hasBitmap = false;
    bool offersDib = false;
    int bitsPerPixel = 0;
    std::optional<std::vector<Pixel>> palette;  // CF_PALETTE's colours, when there is one
    Image image;                                // CF_BITMAP in colours (through CF_PALETTE)
};
bool OpenClipboardPatiently();
// Reads CF_BITMAP, converting it to colours as a program that honours CF_PALETTE does.
ClipboardPicture ReadClipboardPicture();
// Puts a text on the clipboard, as the user's own earlier copy.
void PutTextOnClipboard(const std::wstring& text);
std::optional<std::wstring> ClipboardText();

// BN_CLICKED from a button of the main window, without moving the foreground: the window in front
// stays in front.
void PressButton(HWND main, int id);
void PressCapture(HWND main);
// Waits until a capture that began after `sequenceBefore` has placed a bitmap on the clipboard
// and, when Kestrel was visible, Kestrel is back on the screen.
bool WaitForCaptureDone(HWND main, DWORD sequenceBefore, bool windowComesBack, std::chrono::milliseconds timeout = 15s);
// `request` (PressCapture when none), then WaitForCaptureDone for a visible Kestrel.
bool Capture(HWND main, const std::function<void()>& request = nullptr);

// Runs `action` while every thread of the process is suspended, so that messages it posts are all
// waiting together when the process goes on; returns how many threads were held.
size_t WhileFrozen(DWORD processId, const std::function<void()>& action);

// The capture of `pattern`'s whole window: its outer size, and the pattern's pixels where the
// client area is.
void ExpectWindowCapture(const ClipboardPicture& picture, const PatternWindow& pattern);

// The screens the capture scenarios run on; each suite asserts that it got the one it expects.
enum class Screen { TrueColour, Palette8Bit, Dpi144 };
void ExpectScreen(Screen screen);
// Expects that screen, and returns the colours a pattern on it may use: any on a true-colour
// screen, on a palette screen the static colours it shows exactly.
std::vector<Pixel> PatternColours(Screen screen);

class CaptureScenarios : public KestrelTest {
protected:
    // Active Window ("2") takes the foreground window of `window`'s size, frame included, with the
    // colours it showed; Entire Screen ("1") the whole screen, pixel for pixel.
    enum class Scope { ActiveWindow, EntireScreen };
    void CaptureScenario(Screen screen, Scope scope, SIZE window = {});
    // Brings `pattern` to the front, captures it and expects it on the clipboard.
    void ExpectCaptureOf(const PatternWindow& pattern);
    // Capture ends in a message box from Kestrel that contains `says` (`whileUp` runs as it comes);
    // once dismissed, Kestrel is back and running, and the clipboard holds `kept` and no picture.
    void ExpectCaptureReported(const wchar_t* says, const wchar_t* kept, const std::function<void(HWND)>& whileUp = {});
};

// GetGuiResources and the private-bytes counter answer 0 under Wine, so GDI objects are read from
// the process's GDI handle table (PEB->GdiSharedHandleTable), and memory is its PagefileUsage.
struct ResourceCounts {
    std::map<int, int> gdiByType;  // live GDI handles by their type byte
    int gdiTotal = 0;
    int windows = 0;
    SIZE_T pagefileBytes = 0;
};
ResourceCounts CountResources(HANDLE process);
// A line for every GDI type whose count rose, for the windows, and for memory beyond
// `memoryTolerance`; empty when nothing leaked.
std::string Growth(const ResourceCounts& before, const ResourceCounts& after, SIZE_T memoryTolerance);
// The same, given up to 2 s to go away: a repaint holds a device context or two for a moment, a
// leak stays. `after` receives the last count.
std::string LastingGrowth(HANDLE process, const ResourceCounts& before, SIZE_T memoryTolerance,
                          ResourceCounts* after = nullptr);

}  // namespace kestrel::e2e::capture
