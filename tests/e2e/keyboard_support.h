// Keys and mouse as the user works them: chords and drags sent through the system's input queue
// (SendInput), so that the system's hot-key handling and mouse capture see them exactly as they see
// a keyboard and a mouse; a window of the test process that holds a hot key the way another
// program would; and the region capture's selection window.
#pragma once
#include "tests/e2e/capture_support.h"

#include <chrono>
#include <vector>

namespace kestrel::e2e {

// The keys of a chord, pressed in this order and released in reverse order.
using Chord = std::vector<WORD>;

inline Chord CaptureChord() { return {VK_CONTROL, VK_SNAPSHOT}; }
inline Chord RegionChord() { return {VK_CONTROL, VK_SHIFT, VK_SNAPSHOT}; }

inline INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (key == VK_SNAPSHOT ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

inline void SendKey(WORD key, bool up) {
    INPUT input = KeyInput(key, up);
    ::SendInput(1, &input, sizeof input);
}

inline void PressKeys(const Chord& chord) {
    std::vector<INPUT> inputs;
    for (WORD key : chord) inputs.push_back(KeyInput(key, false));
    for (auto key = chord.rbegin(); key != chord.rend(); ++key) inputs.push_back(KeyInput(*key, true));
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Holds the chord down for `duration`, the last key repeating as a held key does (every 33 ms,
// the keyboard's fastest rate).
inline void HoldKeys(const Chord& chord, std::chrono::milliseconds duration) {
    for (WORD key : chord) SendKey(key, false);
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        capture::PumpFor(33ms);
        SendKey(chord.back(), false);
    }
    for (auto key = chord.rbegin(); key != chord.rend(); ++key) SendKey(*key, true);
}

// A mouse event at a screen position; each event carries its own position, so that a pointer
// motion the X server reports late cannot move the pointer back in between.
inline INPUT MouseInput(POINT at, DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ::MulDiv(at.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = ::MulDiv(at.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

inline void SendMouse(POINT at, DWORD flags) {
    INPUT input = MouseInput(at, flags);
    ::SendInput(1, &input, sizeof input);
    capture::PumpFor(40ms);
}

// Presses the left button at `from`, moves in steps to `to` and lets go there. `beforeRelease`
// runs while the button is still down at `to`.
template <typename Action>
void DragMouse(POINT from, POINT to, Action beforeRelease) {
    SendMouse(from, 0);
    SendMouse(from, MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 5; ++step) {
        SendMouse(POINT{from.x + (to.x - from.x) * step / 5, from.y + (to.y - from.y) * step / 5}, 0);
    }
    capture::PumpFor(200ms);
    beforeRelease();
    SendMouse(to, MOUSEEVENTF_LEFTUP);
}

inline void DragMouse(POINT from, POINT to) {
    DragMouse(from, to, [] {});
}

// Ctrl+Shift+Print Screen, and the selection window it brings up (nullptr when none came). Key
// presses closer together than the keyboard's repeat delay count as one held key: wait as long
// since the last one.
inline HWND StartRegionCapture(const KestrelProcess& kestrel) {
    static auto last = std::chrono::steady_clock::now() - 10s;
    while (std::chrono::steady_clock::now() - last < 1500ms) capture::PumpFor(50ms);
    PressKeys(RegionChord());
    last = std::chrono::steady_clock::now();
    HWND selection = nullptr;
    capture::PumpUntil([&] { return (selection = kestrel.FindTopLevel(L"Kestrel.RegionSelection")) != nullptr; }, 10s);
    capture::PumpFor(200ms);  // painted
    return selection;
}

// A window of the test process that registers a hot key first, as another program may, and
// counts the presses it hears.
class KeyHolder {
public:
    KeyHolder(UINT modifiers, UINT key) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &KeyHolder::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Kestrel.TestKeyHolder";
        ::RegisterClassW(&wc);
        wnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
        registered_ = wnd_ && ::RegisterHotKey(wnd_, 1, modifiers, key);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    ~KeyHolder() {
        if (registered_) ::UnregisterHotKey(wnd_, 1);
        if (wnd_) ::DestroyWindow(wnd_);
    }
    bool Registered() const { return registered_; }
    int Presses() const { return presses_; }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<KeyHolder*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self && message == WM_HOTKEY) {
            ++self->presses_;
            return 0;
        }
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }

    HWND wnd_ = nullptr;
    bool registered_ = false;
    int presses_ = 0;
};

}  // namespace kestrel::e2e
