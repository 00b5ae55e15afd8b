// The clipboard as another program sees it, and asking Kestrel for a capture. Wine sends the
// clipboard's owner messages, and the test's thread owns the reader: whenever it waits, it pumps them.
#pragma once
#include "tests/e2e/pattern_window.h"

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
void PutTextOnClipboard(const std::wstring& text);

// BN_CLICKED posted from a button of the main window: the window in front stays in front.
void PressButton(HWND main, int id);
// Waits until a capture that began after `sequenceBefore` has placed a bitmap on the clipboard
// and, when Kestrel was visible, Kestrel is back on the screen.
bool WaitForCaptureDone(HWND main, DWORD sequenceBefore, bool windowComesBack, std::chrono::milliseconds timeout = 15s);
// `request` (the Capture button when none), then WaitForCaptureDone for a visible Kestrel.
bool Capture(HWND main, const std::function<void()>& request = nullptr);

// The capture of `pattern`'s whole window: its outer size, and the pattern's pixels where the
// client area is.
void ExpectWindowCapture(const ClipboardPicture& picture, const PatternWindow& pattern);

// The screens the capture scenarios run on. Expects that this is the screen, and returns the
// colours a pattern on it may use: any on a true-colour screen, on a palette screen the static
// colours it shows exactly.
enum class Screen { TrueColour, Palette8Bit, Dpi144 };
std::vector<Pixel> PatternColours(Screen screen);
std::vector<Pixel> SystemPalette();

}  // namespace kestrel::e2e::capture
