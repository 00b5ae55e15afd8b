// The clipboard: places a picture as a bitmap that stays valid after the picture is released.
#pragma once
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

namespace kestrel::clipboard {

// How long a clipboard that another program holds open is waited for before giving up.
inline constexpr unsigned kOpenPatienceMilliseconds = 500;

// The clipboard's own copy of a picture: its bitmap and, where it has one, its palette.
struct PictureCopy {
    UniqueBitmap bitmap;
    UniquePalette palette;
};

// Copies the picture's bitmap (pixel for pixel, in the same format) and palette. The picture may
// be released as soon as this returns. Throws RunTimeError when there is no bitmap picture or no
// memory for the copy.
PictureCopy CopyPicture(IPictureDisp* picture);

// Replaces the clipboard's contents with the copy: the bitmap as CF_BITMAP, the palette as
// CF_PALETTE; `owner` becomes the clipboard's owner and the system the owner of the handles. Other
// programs may read the bitmap as a DIB too (the system converts it).
//
// Throws RunTimeError, and leaves the clipboard as it was, when another program keeps the clipboard
// open for longer than kOpenPatienceMilliseconds. Should the system refuse the data once the
// clipboard has been emptied (out of memory), the clipboard is left empty rather than holding half
// a picture.
void Place(HWND owner, PictureCopy copy);

// CopyPicture, then Place.
void SetPicture(HWND owner, IPictureDisp* picture);

}  // namespace kestrel::clipboard
