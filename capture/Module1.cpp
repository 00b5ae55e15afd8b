#include "capture/Module1.h"

namespace kestrel {

ComPtr<IPictureDisp> GrabEntireScreen() { return {}; }
ComPtr<IPictureDisp> GrabActiveWindow() { return {}; }
ComPtr<IPictureDisp> GrabWindowImage(HWND, bool, int, int, int, int) { return {}; }
ComPtr<IPictureDisp> WrapBitmapAsPicture(HBITMAP, HPALETTE) { return {}; }

}  // namespace kestrel
