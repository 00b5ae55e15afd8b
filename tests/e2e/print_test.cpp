// Capture to the printer. The private CUPS queue (cups.sh) writes each job to
// <build>/e2e/cups/out/printed.ps, which Ghostscript renders at the printer's 300 dpi to be measured.
#include "app/fmMain_ids.h"
#include "tests/e2e/pattern_window.h"

#include <winspool.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace kestrel::e2e {
namespace {

// Letter at 300 dpi, whose printable area (2450 x 3200 pixels upright, 3200 x 2450 across) starts
// 50 pixels in from the paper's top and left edges.
constexpr int kPrintableEdge = 50;
// Quadrant colours. Each has a channel below half, so it counts as ink on white paper.
constexpr QuadrantColours kPrimaries{Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 0)};
// Four of the twenty static colours: every 256-colour display shows them as they are (Wine's 8-bit
// X11 display shows no others), and each has to come back from the palette cells of the capture.
constexpr QuadrantColours kDarkStatics{Rgb(128, 128, 0), Rgb(0, 128, 128), Rgb(128, 0, 128), Rgb(0, 0, 128)};

std::wstring PrintedPagePath() { return BuildFolder() + L"\\e2e\\cups\\out\\printed.ps"; }

// Rendered pages and Ghostscript's logs are kept in <build>/e2e/pages.
std::wstring PagePath(const std::string& name) {
    ::CreateDirectoryW((BuildFolder() + L"\\e2e\\pages").c_str(), nullptr);
    return BuildFolder() + L"\\e2e\\pages\\" + std::wstring(name.begin(), name.end());
}

// The PostScript of the next job, once CUPS has written all of it (its trailer ends "%%EOF").
std::optional<std::string> WaitForPrintedPage() {
    std::optional<std::string> page;
    const auto complete = [&] {
        page = FileContents(PrintedPagePath());
        return page && page->find("%%EOF", page->size() > 16 ? page->size() - 16 : 0) != std::string::npos;
    };
    return WaitFor(complete, 30s) ? page : std::nullopt;
}

// A bitmap file as Windows reads it.
std::optional<Image> ReadBitmapFile(const std::wstring& path) {
    const UniqueBitmap bitmap(static_cast<HBITMAP>(
        ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    BITMAP size{};
    if (!bitmap || !::GetObjectW(bitmap.get(), sizeof size, &size)) return std::nullopt;
    Image image{size.bmWidth, size.bmHeight, std::vector<Pixel>(static_cast<size_t>(size.bmWidth) * size.bmHeight)};
    BITMAPINFO info = TopDown32BitInfo(image.width, image.height);
    const UINT rows = static_cast<UINT>(image.height);
    if (::GetDIBits(WindowDc::Client(nullptr).get(), bitmap.get(), 0, rows, image.pixels.data(), &info,
                    DIB_RGB_COLORS) != image.height) {
        return std::nullopt;
    }
    for (Pixel& p : image.pixels) p &= 0x00FFFFFF;
    return image;
}

// Renders PostScript at the printer's 300 dpi through Ghostscript, keeping what it wrote under
// PagePath(name). Wine's PostScript driver writes a landscape page as a portrait one turned by -90
// degrees: Ghostscript turns it back (Orientation 3) to show it as it lies on the desk. Wine runs a
// Linux program named to CreateProcess but hands back no process handle, so the script leaves its
// exit status in a file.
std::optional<Image> RenderPage(const std::string& postScript, const std::string& name, bool landscape) {
    const std::wstring base = PagePath(name);
    std::ofstream((base + L".ps").c_str(), std::ios::binary) << postScript;
    ::DeleteFileW((base + L".status").c_str());
    std::string unix(base.begin() + 2, base.end());  // Wine's Z: drive is the root of the Linux file system
    std::replace(unix.begin(), unix.end(), '\\', '/');
    const std::string script = "/usr/bin/gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=bmp16m -r300 -sOutputFile='" + unix +
                               ".bmp' " + (landscape ? "-c '<</Orientation 3>> setpagedevice' -f '" : "'") + unix +
                               ".ps' >'" + unix + ".gs.log' 2>&1; echo $? >'" + unix + ".tmp' && mv '" + unix +
                               ".tmp' '" + unix + ".status'";
    std::wstring commandLine = L"Z:\\bin\\sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
    if (!StartProgram(commandLine)) return std::nullopt;
    std::optional<std::string> status;
    if (!WaitFor([&] { return (status = FileContents(base + L".status")).has_value(); }, 60s) ||
        std::atoi(status->c_str()) != 0) {
        return std::nullopt;
    }
    return ReadBitmapFile(base + L".bmp");
}

// The smallest rectangle holding every pixel of ink (one channel below half).
std::optional<RECT> InkBox(const Image& page) {
    RECT box{page.width, page.height, 0, 0};
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            const Pixel p = page.At(x, y);
            if (((p >> 16) & 0xFF) >= 128 && ((p >> 8) & 0xFF) >= 128 && (p & 0xFF) >= 128) continue;
            box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                       std::max<LONG>(box.bottom, y + 1)};
        }
    }
    return box.right == 0 ? std::nullopt : std::optional<RECT>(box);
}

