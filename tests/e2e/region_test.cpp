// Region capture as a user works it: Ctrl+Shift+Print Screen, then a drag that delivers exactly the
// dragged pixels, or Esc, a right click or a click without a drag that leave the clipboard alone.
#include "app/fmMain_ids.h"
#include "tests/e2e/keyboard_support.h"

#include <fstream>

namespace kestrel::e2e {
namespace {

using namespace capture;

enum class Ending { Drag, DragBackwards, Escape, RightClick, ClickWithoutDrag };

struct RegionCase {
    const char* name;
    Ending ending;
    bool inTray;
};

void PrintTo(const RegionCase& c, std::ostream* out) { *out << c.name; }

// Where the drag starts in the pattern's client area, and how far it goes.
constexpr POINT kDragStart{20, 15};
constexpr SIZE kDragSize{150, 90};

// The screen during a drag, as a BMP beside the tests: the README's picture of the selection window.
void SaveScreenshot(const Image& image) {
    const BITMAPINFOHEADER info = TopDown32BitInfo(image.width, image.height).bmiHeader;
    const DWORD bytes = static_cast<DWORD>(image.pixels.size() * sizeof(Pixel));
    const BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof info + bytes), 0, 0,
                                sizeof file + sizeof info};
    std::ofstream out((BuildFolder() + L"\\region-selection.bmp").c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(image.pixels.data()), bytes);
}

class RegionTest : public KestrelTestWithParam<RegionCase> {
protected:
    // With the user's pattern window in front, the key, then the ending; Kestrel's window ends as
    // it was.
    void Run(Screen screen) {
        const RegionCase& c = GetParam();
        const RECT wholeScreen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
        if (c.inTray) {
            Click(Child(main_, ids::fmMain::kCmdMinimize));
            ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(main_); }));
        }
        const std::vector<Pixel> colours = PatternColours(screen);
        PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(320, 200, colours), colours);
        ASSERT_TRUE(pattern.BringToFront());
        POINT from = kDragStart;
        ::ClientToScreen(pattern.hWnd(), &from);
        POINT to{from.x + kDragSize.cx, from.y + kDragSize.cy};
        if (c.ending == Ending::DragBackwards) std::swap(from, to);

        const DWORD sequence = ::GetClipboardSequenceNumber();
        HWND selection = StartRegionCapture(kestrel_);
        ASSERT_NE(selection, nullptr) << "the selection window came up";
        EXPECT_FALSE(::IsWindowVisible(main_)) << "Kestrel's window is out of the way";
        const RECT covers = WindowRect(selection);
        EXPECT_TRUE(::EqualRect(&covers, &wholeScreen)) << "the selection covers the screen";

        const bool delivers = c.ending == Ending::Drag || c.ending == Ending::DragBackwards;
        if (delivers) {
            DragMouse(from, to, [&] {
                if (c.ending == Ending::Drag && !c.inTray && screen == Screen::TrueColour)
                    SaveScreenshot(ScreenImage(wholeScreen));
            });
        } else if (c.ending == Ending::Escape) {
            PressKeys({VK_ESCAPE});
        } else {
            const bool right = c.ending == Ending::RightClick;
            SendMouse(from, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
            SendMouse(from, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
        }
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(selection); }, 10s)) << "the selection window closed";
        if (delivers) {
            ASSERT_TRUE(WaitForCaptureDone(main_, sequence, !c.inTray));
            const ClipboardPicture picture = ReadClipboardPicture();
            ASSERT_TRUE(picture.hasBitmap);
            ASSERT_EQ(std::make_pair(picture.image.width, picture.image.height),
                      (std::pair<int, int>(kDragSize.cx, kDragSize.cy)));
            // The picture against the pattern from where the drag began ("expected" names the picture).
            EXPECT_EQ(Differences(picture.image, pattern.Pattern(), kDragStart.x, kDragStart.y), "");
            EXPECT_EQ(picture.palette.has_value(), screen == Screen::Palette8Bit);
        } else {
            PumpUntil([&] { return ::IsWindowVisible(main_) != FALSE; }, c.inTray ? 1s : 10s);
            PumpFor(500ms);
            EXPECT_EQ(::GetClipboardSequenceNumber(), sequence) << "nothing reached the clipboard";
        }
        PumpFor(300ms);
        EXPECT_EQ(::IsWindowVisible(main_) != FALSE, !c.inTray) << "Kestrel's window is as it was";
        EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
    }
};

using RegionKey = RegionTest;
using RegionKeyOn8Bit = RegionTest;
using RegionKeyAt144Dpi = RegionTest;

std::string CaseName(const ::testing::TestParamInfo<RegionCase>& info) { return info.param.name; }

TEST_P(RegionKey, DeliversExactlyTheDraggedPixelsOrNothing) { Run(Screen::TrueColour); }

INSTANTIATE_TEST_SUITE_P(Cases, RegionKey,
                         ::testing::Values(RegionCase{"Drag", Ending::Drag, false},
                                           RegionCase{"DragBackwards", Ending::DragBackwards, false},
                                           RegionCase{"DragFromTheTray", Ending::Drag, true},
                                           RegionCase{"EscapeCancels", Ending::Escape, false},
                                           RegionCase{"EscapeInTheTrayCancels", Ending::Escape, true},
                                           RegionCase{"RightClickCancels", Ending::RightClick, false},
                                           RegionCase{"ClickWithoutDragCancels", Ending::ClickWithoutDrag, false}),
                         CaseName);

TEST_P(RegionKeyOn8Bit, DeliversExactlyTheDraggedPixels) { Run(Screen::Palette8Bit); }

INSTANTIATE_TEST_SUITE_P(Cases, RegionKeyOn8Bit, ::testing::Values(RegionCase{"Drag", Ending::Drag, false}), CaseName);

TEST_P(RegionKeyAt144Dpi, DeliversTheDraggedSizeInPixels) { Run(Screen::Dpi144); }

INSTANTIATE_TEST_SUITE_P(Cases, RegionKeyAt144Dpi,
                         ::testing::Values(RegionCase{"DragBackwards", Ending::DragBackwards, false}), CaseName);

}  // namespace
}  // namespace kestrel::e2e
