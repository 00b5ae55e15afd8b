// What the notification-area icon keeps while the program runs.
#pragma once

namespace kestrel {

struct TrayState {
    bool iconUp = false;
};

}  // namespace kestrel