// Each channel within 48 of the colour's.
bool Near(Pixel p, Pixel colour) {
    const auto off = [&](int shift) {
        return std::abs(int((p >> shift) & 0xFF) - int((colour >> shift) & 0xFF)) >= 48;
    };
    return !off(16) && !off(8) && !off(0);
}

class PrintTest : public KestrelTest {
protected:
    // Kestrel set to capture the active window to the printer, and a window of quadrants to capture.
    void StartPrinting(const char* orientation, const char* percent, int width = 400, int height = 300,
                       const QuadrantColours& colours = kPrimaries) {
        ASSERT_NO_FATAL_FAILURE(StartWith("2", "1", orientation, percent));
        pattern_.emplace(PatternWindow::Kind::Centred, Quadrants(width, height, colours));
        ASSERT_NE(pattern_->hWnd(), nullptr);
    }

    // Clicks Capture with the pattern window in front and the page of an earlier capture gone.
    void Capture() {
        ::DeleteFileW(PrintedPagePath().c_str());
        ASSERT_TRUE(pattern_->TakeForegroundFrom(main_));
        Click(Child(main_, ids::fmMain::kCmdCapture));
    }

    // Captures and expects exactly one message, titled "Kestrel", with `text` (and that icon, when
    // given); answers it, and sees the window come back and nothing printed.
    void ExpectRefused(const std::wstring& text, const wchar_t* icon = nullptr) {
        ASSERT_NO_FATAL_FAILURE(Capture());
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(kestrel_.ProcessId())) != nullptr; }, 20s))
            << "no message; the program is " << (kestrel_.Running() ? "running" : "gone");
        EXPECT_EQ(WindowText(box), L"Kestrel");
        EXPECT_EQ(MessageBoxText(box), text);
        if (icon) EXPECT_EQ(MessageBoxIconKind(box), icon);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        ::Sleep(3000);  // a job reaches the queue's file about a second after its page is ended
        ASSERT_NO_FATAL_FAILURE(ExpectBack());
        EXPECT_EQ(::GetFileAttributesW(PrintedPagePath().c_str()), INVALID_FILE_ATTRIBUTES) << "a job was printed";
    }

    // The window came back, with no message (a second one, after a refusal), and the program runs.
    void ExpectBack() {
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_) != FALSE; })) << "the window did not come back";
        EXPECT_EQ(FindMessageBox(kestrel_.ProcessId()), nullptr)
            << MessageBoxText(FindMessageBox(kestrel_.ProcessId()));
        ASSERT_TRUE(kestrel_.Running());
    }

    // Captures and takes the one page that comes out (page_), with no message; the window comes back.
    void PrintOnePage() {
        ASSERT_NO_FATAL_FAILURE(Capture());
        const std::optional<std::string> printed = WaitForPrintedPage();
        ASSERT_TRUE(printed) << "no page reached the printer; message: "
                             << MessageBoxText(FindMessageBox(kestrel_.ProcessId()));
        ASSERT_NO_FATAL_FAILURE(ExpectBack());
        EXPECT_NE(printed->find("%%Pages: 1"), std::string::npos) << "one page per capture";
        page_ = *printed;
    }

    std::optional<PatternWindow> pattern_;
    std::string page_;
};

