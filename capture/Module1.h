// The capture engine: screen pixels into a bitmap picture, and a picture fitted onto the printed
// page.
#pragma once
#include "capture/capture_target.h"
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

#include <string>

namespace kestrel {

class Printer;

// Where the foreground was when a capture was asked for, and the last window of another program
// that had the foreground before then. Active-window capture decides between these and the
// foreground window after Kestrel has hidden itself (see capture_target.h).
struct ForegroundHistory {
    HWND atRequest = nullptr;
    HWND lastForeign = nullptr;
};

// The whole (primary) screen at its true pixel size, from the desktop window.
ComPtr<IPictureDisp> GrabEntireScreen();
// The window the user works in, frame and title bar included. Throws RunTimeError when there is
// no such window.
ComPtr<IPictureDisp> GrabActiveWindow(const ForegroundHistory& history = {});
// A rectangle of a window's device context (the whole window's when clientOnly is false). On a
// 256-colour palette display the picture carries a copy of the system palette. Throws
// RunTimeError when the area is empty or the bitmap cannot be made (out of memory).
ComPtr<IPictureDisp> GrabWindowImage(HWND window, bool clientOnly, int left, int top, int width, int height);
// Wraps a bitmap and a palette (empty for none) into a picture that owns both: they are deleted
// when its last reference is released. On failure both are deleted and RunTimeError is thrown.
ComPtr<IPictureDisp> WrapBitmapAsPicture(UniqueBitmap bitmap, UniquePalette palette);

// What the capture target rules need to know about a window handle.
WindowFacts DescribeWindow(HWND window) noexcept;
// The window GrabActiveWindow takes, or nullptr when there is none worth capturing.
HWND ActiveWindowTarget(const ForegroundHistory& history) noexcept;

// Sets the printer's orientation, fits the picture to the printable area with its aspect ratio
// kept, scales it to `percent` of that area and draws it at the top-left corner. The caller ends
// the document.
void PrintPictureFitted(Printer& printer, IPictureDisp* picture, const std::wstring& orientation, float percent);

}  // namespace kestrel
