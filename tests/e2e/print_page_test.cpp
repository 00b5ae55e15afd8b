// Capture to the printer, checked on the printed page: the job the private CUPS queue wrote is
// rendered by Ghostscript at the printer's resolution and the picture's box measured on it.
#include "app/fmMain_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/printed_page.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel::e2e {
namespace {

using namespace printing;

enum class Sheet { kPortrait, kLandscape };

struct PageCase {
    int pictureWidth;  // the captured window, in screen pixels
    int pictureHeight;
    const char* orientation;  // the Orientation setting as stored
    const char* percent;      // the Percent setting as stored
    Sheet sheet;              // how the page must come out
    double width;             // the drawing on the page, in printer pixels (300 dpi)
    double height;
    QuadrantColours colours = kPrimaries;
};

class PrintedPageTest : public KestrelTest {
protected:
    void PrintAndMeasure(const std::wstring& name, const PageCase& c);
};
using PrintedPage = PrintedPageTest;
using PrintedPageOn8Bit = PrintedPageTest;

// Captures a pattern window with Destination "1" and measures the page that comes out.
void PrintedPageTest::PrintAndMeasure(const std::wstring& name, const PageCase& c) {
    DiscardPrintedPage();
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "1", c.orientation, c.percent));
    PatternWindow pattern(PatternWindow::Kind::Centred, Quadrants(c.pictureWidth, c.pictureHeight, c.colours));
    ASSERT_NE(pattern.hWnd(), nullptr);
    ASSERT_TRUE(pattern.TakeForegroundFrom(kestrel_.Main()));

    Click(Child(main_, ids::fmMain::kCmdCapture));
    const std::optional<std::string> page = WaitForPrintedPage();
    ASSERT_TRUE(page) << "no page reached the printer; message: "
                      << MessageBoxText(FindMessageBox(kestrel_.ProcessId()));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_) != FALSE; })) << "the window did not come back";
    EXPECT_EQ(FindMessageBox(kestrel_.ProcessId()), nullptr) << MessageBoxText(FindMessageBox(kestrel_.ProcessId()));
    EXPECT_TRUE(kestrel_.Running());

    EXPECT_NE(page->find("%%Pages: 1"), std::string::npos) << "one page per capture";
    EXPECT_NE(page->find(c.sheet == Sheet::kLandscape ? "%%Orientation: Landscape" : "%%Orientation: Portrait"),
              std::string::npos);

    const std::optional<Image> rendered = RenderPage(*page, name);
    ASSERT_TRUE(rendered) << "Ghostscript could not render the page";
    // Letter at 300 dpi. A landscape page arrives as a portrait sheet turned by -90 degrees.
    ASSERT_EQ(rendered->width, 2550);
    ASSERT_EQ(rendered->height, 3300);
    const Image sheet = c.sheet == Sheet::kLandscape ? TurnClockwise(*rendered) : *rendered;

    const std::optional<Box> box = InkBox(sheet);
    ASSERT_TRUE(box) << "the page is blank";
    EXPECT_NEAR(box->left, kPrintableLeft, 1) << "the drawing starts at the printable area's left edge";
    EXPECT_NEAR(box->top, kPrintableTop, 1) << "the drawing starts at the printable area's top edge";
    EXPECT_NEAR(box->Width(), c.width, 2);
    EXPECT_NEAR(box->Height(), c.height, 2);

    // The picture is upright and not mirrored: each quadrant of the pattern is where it belongs.
    auto sample = [&](double fx, double fy) {
        return sheet.At(box->left + static_cast<int>(box->Width() * fx),
                        box->top + static_cast<int>(box->Height() * fy));
    };
    for (int corner = 0; corner < 4; ++corner) {
        const Pixel seen = sample(corner % 2 ? 0.75 : 0.25, corner < 2 ? 0.25 : 0.75);
        EXPECT_TRUE(Near(seen, c.colours[corner])) << "quadrant " << corner << " is " << Describe(seen);
    }

    // A rendered page is large; it is kept only when it has something to show.
    if (!HasFailure()) ::DeleteFileW((PagesFolder() + L"\\" + name + L".ppm").c_str());
}

// The printable area is 2450 x 3200 printer pixels upright and 3200 x 2450 across. A 2:1 picture
// is wider than either, so it takes the full width; a 1:2 picture takes the full height.

TEST_F(PrintedPage, WidePictureSpansThePrintableWidth) {
    PrintAndMeasure(L"WidePortrait100", {600, 300, "P", "100", Sheet::kPortrait, 2450, 1225});
}

TEST_F(PrintedPage, TallPictureSpansThePrintableHeight) {
    PrintAndMeasure(L"TallPortrait100", {240, 480, "P", "100", Sheet::kPortrait, 1600, 3200});
}

TEST_F(PrintedPage, TwentyFivePercentHalvesBothSides) {
    PrintAndMeasure(L"WidePortrait25", {600, 300, "P", "25", Sheet::kPortrait, 1225, 612.5});
}

TEST_F(PrintedPage, LandscapeWidePictureSpansTheLongSide) {
    PrintAndMeasure(L"WideLandscape100", {600, 300, "L", "100", Sheet::kLandscape, 3200, 1600});
}

TEST_F(PrintedPage, LowercasePIsLandscape) {
    PrintAndMeasure(L"TallLowercaseP100", {240, 480, "p", "100", Sheet::kLandscape, 1225, 2450});
}

TEST_F(PrintedPage, EmptyOrientationIsLandscape) {
    PrintAndMeasure(L"WideNoOrientation25", {600, 300, "", "25", Sheet::kLandscape, 1600, 800});
}

TEST_F(PrintedPage, PercentTextIsReadByItsLeadingNumber) {
    // "50abc" prints like 50: both sides shrink by the square root of one half.
    PrintAndMeasure(L"WidePortrait50abc", {600, 300, "P", "50abc", Sheet::kPortrait, 1732.41, 866.21});
}

// On a 256-colour display the captured bitmap holds palette cells, and the picture a copy of the
// system palette; the page must still show the colours the screen showed.
TEST_F(PrintedPageOn8Bit, KeepsThePicturesColours) {
    PrintAndMeasure(L"DarkStatics8Bit", {600, 300, "P", "100", Sheet::kPortrait, 2450, 1225, kDarkStatics});
}

}  // namespace
}  // namespace kestrel::e2e
