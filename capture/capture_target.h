// Which window an Active-window capture takes.
//
// Clicking Capture makes Kestrel the foreground window, and hiding Kestrel hands the foreground on
// to whatever Windows picks next: often the window the user was working in, but just as often the
// taskbar, or (under Wine, for a moment) no window at all. So "the foreground window at capture
// time" is not trusted on its own: the program also remembers the last window of another program
// that had the foreground, and these rules decide between the two.
#pragma once

#include <string_view>

namespace kestrel {

// What the program knows about one window handle.
struct WindowFacts {
    bool exists = false;        // a live window handle
    bool visible = false;       // shown
    bool minimized = false;     // iconic: its rectangle is an icon far off screen
    bool cloaked = false;       // kept off the screen by the compositor: on another virtual
                                // desktop, a suspended store app, a window the shell is still
                                // bringing in
    bool ownProcess = false;    // one of Kestrel's own windows
    bool shellSurface = false;  // the desktop, the taskbar, the tray overflow, ...
};

// A window worth capturing, one the user could have meant: a live, shown, not minimised, not
// cloaked top-level window of another program that is not part of the shell.
bool IsCaptureCandidate(const WindowFacts& window);

enum class CaptureTargetChoice {
    ForegroundNow,  // the window in the foreground now
    Remembered,     // the last foreground window of another program
    None,           // nothing sensible to capture
};

// `requestedFromKestrel`: Kestrel itself was the foreground window when the capture was asked for
// (its button was clicked, or its tray menu was open). Then the user's window is the remembered
// one, and nothing else: the window in front after the hide is merely the one Windows happened to
// activate, so when the remembered window has been closed, minimised or cloaked since, there is
// nothing to capture. Otherwise the foreground window wins, and the remembered one stands in when
// the foreground is Kestrel's, the shell's, or nobody's.
CaptureTargetChoice ChooseCaptureTarget(const WindowFacts& foregroundNow, bool requestedFromKestrel,
                                        const WindowFacts& remembered);

// Window classes of the shell's own surfaces, which are never what the user meant by "the active
// window": the taskbars, the desktop, the tray overflow and the task switchers. Exact,
// case-sensitive class names, as GetClassName reports them.
bool IsShellSurfaceClass(std::wstring_view className);

}  // namespace kestrel
