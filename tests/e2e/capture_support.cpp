#include "tests/e2e/capture_support.h"

#include "app/fmMain_ids.h"

#include <algorithm>
#include <cstring>

namespace kestrel::e2e::capture {

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool OpenClipboardPatiently() {
    // A hidden window of the test process opens the clipboard.
    static HWND reader = ::CreateWindowExW(0, L"STATIC", L"clipboard reader", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                           ::GetModuleHandleW(nullptr), nullptr);
    return PumpUntil([] { return ::OpenClipboard(reader) != FALSE; }, 5s);
}

ClipboardPicture ReadClipboardPicture() {
    ClipboardPicture result;
    if (!OpenClipboardPatiently()) return result;
    result.offersDib = ::IsClipboardFormatAvailable(CF_DIB) != FALSE;
    HBITMAP bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    HPALETTE palette = static_cast<HPALETTE>(::GetClipboardData(CF_PALETTE));
    if (palette) {
        std::vector<PALETTEENTRY> entries(::GetPaletteEntries(palette, 0, 0, nullptr));
        ::GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data());
        result.palette.emplace();
        for (const PALETTEENTRY& e : entries) result.palette->push_back(Rgb(e.peRed, e.peGreen, e.peBlue));
    }
    BITMAP info{};
    if (bitmap && ::GetObjectW(bitmap, sizeof info, &info)) {
        result.hasBitmap = true;
        result.bitsPerPixel = info.bmBitsPixel;
        result.image = Image{info.bmWidth, info.bmHeight, {}};
        result.image.pixels.resize(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
        BITMAPINFO request = TopDown32BitInfo(info.bmWidth, info.bmHeight);
        const WindowDc screen = WindowDc::Client(nullptr);
        const UniqueDc dc(::CreateCompatibleDC(screen.get()));
        HPALETTE previous = palette ? ::SelectPalette(dc.get(), palette, FALSE) : nullptr;
        if (palette) ::RealizePalette(dc.get());
        ::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(info.bmHeight), result.image.pixels.data(), &request,
                    DIB_RGB_COLORS);
        if (previous) ::SelectPalette(dc.get(), previous, FALSE);
        for (Pixel& p : result.image.pixels) p &= 0x00FFFFFF;
    }
    ::CloseClipboard();
    return result;
}

void PutTextOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboardPatiently());
    ::EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    ::CloseClipboard();
}

void PressButton(HWND main, int id) {
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Child(main, id)));
}

bool WaitForCaptureDone(HWND main, DWORD sequenceBefore, bool windowComesBack, std::chrono::milliseconds timeout) {
    return PumpUntil(
        [&] {
            return ::GetClipboardSequenceNumber() != sequenceBefore && ::IsClipboardFormatAvailable(CF_BITMAP) &&
                   ::GetOpenClipboardWindow() == nullptr && (!windowComesBack || ::IsWindowVisible(main));
        },
        timeout);
}

bool Capture(HWND main, const std::function<void()>& request) {
    const DWORD sequence = ::GetClipboardSequenceNumber();
    request ? request() : PressButton(main, ids::fmMain::kCmdCapture);
    return WaitForCaptureDone(main, sequence, true);
}

void ExpectWindowCapture(const ClipboardPicture& picture, const PatternWindow& pattern) {
    ASSERT_TRUE(picture.hasBitmap);
    const RECT outer = WindowRect(pattern.hWnd());
    EXPECT_EQ(std::make_pair(picture.image.width, picture.image.height),
              (std::pair<int, int>(outer.right - outer.left, outer.bottom - outer.top)));
    const POINT client = pattern.ClientOffset();
    EXPECT_EQ(Differences(pattern.Pattern(), picture.image, client.x, client.y), "");
}

std::vector<Pixel> PatternColours(Screen screen) {
    const WindowDc dc = WindowDc::Client(nullptr);
    EXPECT_EQ((::GetDeviceCaps(dc.get(), RASTERCAPS) & RC_PALETTE) != 0, screen == Screen::Palette8Bit);
    EXPECT_EQ(ScreenDpi(), screen == Screen::Dpi144 ? 144 : 96);
    if (screen != Screen::Palette8Bit) return {};
    EXPECT_EQ(std::make_pair(::GetDeviceCaps(dc.get(), SIZEPALETTE), ::GetDeviceCaps(dc.get(), BITSPIXEL)),
              std::make_pair(256, 8));
    // The static colours at both ends of the system palette, each once. (Wine on an 8-bit X screen
    // maps every other colour to the nearest static one.)
    const std::vector<Pixel> palette = SystemPalette();
    std::vector<Pixel> chosen;
    for (size_t i = 0; i < palette.size(); ++i) {
        const bool atAnEnd = i < 10 || i + 10 >= palette.size();
        if (atAnEnd && std::count(palette.begin(), palette.end(), palette[i]) == 1) chosen.push_back(palette[i]);
    }
    EXPECT_GE(chosen.size(), 8u);
    return chosen;
}

std::vector<Pixel> SystemPalette() {
    const WindowDc screen = WindowDc::Client(nullptr);
    std::vector<PALETTEENTRY> entries(256);
    entries.resize(::GetSystemPaletteEntries(screen.get(), 0, 256, entries.data()));
    std::vector<Pixel> colours;
    for (const PALETTEENTRY& e : entries) colours.push_back(Rgb(e.peRed, e.peGreen, e.peBlue));
    return colours;
}

}  // namespace kestrel::e2e::capture
