// Keys and mouse as the user works them, sent through the system's input queue (SendInput) so that
// its hot-key handling and mouse capture see them as they see a keyboard and a mouse.
#pragma once
#include "tests/e2e/capture_support.h"

namespace kestrel::e2e {

// The keys of a chord, pressed in this order and released in reverse order.
using Chord = std::vector<WORD>;

void PressKeys(const Chord& chord);
// Holds the chord down for `duration`, the last key repeating as a held key does (every 33 ms,
// the keyboard's fastest rate).
void HoldKeys(const Chord& chord, std::chrono::milliseconds duration);

// A mouse event at a screen position: each carries its own, so that a pointer motion the X server
// reports late cannot move the pointer back in between. A left click at `at` or at a control's centre.
void SendMouse(POINT at, DWORD flags);
void LeftClick(POINT at);
void LeftClick(HWND control);
// Presses the left button at `from`, moves in steps to `to` and lets go there. `beforeRelease`
// runs while the button is still down at `to`.
void DragMouse(
    POINT from, POINT to, const std::function<void()>& beforeRelease = [] {});

// Ctrl+Shift+Print Screen, and the selection window it brings up once that is ready for the mouse
// (nullptr when none came), pressed once the foreground has settled and the keyboard's repeat delay
// has passed since the last press (closer together they count as one held key).
HWND StartRegionCapture(const KestrelProcess& kestrel);

}  // namespace kestrel::e2e
