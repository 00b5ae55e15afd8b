#pragma once
#include "toolkit/win.h"

namespace kestrel::app {
// Gives the keyboard interface of dialogs (Tab, arrows, Space, Enter on a focused button) to the
// program's forms; true when the message has been handled.
bool TranslateDialogKeys(MSG& msg);
}  // namespace kestrel::app