enum class Sheet { kPortrait, kLandscape };

struct PageCase {
    const char* name;
    int pictureWidth;  // the captured window, in screen pixels
    int pictureHeight;
    const char* orientation;  // the settings as stored
    const char* percent;
    Sheet sheet;   // how the page must come out
    double width;  // the drawing on the page, in printer pixels
    double height;
    QuadrantColours colours = kPrimaries;
};

class PrintedPage : public PrintTest, public ::testing::WithParamInterface<PageCase> {
protected:
    void PrintAndMeasure();
};
using PrintedPageOn8Bit = PrintedPage;

void PrintedPage::PrintAndMeasure() {
    const PageCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartPrinting(c.orientation, c.percent, c.pictureWidth, c.pictureHeight, c.colours));
    ASSERT_NO_FATAL_FAILURE(PrintOnePage());
    const bool landscape = c.sheet == Sheet::kLandscape;
    EXPECT_NE(page_.find(landscape ? "%%Orientation: Landscape" : "%%Orientation: Portrait"), std::string::npos);

    const std::optional<Image> sheet = RenderPage(page_, c.name, landscape);
    ASSERT_TRUE(sheet) << "Ghostscript could not render the page";
    ASSERT_EQ(sheet->width, landscape ? 3300 : 2550) << "Letter at 300 dpi";
    ASSERT_EQ(sheet->height, landscape ? 2550 : 3300);
    const std::optional<RECT> box = InkBox(*sheet);
    ASSERT_TRUE(box) << "the page is blank";
    EXPECT_NEAR(box->left, kPrintableEdge, 1) << "the drawing starts at the printable area's left edge";
    EXPECT_NEAR(box->top, kPrintableEdge, 1) << "the drawing starts at the printable area's top edge";
    const int width = box->right - box->left;
    const int height = box->bottom - box->top;
    EXPECT_NEAR(width, c.width, 2);
    EXPECT_NEAR(height, c.height, 2);
    // The picture is upright and not mirrored: each quadrant of the pattern is where it belongs.
    for (int corner = 0; corner < 4; ++corner) {
        const Pixel seen =
            sheet->At(box->left + width * (corner % 2 ? 3 : 1) / 4, box->top + height * (corner < 2 ? 1 : 3) / 4);
        EXPECT_TRUE(Near(seen, c.colours[corner])) << "quadrant " << corner << " is " << Describe(seen);
    }
    // A rendered page is large; it is kept only when it has something to show.
    if (!HasFailure()) ::DeleteFileW((PagePath(c.name) + L".bmp").c_str());
}

std::string CaseName(const ::testing::TestParamInfo<PageCase>& info) { return info.param.name; }

TEST_P(PrintedPage, Measures) { PrintAndMeasure(); }

// The printable area is 2450 x 3200 printer pixels upright and 3200 x 2450 across. A 2:1 picture
// is wider than either, so it takes the full width; a 1:2 picture takes the full height.
INSTANTIATE_TEST_SUITE_P(
    Sizes, PrintedPage,
    ::testing::Values(
        PageCase{"WidePictureSpansThePrintableWidth", 600, 300, "P", "100", Sheet::kPortrait, 2450, 1225},
        PageCase{"TallPictureSpansThePrintableHeight", 240, 480, "P", "100", Sheet::kPortrait, 1600, 3200},
        PageCase{"TwentyFivePercentHalvesBothSides", 600, 300, "P", "25", Sheet::kPortrait, 1225, 612.5},
        PageCase{"LandscapeWidePictureSpansTheLongSide", 600, 300, "L", "100", Sheet::kLandscape, 3200, 1600},
        PageCase{"LowercasePIsLandscape", 240, 480, "p", "100", Sheet::kLandscape, 1225, 2450},
        PageCase{"EmptyOrientationIsLandscape", 600, 300, "", "25", Sheet::kLandscape, 1600, 800},
        // "50abc" prints like 50: both sides shrink by the square root of one half.
        PageCase{"PercentTextIsReadByItsLeadingNumber", 600, 300, "P", "50abc", Sheet::kPortrait, 1732.41, 866.21}),
    CaseName);

