#include "tests/e2e/pixels.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kestrel::e2e {

std::string Describe(Pixel p) {
    return "rgb(" + std::to_string((p >> 16) & 0xFF) + ", " + std::to_string((p >> 8) & 0xFF) + ", " +
           std::to_string(p & 0xFF) + ")";
}

BITMAPINFO TopDown32BitInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

Image Render(int width, int height, COLORREF background, const std::function<void(HDC, HDC)>& paint) {
    Image out{width, height, {}};
    BITMAPINFO info = TopDown32BitInfo(width, height);
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
        const auto* p = static_cast<const Pixel*>(bits);
        out.pixels.assign(p, p + static_cast<size_t>(width) * static_cast<size_t>(height));
        for (Pixel& v : out.pixels) v &= 0x00FFFFFF;
        ::SelectObject(dc, old);
    }
    if (bitmap) ::DeleteObject(bitmap);
    if (dc) ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return out;
}

Image ScreenImage(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    return Render(width, height, RGB(0, 0, 0),
                  [&](HDC dc, HDC screen) { ::BitBlt(dc, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY); });
}

Image IconImage(HICON icon, int size, COLORREF background) {
    return Render(size, size, background,
                  [&](HDC dc, HDC) { ::DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL); });
}

HICON ProgramIcon(int size) {
    static HMODULE file = ::LoadLibraryExW((BuildFolder() + L"\\kestrel.exe").c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return static_cast<HICON>(::LoadImageW(file, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
}

::testing::AssertionResult ScreenShows(const RECT& area, const Image& expected) {
    Image seen;
    if (WaitFor([&] { return (seen = ScreenImage(area)) == expected; }, 5s)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Differences(expected, seen);
}

int CountDifferences(const Image& expected, const Image& actual, int dx, int dy) {
    int differences = 0;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            const int ax = x + dx;
            const int ay = y + dy;
            if (ax >= actual.width || ay >= actual.height || expected.At(x, y) != actual.At(ax, ay)) ++differences;
        }
    }
    return differences;
}

std::string Differences(const Image& expected, const Image& actual, int dx, int dy) {
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            const bool outside = x + dx >= actual.width || y + dy >= actual.height;
            if (outside || expected.At(x, y) != actual.At(x + dx, y + dy)) {
                std::ostringstream text;
                text << CountDifferences(expected, actual, dx, dy) << " of " << expected.pixels.size()
                     << " pixels differ; the first at (" << x << "," << y << "): expected "
                     << Describe(expected.At(x, y)) << ", got "
                     << (outside ? std::string("nothing") : Describe(actual.At(x + dx, y + dy)));
                return text.str();
            }
        }
    }
    return {};
}

IconMatch BestIconMatch(const Image& screen, HICON icon, int size) {
    const Image onBlack = IconImage(icon, size, RGB(0, 0, 0));
    const Image onWhite = IconImage(icon, size, RGB(255, 255, 255));
    std::vector<bool> opaque(onBlack.pixels.size());
    int opaqueCount = 0;
    for (size_t i = 0; i < opaque.size(); ++i) opaqueCount += (opaque[i] = onBlack.pixels[i] == onWhite.pixels[i]);
    int best = opaqueCount + 1;
    for (int dy = 0; dy + size <= screen.height; ++dy) {
        for (int dx = 0; dx + size <= screen.width; ++dx) {
            int mismatches = 0;
            for (int y = 0; y < size && mismatches < best; ++y) {
                for (int x = 0; x < size; ++x) {
                    if (opaque[static_cast<size_t>(y) * size + x] && screen.At(x + dx, y + dy) != onBlack.At(x, y))
                        ++mismatches;
                }
            }
            if (mismatches < best) best = mismatches;
        }
    }
    return {best, opaqueCount};
}

std::wstring MessageBoxIconKind(HWND box) {
    HWND iconControl = nullptr;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && ::IsWindowVisible(child)) {
            iconControl = child;
        }
    }
    if (!iconControl) return L"no icon";
    ::Sleep(300);  // let it paint
    const Image shown = ScreenImage(WindowRect(iconControl));
    const std::pair<const wchar_t*, LPCWSTR> kinds[] = {{L"information", IDI_INFORMATION},
                                                        {L"warning", IDI_WARNING},
                                                        {L"error", IDI_ERROR},
                                                        {L"question", IDI_QUESTION}};
    std::wstring best = L"unrecognised";
    int fewest = 1 << 30;
    for (const auto& [name, id] : kinds) {
        const IconMatch match = BestIconMatch(shown, ::LoadIconW(nullptr, id), ::GetSystemMetrics(SM_CXICON));
        // A close match only: a few pixels of anti-aliasing at most.
        if (match.mismatches < fewest && match.mismatches * 20 < match.opaque) {
            fewest = match.mismatches;
            best = name;
        }
    }
    return best;
}

}  // namespace kestrel::e2e
