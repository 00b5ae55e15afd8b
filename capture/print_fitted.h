// The code unit Module1, printing half: a captured picture fitted onto the default printer's page.
#pragma once
#include "toolkit/win.h"

#include <ocidl.h>

#include <string>

namespace kestrel {

class Printer;

// Sets the printer's orientation, fits the picture to the printable area with its aspect ratio
// kept, scales it to `percent` of that area and draws it at the top-left corner. The caller ends
// the document.
void PrintPictureFitted(Printer& printer, IPictureDisp* picture, const std::wstring& orientation, float percent);

}  // namespace kestrel
