// What the main window keeps for its system-wide keys.
#pragma once
#include "app/key_repeat.h"
#include "toolkit/hot_key.h"

namespace kestrel {

struct KeyState {
    // Ctrl+Print Screen: the Capture command. Unregistered when another program holds the key.
    HotKey capture;
    // A held key repeats its message where MOD_NOREPEAT is not honoured (Wine).
    KeyRepeatFilter repeats;
};

}  // namespace kestrel
