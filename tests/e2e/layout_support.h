// Layout checks shared by the forms' tests: a fixed-size window's frame, and a table of its
// controls with their places in twips of its client area.
#pragma once
#include "tests/e2e/options_support.h"

namespace kestrel::e2e {

struct ControlLayout {
    int id;
    const wchar_t* windowClass;  // nullptr: not looked at
    const wchar_t* text;         // nullptr: not looked at
    TwipsBox box;
};

// A window with a caption and a close box that cannot be resized, minimized or maximized, of that
// title and client size in twips, owned by `owner` and centred on it (on the screen when none).
void ExpectFixedWindow(HWND window, const wchar_t* title, int clientWidth, int clientHeight, HWND owner = nullptr);

// Each control is there and visible, of its class and text, within a pixel of its box.
void ExpectControls(HWND window, const std::vector<ControlLayout>& controls);

}  // namespace kestrel::e2e
