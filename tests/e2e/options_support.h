// Working the Options dialog from the outside: opening it from the main window, reading its
// controls' states and geometry in twips, typing, clicking, and hearing its beeps.
#pragma once
#include "app/fmMain_ids.h"
#include "settings/fmOptions_ids.h"
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kestrel::e2e {

namespace opt = ids::fmOptions;

// A place of a control in twips, as the dialog lays it out.
struct TwipsBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// One pixel of tolerance, expressed in twips at the screen's DPI.
int OnePixelTwips();

void ExpectBoxNear(const TwipsBox& actual, const TwipsBox& expected);

// The five size and orientation controls are enabled exactly while Destination is the printer.
void ExpectSizeControlsEnabled(HWND dialog, bool enabled);

// Opens Options from the main window's button; the dialog, or nullptr when none came up.
HWND OpenOptions(const KestrelProcess& kestrel);

// Sets the main window's four settings fields first.
HWND OpenOptions(const KestrelProcess& kestrel, const wchar_t* scope, const wchar_t* destination,
                 const wchar_t* orientation, const wchar_t* percent);

bool IsChecked(HWND option);

// Clicks OK; true once the dialog is gone.
bool PressOK(HWND dialog);
// Closes the dialog as its close box does (or with WM_CLOSE); true once it is gone.
bool CloseDialog(HWND dialog, UINT message = WM_SYSCOMMAND);

// Where `control` lies relative to the client area of the dialog.
TwipsBox InDialog(HWND dialog, HWND control);

// Where `control` lies relative to the frame that holds it (its outer top-left corner).
TwipsBox InFrame(HWND frame, HWND control);

// A mouse click as the control's own window procedure receives it: a button takes the focus on
// the press and reports the click on the release.
void PostMouseClick(HWND control);

// Clicks into the field, selects its text and types over it, character by character.
void TypeInto(HWND edit, const std::wstring& text);

// Returns once the dialog's thread has handled everything posted to it before: the frame's
// pushed state is a mark nobody sees (a group box draws no pushed look) that can be read back.
void Sync(HWND dialog);

// A real click of the mouse (through the system's input queue) at the centre of `control`. Each
// event carries its own position: under Wine a pointer motion that the X server reports late can
// otherwise move the pointer back between SetCursorPos and the press.
void MouseClickAt(int x, int y);

void MouseClick(HWND control);

// A point on the window's close box, found by asking the window along its caption; nullopt when
// there is none.
std::optional<POINT> CloseBox(HWND window);

COLORREF ScreenPixel(int x, int y);

// The colour on screen at a point given in twips of the dialog's client area.
COLORREF DialogPixel(HWND dialog, double xTwips, double yTwips);

// Counts the system beeps on Kestrel's X display. Wine sounds MessageBeep as an X bell; the X
// keyboard extension reports every bell, and xkbevd runs a command for each one. The counter
// starts xkbevd (a Unix program, which Wine starts like any other) and reads its tally back
// through the Z: drive.
class BellCounter {
public:
    BellCounter();
    ~BellCounter();
    BellCounter(const BellCounter&) = delete;
    BellCounter& operator=(const BellCounter&) = delete;

    bool Listening() const { return started_ && listening_; }
    // Bells since the counter started listening, once no new one has come for half a second.
    int Settled() const;
    // Waits until at least `expected` bells have come, then returns the settled count.
    int AtLeast(int expected) const;

private:
    std::string DosPath(const std::string& name) const;
    int Lines() const;

    std::string dir_;
    bool started_ = false;
    bool listening_ = false;
    int baseline_ = 0;
};

}  // namespace kestrel::e2e
