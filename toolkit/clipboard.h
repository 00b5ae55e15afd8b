// The clipboard: places a picture as a bitmap that stays valid after the picture is released.
#pragma once
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

namespace kestrel::clipboard {

void SetPicture(HWND owner, IPictureDisp* picture);

}  // namespace kestrel::clipboard
