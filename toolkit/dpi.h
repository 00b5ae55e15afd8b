// The display's dots per inch. The DPI functions arrived with Windows 10; they are looked up so
// the program still starts on older systems and under Wine versions that lack them.
#pragma once
#include "toolkit/win.h"

namespace kestrel {

// The system's DPI, from the screen's device context where the system cannot say.
int SystemDpi();
// The DPI of the monitor a window is on; the system's where the system cannot say.
int WindowDpi(HWND wnd);
// Grows a client rectangle to the window rectangle for the given style at the given DPI.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

}  // namespace kestrel
