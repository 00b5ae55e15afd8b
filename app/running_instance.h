// "Is Kestrel running?" is answered by named mutexes, never by a window class: any program can make
// a window of any class, and a window is not seen from another user's session. Kestrel holds one
// name in its session's namespace, which decides whether a start is the second one there, and the
// same name in the global namespace, which setup and uninstall look for (cmake/nsis reads the name
// from here).
#pragma once
#include "toolkit/handles.h"

namespace kestrel {

inline constexpr wchar_t kRunningMutexName[] = L"Olm.Kestrel.Running";

struct RunningMarks {
    UniqueKernelHandle session;  // Local\ name
    UniqueKernelHandle global;   // Global\ name
    bool anotherInSession = false;
};

// Takes both names for the life of the returned marks. A global name that another user's Kestrel
// already holds (and this user may not open) is no obstacle: the installer sees it all the same.
RunningMarks MarkRunning() noexcept;

// The message a second start posts to the running Kestrel's main window.
UINT BringForwardMessage() noexcept;

// A second start in the session: asks the running Kestrel to come to the front and lets it take
// the foreground, which this newly started process is still allowed to give away.
void BringRunningKestrelForward() noexcept;

}  // namespace kestrel
