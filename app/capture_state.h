// What the Capture command keeps between runs.
#pragma once
#include "toolkit/handles.h"
#include "toolkit/win.h"

namespace kestrel {

struct CaptureState {
    // A Capture is between its start and its end; its yields may dispatch another one.
    bool running = false;
    // Exit was chosen during a yield of the running Capture: the program ends once the picture
    // has been delivered, rather than under the capture with its picture lost.
    bool exitRequested = false;
    // The last top-level window of another program that had the foreground: the window the user
    // works in, for Active-window capture when Kestrel itself was clicked.
    HWND lastForeign = nullptr;
    // Reports every foreground change of the session (Windows; Wine reports none across processes).
    UniqueWinEventHook foregroundHook;
};

}  // namespace kestrel
