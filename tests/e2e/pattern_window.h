// The window the capture and printing tests capture: a top-level window of the test process with a
// known picture, on a thread of its own that keeps it painted while the test waits. On a palette
// screen it realises a palette of the picture's colours, so that they reach the screen exactly.
#pragma once
#include "tests/e2e/pixels.h"

#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace kestrel::e2e {

// A solid square of a known colour in a pattern (x, y: its centre).
struct Marker {
    int x;
    int y;
    Pixel colour;
};

struct Pattern {
    Image image;
    std::vector<Marker> markers;
};

// A smooth, position-dependent colour field (a shifted or scaled capture cannot match it) with
// markers near the corners and in the middle. With `colours` given, only those are used: the ones
// a palette screen shows exactly.
Pattern ColourField(int width, int height, const std::vector<Pixel>& colours = {});
// Quadrants of four colours (top left, top right, bottom left, bottom right): a page shows where
// each corner went.
using QuadrantColours = std::array<Pixel, 4>;
Pattern Quadrants(int width, int height, const QuadrantColours& colours);

class PatternWindow {
public:
    enum class Kind {
        Captioned,          // framed, with a title bar, at `position`
        Centred,            // borderless, in the middle of the screen
        FullScreenTopmost,  // borderless and topmost, over the whole screen
    };

    PatternWindow(Kind kind, Pattern pattern, const std::vector<Pixel>& palette = {}, POINT position = POINT{60, 40});
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;
    ~PatternWindow();

    HWND hWnd() const { return wnd_.load(); }
    const Image& Pattern() const { return pattern_.image; }
    const std::vector<Marker>& Markers() const { return pattern_.markers; }

    // Foreground, painted and on the screen. Kestrel takes the foreground back when it shows itself
    // again, a moment after the test sees it visible: keep asking until it sticks.
    bool BringToFront() const;
    // Brings the window to the front and waits until `other` (Kestrel's main window) is no longer
    // the active window of its own thread either, so that the user is plainly working here.
    bool TakeForegroundFrom(HWND other) const;
    // Where the client area sits inside the whole window (frame and title bar).
    POINT ClientOffset() const;

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(Kind kind, POINT position);
    UINT Paint(HDC dc, bool draw) const;

    struct Pattern pattern_;
    UniquePalette palette_;
    std::thread thread_;
    std::atomic<HWND> wnd_{nullptr};
    std::atomic<bool> failed_{false};
};

}  // namespace kestrel::e2e
