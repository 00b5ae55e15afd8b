#include "toolkit/clipboard.h"

#include "toolkit/handle_cast.h"
#include "toolkit/handles.h"
#include "toolkit/run_time_error.h"

#include <olectl.h>

#include <cstddef>
#include <vector>

namespace kestrel::clipboard {
namespace {

RunTimeError ClipboardBusyError() {
    return RunTimeError(kErrClipboardBusy,
                        "The clipboard is in use by another program, so the picture could not be placed on it. "
                        "Please try again.");
}

struct PictureHandles {
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
};

PictureHandles HandlesOf(IPictureDisp* picture) {
    if (!picture) throw RunTimeError(kErrObjectNotSet, "There is no picture to place on the clipboard.");
    ComPtr<IPicture> info;
    if (FAILED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(info.put()))) || !info) {
        throw RunTimeError(kErrInvalidPropertyValue, "The picture cannot be placed on the clipboard.");
    }
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE bitmap = 0;
    if (FAILED(info->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(info->get_Handle(&bitmap)) || !bitmap) {
        throw RunTimeError(kErrInvalidPropertyValue, "The picture holds no bitmap to place on the clipboard.");
    }
    OLE_HANDLE palette = 0;
    if (FAILED(info->get_hPal(&palette))) palette = 0;
    return PictureHandles{HandleFromBits<HBITMAP>(bitmap), HandleFromBits<HPALETTE>(palette)};
}

// A device-dependent copy in the same format, pixel for pixel. Not a DIB section: Wine passes DIB
// sections on to other processes as nothing.
UniqueBitmap CopyBitmap(HBITMAP source, HPALETTE palette) {
    BITMAP info{};
    if (!::GetObjectW(source, sizeof info, &info))
        throw RunTimeError(kErrInvalidPropertyValue, "The picture's bitmap is not valid.");
    UniqueBitmap copy(::CreateBitmap(info.bmWidth, info.bmHeight, info.bmPlanes, info.bmBitsPixel, nullptr));
    if (!copy) throw OutOfMemoryError();

    WindowDc screen = WindowDc::Client(nullptr);
    UniqueDc from(::CreateCompatibleDC(screen.get()));
    UniqueDc to(::CreateCompatibleDC(screen.get()));
    if (!from || !to) throw OutOfMemoryError();
    SelectionScope selectSource(from.get(), source);
    SelectionScope selectCopy(to.get(), copy.get());
    // With the same palette on both sides the palette indices are copied unchanged.
    HPALETTE fromPalette = palette ? ::SelectPalette(from.get(), palette, FALSE) : nullptr;
    HPALETTE toPalette = palette ? ::SelectPalette(to.get(), palette, FALSE) : nullptr;
    const BOOL copied = ::BitBlt(to.get(), 0, 0, info.bmWidth, info.bmHeight, from.get(), 0, 0, SRCCOPY);
    if (fromPalette) ::SelectPalette(from.get(), fromPalette, FALSE);
    if (toPalette) ::SelectPalette(to.get(), toPalette, FALSE);
    if (!copied) throw OutOfMemoryError();
    return copy;
}

UniquePalette CopyPalette(HPALETTE source) {
    const UINT count = ::GetPaletteEntries(source, 0, 0, nullptr);
    if (count == 0) throw RunTimeError(kErrInvalidPropertyValue, "The picture's palette is not valid.");
    std::vector<unsigned char> record(offsetof(LOGPALETTE, palPalEntry) + count * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(record.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    ::GetPaletteEntries(source, 0, count, palette->palPalEntry);
    UniquePalette copy(::CreatePalette(palette));
    if (!copy) throw OutOfMemoryError();
    return copy;
}

// OpenClipboard/CloseClipboard. Another program may hold the clipboard for a moment (clipboard
// managers and remote-desktop clients open it on every change): try again for a little while.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) {
        const ULONGLONG start = ::GetTickCount64();
        while (!::OpenClipboard(owner)) {
            if (::GetTickCount64() - start >= kOpenPatienceMilliseconds) throw ClipboardBusyError();
            ::Sleep(10);
        }
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() { ::CloseClipboard(); }
};

}  // namespace

PictureCopy CopyPicture(IPictureDisp* picture) {
    const PictureHandles handles = HandlesOf(picture);
    PictureCopy copy;
    copy.bitmap = CopyBitmap(handles.bitmap, handles.palette);
    if (handles.palette) copy.palette = CopyPalette(handles.palette);
    return copy;
}

void Place(HWND owner, PictureCopy copy) {
    if (!copy.bitmap) throw RunTimeError(kErrObjectNotSet, "There is no picture to place on the clipboard.");
    OpenedClipboard opened(owner);
    if (!::EmptyClipboard()) throw ClipboardBusyError();
    // The palette goes first, so that a refused bitmap cannot leave a palette alone behind and a
    // bitmap never stands there without its colours. The system owns each handle once it took it.
    if (copy.palette) {
        if (!::SetClipboardData(CF_PALETTE, copy.palette.get())) throw OutOfMemoryError();
        static_cast<void>(copy.palette.release());
    }
    if (!::SetClipboardData(CF_BITMAP, copy.bitmap.get())) {
        ::EmptyClipboard();
        throw OutOfMemoryError();
    }
    static_cast<void>(copy.bitmap.release());
}

void SetPicture(HWND owner, IPictureDisp* picture) {
    // Everything that can fail is done before the clipboard is emptied, so that a failure leaves
    // the user's clipboard as it was.
    Place(owner, CopyPicture(picture));
}

}  // namespace kestrel::clipboard
