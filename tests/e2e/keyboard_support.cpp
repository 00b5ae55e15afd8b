#include "tests/e2e/keyboard_support.h"

namespace kestrel::e2e {
namespace {

void SendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (key == VK_SNAPSHOT ? KEYEVENTF_EXTENDEDKEY : 0);
    ::SendInput(1, &input, sizeof input);
}

}  // namespace

void PressKeys(const Chord& chord) { HoldKeys(chord, 0ms); }

void HoldKeys(const Chord& chord, std::chrono::milliseconds duration) {
    for (WORD key : chord) SendKey(key, false);
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        capture::PumpFor(33ms);
        SendKey(chord.back(), false);
    }
    for (auto key = chord.rbegin(); key != chord.rend(); ++key) SendKey(*key, true);
}

void SendMouse(POINT at, DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ::MulDiv(at.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = ::MulDiv(at.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof input);
    capture::PumpFor(40ms);
}

void LeftClick(POINT at) {
    for (DWORD flags : {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) SendMouse(at, flags);
}

void LeftClick(HWND control) {
    const RECT r = WindowRect(control);
    LeftClick(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

void DragMouse(POINT from, POINT to, const std::function<void()>& beforeRelease) {
    SendMouse(from, 0);
    SendMouse(from, MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 5; ++step) {
        SendMouse(POINT{from.x + (to.x - from.x) * step / 5, from.y + (to.y - from.y) * step / 5}, 0);
    }
    capture::PumpFor(200ms);
    beforeRelease();
    SendMouse(to, MOUSEEVENTF_LEFTUP);
}

HWND StartRegionCapture(const KestrelProcess& kestrel) {
    static auto last = std::chrono::steady_clock::now() - 10s;
    while (std::chrono::steady_clock::now() - last < 1500ms) capture::PumpFor(50ms);
    // After a hide Wine hands the foreground on asynchronously (a capture just before hid Kestrel's
    // window): a selection window shown meanwhile loses it at once, which ends the selection as
    // switching to another program does. Press the keys once the foreground has settled.
    capture::PumpUntil(
        [] {
            HWND front = ::GetForegroundWindow();
            capture::PumpFor(100ms);
            return front && front == ::GetForegroundWindow();
        },
        5s);
    PressKeys({VK_CONTROL, VK_SHIFT, VK_SNAPSHOT});
    last = std::chrono::steady_clock::now();
    // The selection window shows itself, takes the foreground and the focus and paints before it
    // waits for input: it is ready for the mouse once it is in front with the focus and answers.
    HWND selection = nullptr;
    const bool ready = capture::PumpUntil(
        [&] {
            selection = kestrel.FindTopLevel(L"Kestrel.RegionSelection");
            return selection && ::GetForegroundWindow() == selection && FocusOf(selection) == selection &&
                   Responsive(selection);
        },
        10s);
    return ready ? selection : nullptr;
}

}  // namespace kestrel::e2e
