// Helpers of the capture tests: reading the picture that Kestrel left on the clipboard, driving a
// capture, counting a process's GDI objects, windows and memory, and the capture scenarios that run
// on every screen (24-bit, 8-bit palette, 144 dpi).
//
// The test's thread owns the window that opens the clipboard, and Wine sends a clipboard owner
// messages when another program empties the clipboard: whenever it waits for Kestrel, the test
// pumps its messages (Pump, PumpUntil).
#pragma once
#include "tests/e2e/pattern_window.h"

#include <gtest/gtest.h>

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

// The clipboard as another program sees it.
struct ClipboardPicture {
    bool hasBitmap = false;
    bool offersDib = false;
    int bitsPerPixel = 0;
    std::optional<std::vector<PALETTEENTRY>> palette;  // CF_PALETTE, when there is one
    Image image;                                       // CF_BITMAP in colours (through CF_PALETTE)
};
bool OpenClipboardPatiently();
// Reads CF_BITMAP, converting it to colours as a program that honours CF_PALETTE does.
ClipboardPicture ReadClipboardPicture();
// Puts a text on the clipboard, as the user's own earlier copy.
void PutTextOnClipboard(const std::wstring& text);
std::optional<std::wstring> ClipboardText();

// Asks for a capture the way a click does (BN_CLICKED from the Capture button), without moving the
// foreground to Kestrel: the window in front stays in front.
void PressCapture(HWND main);
// A real mouse click on the Capture button: Kestrel takes the foreground first, as it does for a
// user.
void ClickCaptureWithTheMouse(HWND main);
// Waits until a capture that began after `sequenceBefore` has placed a bitmap on the clipboard
// and, when Kestrel was visible, Kestrel is back on the screen.
bool WaitForCaptureDone(HWND main, DWORD sequenceBefore, bool windowComesBack, std::chrono::milliseconds timeout = 15s);
// PressCapture and WaitForCaptureDone for a visible Kestrel.
bool Capture(HWND main);

// Waits for Kestrel's message box and returns it (nullptr when none came).
HWND WaitForMessageBox(const KestrelProcess& kestrel);

// Holds every thread of a process still, so that messages posted meanwhile are all waiting when it
// goes on: the way to make two clicks arrive "at once".
class FrozenProcess {
public:
    explicit FrozenProcess(DWORD processId);
    FrozenProcess(const FrozenProcess&) = delete;
    FrozenProcess& operator=(const FrozenProcess&) = delete;
    ~FrozenProcess();
    size_t Threads() const { return threads_.size(); }

private:
    std::vector<HANDLE> threads_;
};

// The capture of `pattern`'s whole window: its outer size, and the pattern's pixels where the
// client area is.
void ExpectWindowCapture(const ClipboardPicture& picture, const PatternWindow& pattern);

// The screens the capture scenarios run on; each suite asserts that it got the one it expects.
enum class Screen { TrueColour, Palette8Bit, Dpi144 };
void ExpectScreen(Screen screen);
// The colours a pattern on that screen may use: any on a true-colour screen, on a palette screen
// the static colours it shows exactly.
std::vector<Pixel> PatternColours(Screen screen);
// The capture scenarios that run on every screen, each on a Kestrel of its own.
class CaptureScenarios : public KestrelTest {
protected:
    // Scope "2": the foreground window, frame included, with the colours it showed.
    void ActiveWindowScenario(Screen screen, int width, int height);
    // Scope "1": the whole screen, pixel for pixel.
    void EntireScreenScenario(Screen screen);
};

// Resource counts of a process. GetGuiResources and the private-bytes counter are stubs under Wine
// (they answer 0), so GDI objects are read from the process's own GDI handle table
// (PEB->GdiSharedHandleTable), USER objects are its windows, and memory is its PagefileUsage.
struct ResourceCounts {
    std::map<int, int> gdiByType;  // live GDI handles by their type byte
    int gdiTotal = 0;
    int windows = 0;
    SIZE_T pagefileBytes = 0;
};
ResourceCounts CountResources(HANDLE process);
// What grew between two counts: every GDI type whose count rose, the windows, and memory beyond
// `memoryTolerance` bytes. Empty when nothing leaked.
std::vector<std::string> Growth(const ResourceCounts& before, const ResourceCounts& after, SIZE_T memoryTolerance);
std::string Join(const std::vector<std::string>& lines);

}  // namespace kestrel::e2e::capture
