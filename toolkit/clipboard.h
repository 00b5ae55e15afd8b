// The clipboard: places a picture as a bitmap that stays valid after the picture is released.
#pragma once
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

namespace kestrel::clipboard {

// How long a clipboard that another program holds open is waited for before giving up.
inline constexpr unsigned kOpenPatienceMilliseconds = 500;

// Replaces the clipboard's contents with a copy of the picture's bitmap (CF_BITMAP) and, where the
// picture has one, a copy of its palette (CF_PALETTE); `owner` becomes the clipboard's owner. The
// clipboard keeps its own copies, so they stay valid after the picture has been released; other
// programs may read the bitmap as a DIB too (the system converts it).
//
// Throws RunTimeError, and leaves the clipboard as it was, when there is no bitmap picture, when
// the copies cannot be made, or when another program keeps the clipboard open for longer than
// kOpenPatienceMilliseconds. Should the system refuse the data once the clipboard has been
// emptied (out of memory), the clipboard is left empty rather than holding half a picture.
void SetPicture(HWND owner, IPictureDisp* picture);

}  // namespace kestrel::clipboard
