// The code unit Module1, capture half: screen pixels into a bitmap picture. Its other half, a
// picture fitted onto the printed page, is in print_fitted.h.
#pragma once
#include "capture/capture_target.h"
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

namespace kestrel {

// Where the foreground was when a capture was asked for, and the last window of another program
// that had the foreground before then. Active-window capture decides between these and the
// foreground window after Kestrel has hidden itself (see capture_target.h).
struct ForegroundHistory {
    HWND atRequest = nullptr;
    HWND lastForeign = nullptr;
};

// The whole (primary) screen at its true pixel size, from the desktop window.
ComPtr<IPictureDisp> GrabEntireScreen();
// The window the user works in, frame and title bar included, as far as it can be seen: where the
// desktop compositor reports the window's visible frame, exactly that, without the invisible
// resize borders around it. Throws RunTimeError when there is no such window.
ComPtr<IPictureDisp> GrabActiveWindow(const ForegroundHistory& history = {});
// A rectangle of a window's device context (the whole window's when clientOnly is false). On a
// 256-colour palette display the picture carries a copy of the system palette. Throws
// RunTimeError when the area is empty or the bitmap cannot be made (out of memory).
ComPtr<IPictureDisp> GrabWindowImage(HWND window, bool clientOnly, int left, int top, int width, int height);
// The pixels of `area` of a bitmap picture (the frozen screen of a region capture), as a picture of
// its own with a copy of the palette, if the picture has one. Only the area is copied, so that the
// whole picture can be let go of at once. Throws RunTimeError when the area is empty.
ComPtr<IPictureDisp> CutPicture(IPictureDisp* picture, int left, int top, int width, int height);
// Wraps a bitmap and a palette (empty for none) into a picture that owns both: they are deleted
// when its last reference is released. On failure both are deleted and RunTimeError is thrown.
ComPtr<IPictureDisp> WrapBitmapAsPicture(UniqueBitmap bitmap, UniquePalette palette);

// What the capture target rules need to know about a window handle.
WindowFacts DescribeWindow(HWND window) noexcept;
// The window GrabActiveWindow takes, or nullptr when there is none worth capturing.
HWND ActiveWindowTarget(const ForegroundHistory& history) noexcept;

}  // namespace kestrel
