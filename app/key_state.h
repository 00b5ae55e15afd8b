// What the main window keeps for its system-wide keys.
#pragma once
#include "app/key_repeat.h"
#include "toolkit/hot_key.h"

namespace kestrel {

struct KeyState {
    // Ctrl+Print Screen: the Capture command; Ctrl+Shift+Print Screen: a region capture. Either is
    // unregistered when another program holds its key.
    HotKey capture;
    HotKey region;
    // A held key repeats its message where MOD_NOREPEAT is not honoured (Wine).
    KeyRepeatFilter captureRepeats;
    KeyRepeatFilter regionRepeats;
};

}  // namespace kestrel
