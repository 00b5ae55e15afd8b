// What the Capture command keeps between runs.
#pragma once
#include "toolkit/win.h"

namespace kestrel {

struct CaptureState {
    // A Capture is between its start and its end; its yields may dispatch another one.
    bool running = false;
    // The last top-level window of another program that had the foreground: the window the user
    // works in, for Active-window capture when Kestrel itself was clicked.
    HWND lastForeign = nullptr;
    // Reports every foreground change of the session (Windows; Wine reports none across processes).
    HWINEVENTHOOK foregroundHook = nullptr;
};

}  // namespace kestrel
