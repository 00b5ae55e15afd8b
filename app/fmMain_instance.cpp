// A second start of Kestrel in the session brings this one forward instead of opening a second
// window and icon: two copies would each write all four settings at Exit, the later one undoing
// the user's change made in the other.
#include "app/fmMain.h"

namespace kestrel {

void fmMain::BringForward() {
    if (tray_.iconUp) {
        SetWindowStateNormal();
        Show();
        RemoveIcon();
    } else if (::IsIconic(hWnd())) {
        ::ShowWindow(hWnd(), SW_RESTORE);
    }
    // An open Options or About window is what the user was last working in.
    HWND front = ::GetLastActivePopup(hWnd());
    ::SetForegroundWindow(front ? front : hWnd());
}

}  // namespace kestrel
