// Working the Options dialog from the outside: opening it, reading its controls' states and places
// in twips and pixels, clicking.
#pragma once
#include "app/fmMain_ids.h"
#include "settings/fmOptions_ids.h"
#include "tests/e2e/pixels.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {

namespace opt = ids::fmOptions;

// A place of a control in twips, as the dialog lays it out.
struct TwipsBox {
    int left, top, width, height;
};
// The thumbnail whenever no page is shown (whatever the percentage), and on a page.
inline constexpr TwipsBox kClipboardThumb{3960, 717, 1560, 1070};
inline constexpr TwipsBox kPortraitAt100{4150, 440, 1180, 800};
inline constexpr TwipsBox kPortraitAt50{4150, 440, 590, 400};
inline constexpr TwipsBox kLandscapeAt50{3960, 717, 780, 535};

// One pixel of tolerance, expressed in twips at the screen's DPI.
int OnePixelTwips();
void ExpectBoxNear(const TwipsBox& actual, const TwipsBox& expected);
// Where `control` lies in the dialog's client area.
TwipsBox InDialog(HWND dialog, HWND control);

// Clicks OK, or closes the dialog as its close box does (or with WM_CLOSE); true once it is gone.
bool PressOK(HWND dialog);
bool CloseDialog(HWND dialog, UINT message = WM_SYSCOMMAND);

bool IsChecked(HWND option);
// What the dialog shows of the four settings: the options chosen, the size field's text, the size
// and orientation controls enabled exactly while Destination is the printer, and the preview with
// its thumbnail at `thumb`.
struct Shown {
    bool screen, printer, portrait;
    const wchar_t* percent;
    TwipsBox thumb;
};
void ExpectShown(HWND dialog, const Shown& expected);

// A mouse click as the control's own window procedure receives it: a button takes the focus on
// the press and reports the click on the release.
void PostMouseClick(HWND control);
// Returns once the dialog's thread has handled everything posted to it before: the frame's
// pushed state is a mark nobody sees (a group box draws no pushed look) that can be read back.
void Sync(HWND dialog);

// The screen point at twips of the dialog's client area.
POINT DialogPoint(HWND dialog, double xTwips, double yTwips);
// Waits up to 3 s (the dialog paints its controls one by one) for the screen at `at` to show
// `expected`, or a colour that passes `ok`.
::testing::AssertionResult ScreenPixelBecomes(POINT at, const std::function<bool(Pixel)>& ok);
::testing::AssertionResult ScreenPixelBecomes(POINT at, Pixel expected);

// Kestrel with Options open, and `field` its size field.
class OptionsTest : public KestrelTest {
protected:
    // Starts Kestrel on Scope "1", Destination "1", Orientation "P" and `percent`, then Show.
    void Open(const wchar_t* percent = L"100");
    // Opens Options from the main window's button, as the main window's fields stand.
    void Show();

    HWND dialog = nullptr;
    HWND field = nullptr;
};

}  // namespace kestrel::e2e
