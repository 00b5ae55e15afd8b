// Capture on a 256-colour palette screen: the clipboard carries the system palette with the bitmap,
// and the colours that were on the screen are the colours of the picture.
#include "app/fmMain_ids.h"
#include "tests/e2e/capture_support.h"

#include <gtest/gtest.h>

#include <set>

namespace kestrel::e2e {
namespace {

using namespace capture;

std::vector<PALETTEENTRY> SystemPalette() {
    HDC screen = ::GetDC(nullptr);
    std::vector<PALETTEENTRY> entries(256);
    entries.resize(::GetSystemPaletteEntries(screen, 0, 256, entries.data()));
    ::ReleaseDC(nullptr, screen);
    return entries;
}

Pixel ToPixel(const PALETTEENTRY& entry) { return Rgb(entry.peRed, entry.peGreen, entry.peBlue); }

// Colours the screen shows exactly: the static colours at both ends of the system palette, each
// once. (Wine on an 8-bit X screen maps every other colour to the nearest static one.)
std::vector<Pixel> StaticScreenColours() {
    const std::vector<PALETTEENTRY> palette = SystemPalette();
    std::multiset<Pixel> all;
    for (const PALETTEENTRY& entry : palette) all.insert(ToPixel(entry));
    std::vector<Pixel> chosen;
    for (size_t i = 0; i < palette.size(); ++i) {
        if (i >= 10 && i + 10 < palette.size()) continue;
        const Pixel colour = ToPixel(palette[i]);
        if (all.count(colour) == 1) chosen.push_back(colour);
    }
    return chosen;
}

void ExpectPaletteOfTheScreen(const ClipboardPicture& picture) {
    ASSERT_TRUE(picture.palette) << "the clipboard carries a palette";
    const std::vector<PALETTEENTRY> screen = SystemPalette();
    ASSERT_EQ(picture.palette->size(), 256u);
    ASSERT_EQ(screen.size(), 256u);
    for (size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(ToPixel((*picture.palette)[i]), ToPixel(screen[i])) << "entry " << i << " of the system palette";
    }
}

TEST(CaptureToClipboardOn8Bit, TheScreenReallyIsAPaletteScreen) {
    HDC screen = ::GetDC(nullptr);
    EXPECT_TRUE(::GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE);
    EXPECT_EQ(::GetDeviceCaps(screen, SIZEPALETTE), 256);
    EXPECT_EQ(::GetDeviceCaps(screen, BITSPIXEL), 8);
    ::ReleaseDC(nullptr, screen);
}

TEST(CaptureToClipboardOn8Bit, ActiveWindowKeepsItsColoursThroughThePalette) {
    WriteSettings("2", "2", "P", "100");
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    const std::vector<Pixel> colours = StaticScreenColours();
    ASSERT_GE(colours.size(), 8u);
    PatternWindow pattern(PatternWindow::Kind::Captioned, 241, 163, colours);
    ASSERT_TRUE(pattern.BringToFront());

    const DWORD sequence = ::GetClipboardSequenceNumber();
    PressCapture(main);
    ASSERT_TRUE(WaitForCaptureDone(main, sequence, true));
    const ClipboardPicture picture = ReadClipboardPicture();
    ASSERT_TRUE(picture.hasBitmap);
    EXPECT_EQ(picture.bitsPerPixel, 8);
    ExpectPaletteOfTheScreen(picture);
    EXPECT_TRUE(picture.offersDib);

    const RECT outer = WindowRect(pattern.hWnd());
    EXPECT_EQ(picture.image.width, outer.right - outer.left);
    EXPECT_EQ(picture.image.height, outer.bottom - outer.top);
    const POINT client = pattern.ClientOffset();
    const Image& expected = pattern.Pattern();
    ASSERT_LE(client.x + expected.width, picture.image.width);
    ASSERT_LE(client.y + expected.height, picture.image.height);
    for (const Marker& marker : pattern.Markers()) {
        EXPECT_EQ(picture.image.At(client.x + marker.x, client.y + marker.y), marker.colour)
            << "marker at " << marker.x << "," << marker.y;
    }
    EXPECT_EQ(Checksum(picture.image, client.x, client.y, expected.width, expected.height),
              Checksum(expected, 0, 0, expected.width, expected.height))
        << FirstDifference(expected, picture.image, client.x, client.y);
}

TEST(CaptureToClipboardOn8Bit, EntireScreenKeepsItsColoursThroughThePalette) {
    WriteSettings("1", "2", "P", "100");
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    const std::vector<Pixel> colours = StaticScreenColours();
    ASSERT_GE(colours.size(), 8u);
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    PatternWindow screen(PatternWindow::Kind::FullScreenTopmost, width, height, colours);
    ASSERT_TRUE(screen.BringToFront());
    PumpFor(300ms);

    const DWORD sequence = ::GetClipboardSequenceNumber();
    PressCapture(main);
    ASSERT_TRUE(WaitForCaptureDone(main, sequence, true));
    const ClipboardPicture picture = ReadClipboardPicture();
    ASSERT_TRUE(picture.hasBitmap);
    ExpectPaletteOfTheScreen(picture);
    ASSERT_EQ(picture.image.width, width);
    ASSERT_EQ(picture.image.height, height);
    for (const Marker& marker : screen.Markers()) {
        EXPECT_EQ(picture.image.At(marker.x, marker.y), marker.colour) << "marker at " << marker.x << "," << marker.y;
    }
    EXPECT_EQ(Checksum(picture.image, 0, 0, width, height), Checksum(screen.Pattern(), 0, 0, width, height))
        << FirstDifference(screen.Pattern(), picture.image, 0, 0);
}

}  // namespace
}  // namespace kestrel::e2e
