// Keys as the user types them: chords sent through the system's input queue (SendInput), so that
// the system's hot-key handling sees them exactly as it sees a keyboard, and a window of the test
// process that holds a hot key the way another program would.
#pragma once
#include "tests/e2e/capture_support.h"

#include <chrono>
#include <vector>

namespace kestrel::e2e {

// The keys of a chord, pressed in this order and released in reverse order.
using Chord = std::vector<WORD>;

inline Chord CaptureChord() { return {VK_CONTROL, VK_SNAPSHOT}; }

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
