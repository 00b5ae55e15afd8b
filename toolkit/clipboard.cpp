#include "toolkit/clipboard.h"

namespace kestrel::clipboard {

void SetPicture(HWND, IPictureDisp*) {}

}  // namespace kestrel::clipboard
