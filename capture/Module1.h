// The capture engine: screen pixels into a bitmap picture, and a picture fitted onto the printed
// page.
#pragma once
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

#include <string>

namespace kestrel {

class Printer;

// The whole screen, from the desktop window.
ComPtr<IPictureDisp> GrabEntireScreen();
// The window the user works in, frame and title bar included.
ComPtr<IPictureDisp> GrabActiveWindow();
// A rectangle of a window's device context (the whole window's when clientOnly is false).
ComPtr<IPictureDisp> GrabWindowImage(HWND window, bool clientOnly, int left, int top, int width, int height);
// Wraps a bitmap and a palette (nullptr for none) into a picture that owns both.
ComPtr<IPictureDisp> WrapBitmapAsPicture(HBITMAP bitmap, HPALETTE palette);

// Sets the printer's orientation, fits the picture to the printable area with its aspect ratio
// kept, scales it to `percent` of that area and draws it at the top-left corner. The caller ends
// the document.
void PrintPictureFitted(Printer& printer, IPictureDisp* picture, const std::wstring& orientation, float percent);

}  // namespace kestrel
