// What the notification-area icon keeps while the program runs.
#pragma once
#include "app/tray_rules.h"

#include <string>

namespace kestrel {

struct TrayState {
    // TrayIconData: the six integers of the record and its tip as a fixed text of 64 characters.
    // All zeros until the first AddIcon; RemoveIcon sends it as it stands, and it keeps its values
    // afterwards.
    TrayIconFields fields{};
    std::wstring szTip = std::wstring(64, L'\0');

    // The tip AddIcon was last given, to put the same icon up again after the shell restarts.
    std::wstring toolTip;

    // True from AddIcon to RemoveIcon, whether or not the shell took the icon: the shell reports
    // mouse actions on the icon as mouse moves, so only while this holds is a mouse move an icon
    // event. Also tells a restarted shell's "TaskbarCreated" whether the icon has to go up again.
    bool iconUp = false;

    // The shell broadcasts this registered message when its taskbar is (re)created.
    unsigned int taskbarCreated = 0;
};

}  // namespace kestrel
