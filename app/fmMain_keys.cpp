// The system-wide keys: Ctrl+Print Screen runs the Capture command from wherever the user is;
// Ctrl+Shift+Print Screen captures a region of the screen.
#include "app/fmMain.h"

namespace kestrel {
namespace {

constexpr int kCaptureKeyId = 1;
constexpr int kRegionKeyId = 2;
// Not in every SDK's headers (Windows 7 and later; older systems refuse the registration).
constexpr UINT kNoRepeat = 0x4000;  // MOD_NOREPEAT

KeyRepeatFilter SystemRepeatFilter() {
    UINT delay = 1;
    UINT speed = 31;
    ::SystemParametersInfoW(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
    ::SystemParametersInfoW(SPI_GETKEYBOARDSPEED, 0, &speed, 0);
    return KeyRepeatFilter(KeyRepeatWindowMs(delay, speed));
}

HotKey RegisterKey(HWND window, int id, UINT modifiers) {
    HotKey key(window, id, modifiers | kNoRepeat, VK_SNAPSHOT);
    if (!key.Registered() && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        // Systems before Windows 7 refuse the flag they do not know.
        key = HotKey(window, id, modifiers, VK_SNAPSHOT);
    }
    return key;
}

}  // namespace

void fmMain::PrepareKeys() {
    keys_.captureRepeats = SystemRepeatFilter();
    keys_.regionRepeats = SystemRepeatFilter();
    // Print Screen, Alt+Print Screen and Win+Print Screen belong to the system; Ctrl+Print Screen
    // and Ctrl+Shift+Print Screen are free on Windows 10 and 11. When another program holds one,
    // Kestrel goes without it: the button and the menu always capture, and a message at every
    // start would help nobody.
    keys_.capture = RegisterKey(hWnd(), kCaptureKeyId, MOD_CONTROL);
    keys_.region = RegisterKey(hWnd(), kRegionKeyId, MOD_CONTROL | MOD_SHIFT);
}

bool fmMain::HandleKeyMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_DESTROY) {
        keys_.capture.Reset();
        keys_.region.Reset();
        return false;  // the capture and the tray see it too
    }
    if (message != WM_HOTKEY) return false;
    result = 0;
    // Stamped when the key came, not when Kestrel got round to it: repeats that queued up behind
    // a capture still count as repeats.
    KeyRepeatFilter& repeats = wParam == kRegionKeyId ? keys_.regionRepeats : keys_.captureRepeats;
    if (!repeats.IsNewPress(static_cast<std::uint32_t>(::GetMessageTime()))) return true;
    // While Options or About is open modally the buttons cannot be pressed, and the key does no
    // more than they do.
    if (!::IsWindowEnabled(hWnd())) return true;
    // A capture that is running (its selection window open, say) ignores both keys, as it ignores
    // the button.
    if (wParam == kCaptureKeyId) cmdCapture_Click();
    if (wParam == kRegionKeyId) CaptureRegion();
    return true;
}

}  // namespace kestrel
