// What the printing tests need besides the driver: the page the private CUPS queue
// (tests/e2e/cups.sh) wrote, and that page rendered by Ghostscript and measured.
//
// The queue writes every job to <build>/e2e/cups/out/printed.ps; the test reads it through Wine's Z:
// drive. The page is Letter at 300 dpi with a printable area of 2450 x 3200 pixels (3200 x 2450
// in landscape) whose top-left corner is 50 pixels in from the paper's top and left edges.
#pragma once
#include "tests/e2e/pattern_window.h"

#include <chrono>
#include <optional>
#include <string>

namespace kestrel::e2e::printing {

inline constexpr int kPrintableLeft = 50;
inline constexpr int kPrintableTop = 50;

// Quadrant colours. Each has a channel below half, so it counts as ink on white paper.
inline constexpr QuadrantColours kPrimaries{Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 0)};
// Four of the twenty static colours: every 256-colour display shows them as they are (Wine's
// 8-bit X11 display shows no others), and each has to come back from the palette cells of the
// captured bitmap.
inline constexpr QuadrantColours kDarkStatics{Rgb(128, 128, 0), Rgb(0, 128, 128), Rgb(128, 0, 128), Rgb(0, 0, 128)};

// Where rendered pages and their logs are kept: <build>/e2e/pages.
std::wstring PagesFolder();
// Forgets the page of an earlier test, so that the next one seen is new.
void DiscardPrintedPage();
// Whether any of a job has reached the queue's file.
bool PrintedPageExists();
// The PostScript of the next job, once CUPS has written all of it (its trailer ends "%%EOF").
std::optional<std::string> WaitForPrintedPage(std::chrono::milliseconds timeout = 30s);
// Renders PostScript at the printer's 300 dpi through Ghostscript; the PostScript and the PPM are
// kept in PagesFolder() under `name`.
std::optional<Image> RenderPage(const std::string& postScript, const std::wstring& name);
// Wine's PostScript driver writes a landscape page as a portrait one turned by -90 degrees;
// turning the raster a quarter clockwise shows it as it lies on the desk.
Image TurnClockwise(const Image& portrait);

// Clicks Capture and expects exactly one message with `text` (and, when given, that icon), titled
// "Kestrel"; answers it and sees the window come back.
void ExpectOneMessage(const KestrelProcess& kestrel, const std::wstring& text, const wchar_t* icon = nullptr);
// A job reaches the queue's file about a second after its page is ended; this gives it three.
void ExpectNothingPrinted();

bool IsInk(Pixel p);
bool Near(Pixel p, Pixel colour);

// The smallest rectangle holding every inked pixel (right and bottom exclusive).
struct Box {
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};
std::optional<Box> InkBox(const Image& page);

}  // namespace kestrel::e2e::printing
