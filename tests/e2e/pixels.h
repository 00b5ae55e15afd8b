// One image type for every pixel the tests look at (the screen, the clipboard, icons, labels drawn
// here, printed pages) and the comparisons they make on it.
#pragma once
#include "tests/e2e/driver.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrel::e2e {

// 0x00RRGGBB, as a 32-bit DIB holds it.
using Pixel = std::uint32_t;

constexpr Pixel Rgb(int r, int g, int b) {
    return (static_cast<Pixel>(r & 0xFF) << 16) | (static_cast<Pixel>(g & 0xFF) << 8) | static_cast<Pixel>(b & 0xFF);
}
constexpr Pixel FromColorRef(COLORREF c) { return Rgb(GetRValue(c), GetGValue(c), GetBValue(c)); }
std::string Describe(Pixel p);  // "rgb(r, g, b)"

struct Image {  // rows top-down
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;
    Pixel At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
    bool operator==(const Image& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// The header of a top-down 32-bit bitmap of that size, the layout Image keeps.
BITMAPINFO TopDown32BitInfo(int width, int height);
// Draws through `paint(dc, screenDc)` into a 32-bit bitmap filled with `background` first.
Image Render(int width, int height, COLORREF background, const std::function<void(HDC, HDC)>& paint);
Image ScreenImage(const RECT& rect);
Image IconImage(HICON icon, int size, COLORREF background);
// The program icon at that size, as kestrel.exe carries it (kept for the test program's life).
HICON ProgramIcon(int size);
// Waits until the screen shows `expected` at `area` (a window may still be painting).
::testing::AssertionResult ScreenShows(const RECT& area, const Image& expected);

// How many pixels of `actual` (offset by dx, dy) differ from `expected`, and the first that does,
// for a failure message; empty when none differ.
std::string Differences(const Image& expected, const Image& actual, int dx = 0, int dy = 0);

// The fewest pixels that differ over every place `icon` fits in `screen`, counting only the pixels
// where the icon is opaque (the same on black and on white); and how many are opaque.
struct IconMatch {
    int mismatches;
    int opaque;
};
IconMatch BestIconMatch(const Image& screen, HICON icon, int size);

// Which of the system's message-box icons a message box shows ("information", "warning", "error",
// "question"), judged by the pixels on the screen; "no icon" or "unrecognised" otherwise.
std::wstring MessageBoxIconKind(HWND box);

}  // namespace kestrel::e2e
