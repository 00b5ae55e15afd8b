// The selection window of a region capture: a borderless topmost window over the primary screen
// that shows a frozen picture of it, under a crosshair. The user drags a rectangle with the left
// button; while dragging the rest of the screen is dimmed and the selection's size in pixels shows
// beside it. Esc, a right click or a release without movement cancels.
#pragma once
#include "capture/region_rules.h"
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

#include <optional>

namespace kestrel {

class RegionWindow {
public:
    // Borrows `frozen` (a bitmap picture of the whole primary screen, as GrabEntireScreen makes
    // it), which must outlive the window.
    explicit RegionWindow(IPictureDisp* frozen);
    RegionWindow(const RegionWindow&) = delete;
    RegionWindow& operator=(const RegionWindow&) = delete;
    ~RegionWindow();

    // Shows the window and runs until the user has chosen: the rectangle, in the frozen picture's
    // pixels, or nothing when the selection was cancelled. The window is gone when this returns.
    std::optional<PixelRect> Choose();

    // The selection window's class, for those who look for it from outside.
    static constexpr wchar_t kWindowClass[] = L"Kestrel.RegionSelection";

private:
    static void RegisterClassOnce();
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc, const RECT& area) const;
    // What a move of the selection changes on the screen: the selection with its outline, and
    // its label.
    RECT DrawnArea(const PixelRect& selection) const;
    PixelRect Selection() const noexcept;
    void Finish(std::optional<PixelRect> result);

    HWND wnd_ = nullptr;
    HBITMAP bitmap_ = nullptr;    // the frozen picture's, borrowed
    HPALETTE palette_ = nullptr;  // the frozen picture's (256-colour screens), borrowed
    int width_ = 0;
    int height_ = 0;
    UniqueDc memory_;  // holds the frozen bitmap while the window shows it
    HGDIOBJ displaced_ = nullptr;
    HPALETTE displacedPalette_ = nullptr;
    UniqueBrush dim_;  // every other pixel black: the dimmed part of the screen
    UniqueFont font_;
    bool dragging_ = false;
    bool finished_ = false;
    bool activated_ = false;
    PixelPoint press_;
    PixelPoint current_;
    std::optional<PixelRect> result_;
    bool failed_ = false;
};

}  // namespace kestrel
