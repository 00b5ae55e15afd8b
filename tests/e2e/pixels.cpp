#include "tests/e2e/pixels.h"

namespace kestrel::e2e {

std::string Describe(Pixel p) {
    return "rgb(" + std::to_string((p >> 16) & 0xFF) + ", " + std::to_string((p >> 8) & 0xFF) + ", " +
           std::to_string(p & 0xFF) + ")";
}

BITMAPINFO TopDown32BitInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {static_cast<DWORD>(sizeof info.bmiHeader), width, -height, 1, 32, BI_RGB};
    return info;
}

Image Render(int width, int height, COLORREF background, const std::function<void(HDC, HDC)>& paint) {
    const BITMAPINFO info = TopDown32BitInfo(width, height);
    const WindowDc screen = WindowDc::Client(nullptr);
    const UniqueDc dc(::CreateCompatibleDC(screen.get()));
    void* bits = nullptr;
    const UniqueBitmap bitmap(::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap || !bits) return Image{width, height, {}};
    const SelectionScope selected(dc.get(), bitmap.get());
    const RECT all{0, 0, width, height};
    ::FillRect(dc.get(), &all, UniqueBrush(::CreateSolidBrush(background)).get());
    paint(dc.get(), screen.get());
    ::GdiFlush();
    const auto* first = static_cast<const Pixel*>(bits);
    Image out{width, height, {first, first + static_cast<size_t>(width) * static_cast<size_t>(height)}};
    for (Pixel& p : out.pixels) p &= 0x00FFFFFF;
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
    static HMODULE file =
        ::LoadLibraryExW(BuiltProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return static_cast<HICON>(::LoadImageW(file, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
}

::testing::AssertionResult ScreenShows(const RECT& area, const Image& expected) {
    Image seen;
    if (WaitFor([&] { return (seen = ScreenImage(area)) == expected; }, 5s)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Differences(expected, seen);
}

std::string Differences(const Image& expected, const Image& actual, int dx, int dy) {
    int count = 0;
    std::string first;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            const bool outside = x + dx >= actual.width || y + dy >= actual.height;
            if (!outside && expected.At(x, y) == actual.At(x + dx, y + dy)) continue;
            if (count++ > 0) continue;
            first = "(" + std::to_string(x) + "," + std::to_string(y) + "): expected " + Describe(expected.At(x, y)) +
                    ", got " + (outside ? std::string("nothing") : Describe(actual.At(x + dx, y + dy)));
        }
    }
    if (count == 0) return {};
    return std::to_string(count) + " of " + std::to_string(expected.pixels.size()) + " pixels differ; the first at " +
           first;
}

IconMatch BestIconMatch(const Image& screen, HICON icon, int size) {
    const Image onBlack = IconImage(icon, size, RGB(0, 0, 0));
    const Image onWhite = IconImage(icon, size, RGB(255, 255, 255));
    int opaque = 0;
    for (size_t i = 0; i < onBlack.pixels.size(); ++i) opaque += onBlack.pixels[i] == onWhite.pixels[i];
    int best = opaque + 1;
    for (int dy = 0; dy + size <= screen.height; ++dy) {
        for (int dx = 0; dx + size <= screen.width; ++dx) {
            int mismatches = 0;
            for (int y = 0; y < size && mismatches < best; ++y) {
                for (int x = 0; x < size; ++x) {
                    const Pixel p = onBlack.At(x, y);
                    mismatches += p == onWhite.At(x, y) && screen.At(x + dx, y + dy) != p;
                }
            }
            best = std::min(best, mismatches);
        }
    }
    return {best, opaque};
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
