// Controls the toolkit draws itself, on a window class of its own: shapes, lines, images and
// picture boxes. Each paints itself; the window class's procedure only hands it the device context.
#pragma once
#include "toolkit/controls.h"
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

#include <optional>

namespace kestrel {

// The toolkit's own window class, registered on first use: children that draw themselves, or
// nothing at all (a text field nobody sees).
const wchar_t* ToolkitControlClass();

// A rectangle: outline only, or filled with a solid colour, with a thin border.
class Shape : public Control {
public:
    void Create(Form& form, HWND container, int id, const TwipsRect& twips, std::optional<COLORREF> fill);
    void Paint(HDC dc, const RECT& client) const override;
    bool PaintsWholeClient() const noexcept override { return true; }

private:
    std::optional<COLORREF> fill_;
};

// A horizontal or vertical line from (x1, y1) to (x2, y2), in twips.
class Line : public Control {
public:
    void Create(Form& form, HWND container, int id, int x1, int y1, int x2, int y2);
    void Paint(HDC dc, const RECT& client) const override;
};

// A picture stretched to the control's size.
class Image : public Control {
public:
    void Create(Form& form, HWND container, int id, int bitmapResource, const TwipsRect& twips);
    void Paint(HDC dc, const RECT& client) const override;
    bool PaintsWholeClient() const noexcept override { return true; }

private:
    UniqueBitmap bitmap_;
};

// A picture box: a container of other controls that can hold a picture object, or show an icon
// unscaled at its top-left corner.
class PictureBox : public Control {
public:
    void Create(Form& form, HWND container, int id, const TwipsRect& twips, bool visible, bool border = false);
    void SetIcon(HICON icon) noexcept { icon_ = icon; }
    bool autoSize = false;
    // The held picture; holding it keeps it (and the bitmap and palette it owns) alive.
    IPictureDisp* Picture() const noexcept { return picture_.get(); }
    void SetPicture(ComPtr<IPictureDisp> picture);
    void ClearPicture() noexcept { picture_.Reset(); }
    void Paint(HDC dc, const RECT& client) const override;

private:
    ComPtr<IPictureDisp> picture_;
    HICON icon_ = nullptr;
};

}  // namespace kestrel
