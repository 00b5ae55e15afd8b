// Comparing what is on the screen with an icon drawn here: an icon is recognised by its opaque
// pixels, whatever the background behind it.
#pragma once
#include "tests/e2e/driver.h"

#include <cstdint>
#include <vector>

namespace kestrel::e2e {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;  // 0x00RRGGBB, top row first
    std::uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// Draws through `paint` into a 32-bit bitmap filled with `background` first.
template <typename Paint>
Pixels Render(int width, int height, COLORREF background, Paint paint) {
    Pixels out;
    out.width = width;
    out.height = height;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc && bitmap && bits) {
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        HBRUSH brush = ::CreateSolidBrush(background);
        RECT all{0, 0, width, height};
        ::FillRect(dc, &all, brush);
        ::DeleteObject(brush);
        paint(dc, screen);
        ::GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        out.rgb.assign(p, p + static_cast<size_t>(width) * height);
        for (auto& v : out.rgb) v &= 0x00FFFFFF;
        ::SelectObject(dc, old);
    }
    if (bitmap) ::DeleteObject(bitmap);
    if (dc) ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return out;
}

// What the screen shows in `rect`.
inline Pixels ScreenPixels(const RECT& rect) {
    return Render(rect.right - rect.left, rect.bottom - rect.top, RGB(0, 0, 0), [&](HDC dc, HDC screen) {
        ::BitBlt(dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left, rect.top, SRCCOPY);
    });
}

// An icon drawn at `size`: its colours, and where it is opaque (the same on black and on white).
struct IconImage {
    Pixels colour;
    std::vector<bool> opaque;
    int OpaqueCount() const {
        int n = 0;
        for (bool o : opaque) n += o ? 1 : 0;
        return n;
    }
};

inline IconImage DrawnIcon(HICON icon, int size) {
    auto draw = [&](HDC dc, HDC) { ::DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL); };
    IconImage image;
    image.colour = Render(size, size, RGB(0, 0, 0), draw);
    const Pixels onWhite = Render(size, size, RGB(255, 255, 255), draw);
    image.opaque.resize(image.colour.rgb.size());
    for (size_t i = 0; i < image.opaque.size(); ++i) image.opaque[i] = image.colour.rgb[i] == onWhite.rgb[i];
    return image;
}

// How many opaque pixels of `icon` differ from `screen` when the icon sits at (dx, dy).
inline int Mismatches(const Pixels& screen, const IconImage& icon, int dx, int dy) {
    int differing = 0;
    for (int y = 0; y < icon.colour.height; ++y) {
        for (int x = 0; x < icon.colour.width; ++x) {
            if (!icon.opaque[static_cast<size_t>(y) * icon.colour.width + x]) continue;
            const int sx = x + dx;
            const int sy = y + dy;
            if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height ||
                screen.At(sx, sy) != icon.colour.At(x, y)) {
                ++differing;
            }
        }
    }
    return differing;
}

// The fewest mismatches over every place the icon fits in `screen`.
inline int BestMismatches(const Pixels& screen, const IconImage& icon) {
    int best = icon.OpaqueCount() + 1;
    for (int dy = 0; dy + icon.colour.height <= screen.height; ++dy) {
        for (int dx = 0; dx + icon.colour.width <= screen.width; ++dx) {
            const int m = Mismatches(screen, icon, dx, dy);
            if (m < best) best = m;
        }
    }
    return best;
}

}  // namespace kestrel::e2e
