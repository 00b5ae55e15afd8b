// Region capture: which pixels a drag selects, and what the selection window shows beside it.
#pragma once

#include <string>

namespace kestrel {

struct PixelPoint {
    int x = 0;
    int y = 0;
};

// Screen pixels from left to right and from top to bottom, the right and bottom edges exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    bool Empty() const noexcept { return right <= left || bottom <= top; }
};

bool operator==(const PixelRect& a, const PixelRect& b) noexcept;

// The rectangle between the point where the button went down and the point where it is (or came
// up), whichever way the drag went: a drag 150 pixels right and 90 down selects 150 x 90 pixels,
// and so does the same drag made backwards. Both points are first kept within a screen of
// `screenWidth` x `screenHeight` pixels (the mouse may be captured beyond its edges), so the
// rectangle never leaves it. Empty when the drag did not move along either axis: the selection
// is cancelled.
PixelRect DragRect(PixelPoint press, PixelPoint release, int screenWidth, int screenHeight) noexcept;

// The size shown beside the selection while dragging, in pixels: "150 × 90".
std::wstring SelectionSizeText(const PixelRect& selection);

// Where a label of the given size goes: just below the selection's bottom-right corner, right-
// aligned with it; above the selection when there is no room below; inside its bottom edge when
// there is room neither below nor above. Always shifted fully onto the screen.
PixelRect LabelPlace(const PixelRect& selection, int labelWidth, int labelHeight, int screenWidth,
                     int screenHeight) noexcept;

}  // namespace kestrel
