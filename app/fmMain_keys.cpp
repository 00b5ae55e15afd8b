// The system-wide keys: Ctrl+Print Screen runs the Capture command from wherever the user is.
#include "app/fmMain.h"

namespace kestrel {
namespace {

constexpr int kCaptureKeyId = 1;
// Not in every SDK's headers (Windows 7 and later; older systems refuse the registration).
constexpr UINT kNoRepeat = 0x4000;  // MOD_NOREPEAT

KeyRepeatFilter SystemRepeatFilter() {
    UINT delay = 1;
    UINT speed = 31;
    ::SystemParametersInfoW(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
    ::SystemParametersInfoW(SPI_GETKEYBOARDSPEED, 0, &speed, 0);
    return KeyRepeatFilter(KeyRepeatWindowMs(delay, speed));
}

}  // namespace

void fmMain::PrepareKeys() {
    keys_.repeats = SystemRepeatFilter();
    // Print Screen, Alt+Print Screen and Win+Print Screen belong to the system; Ctrl+Print Screen
    // is free on Windows 10 and 11. When another program holds it, Kestrel goes without: the
    // button and the menu always capture, and a message at every start would help nobody.
    keys_.capture = HotKey(hWnd(), kCaptureKeyId, MOD_CONTROL | kNoRepeat, VK_SNAPSHOT);
    if (!keys_.capture.Registered() && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        // Systems before Windows 7 refuse the flag they do not know.
        keys_.capture = HotKey(hWnd(), kCaptureKeyId, MOD_CONTROL, VK_SNAPSHOT);
    }
}

bool fmMain::HandleKeyMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_DESTROY) {
        keys_.capture.Reset();
        return false;  // the capture and the tray see it too
    }
    if (message != WM_HOTKEY) return false;
    result = 0;
    // Stamped when the key came, not when Kestrel got round to it: repeats that queued up behind
    // a capture still count as repeats.
    if (!keys_.repeats.IsNewPress(static_cast<std::uint32_t>(::GetMessageTime()))) return true;
    // While Options or About is open modally the buttons cannot be pressed, and the key does no
    // more than they do.
    if (!::IsWindowEnabled(hWnd())) return true;
    if (wParam == kCaptureKeyId) cmdCapture_Click();
    return true;
}

}  // namespace kestrel