// On a 256-colour display the captured bitmap holds palette cells, and the picture a copy of the
// system palette; the page must still show the colours the screen showed.
TEST_P(PrintedPageOn8Bit, Measures) { PrintAndMeasure(); }

INSTANTIATE_TEST_SUITE_P(Colours, PrintedPageOn8Bit,
                         ::testing::Values(PageCase{"KeepsThePicturesColours", 600, 300, "P", "100", Sheet::kPortrait,
                                                    2450, 1225, kDarkStatics}),
                         CaseName);

using PrintingWithoutPrinter = PrintTest;
using PrintingFails = PrintTest;
using PrintingZeroSize = PrintTest;

// Runs with CUPS_SERVER naming a server that is not there (every suite whose name ends in
// WithoutPrinter does): Wine learns its printers from CUPS when a program starts, so there is no
// printer at all, and no default one.
TEST_F(PrintingWithoutPrinter, ReportsItAndCarriesOn) {
    wchar_t name[256];
    DWORD size = 256;
    ASSERT_FALSE(::GetDefaultPrinterW(name, &size)) << "this session must have no default printer";
    ASSERT_NO_FATAL_FAILURE(StartPrinting("P", "100"));
    ASSERT_NO_FATAL_FAILURE(ExpectRefused(L"No default printer is set up."));
    // And again: the failure left nothing behind that would change the second attempt.
    ASSERT_NO_FATAL_FAILURE(ExpectRefused(L"No default printer is set up."));
}

TEST_F(PrintingFails, PercentsThatCannotBePrinted) {
    const std::pair<const char*, const wchar_t*> cases[] = {
        {"-25", L"Invalid procedure call or argument"},  // no square root of a negative number
        {"1e39", L"Overflow"},                           // beyond single precision
        {"1e30", L"Overflow"},                           // a finite size far beyond any page
    };
    for (const auto& [percent, message] : cases) {
        SCOPED_TRACE(percent);
        ASSERT_NO_FATAL_FAILURE(StartPrinting("P", percent));
        ASSERT_NO_FATAL_FAILURE(ExpectRefused(message));
        // Still working: the next capture, with a percent that fits, prints.
        SetField(main_, ids::fmMain::kTxtPercent, L"100");
        ASSERT_NO_FATAL_FAILURE(PrintOnePage());
    }
}

// An image size that reads as 0 (Percent "0", empty as on a first run, or no number at all) fits the
// picture to nothing: Kestrel sends no page, says so once and carries on.
TEST_F(PrintingZeroSize, NoPageOneMessageAndTheNextSizePrints) {
    ASSERT_NO_FATAL_FAILURE(StartPrinting("P", "", 600, 300));
    for (const wchar_t* percent : {L"", L"0", L"abc"}) {
        SCOPED_TRACE(::testing::Message() << "Percent \"" << percent << "\"");
        SetField(main_, ids::fmMain::kTxtPercent, percent);
        ASSERT_NO_FATAL_FAILURE(ExpectRefused(
            L"The image size is 0 %, so nothing was printed. Set an image size from 1 to 100 % in Options.",
            L"information"));
    }
    SetField(main_, ids::fmMain::kTxtPercent, L"25");  // set right after, prints as ever
    ASSERT_NO_FATAL_FAILURE(PrintOnePage());
}

}  // namespace
}  // namespace kestrel::e2e
