// A system-wide key combination registered to a window: RegisterHotKey on creation,
// UnregisterHotKey when the owner goes. Another program may hold the combination already; the
// owner then simply holds nothing.
#pragma once
#include "toolkit/win.h"

#include <utility>

namespace kestrel {

class HotKey {
public:
    HotKey() = default;
    // Registered() says whether it worked; GetLastError tells why not.
    HotKey(HWND window, int id, UINT modifiers, UINT key) noexcept
        : wnd_(::RegisterHotKey(window, id, modifiers, key) ? window : nullptr), id_(id) {}
    HotKey(HotKey&& other) noexcept : wnd_(std::exchange(other.wnd_, nullptr)), id_(other.id_) {}
    HotKey& operator=(HotKey&& other) noexcept {
        if (this != &other) {
            Reset();
            wnd_ = std::exchange(other.wnd_, nullptr);
            id_ = other.id_;
        }
        return *this;
    }
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;
    ~HotKey() { Reset(); }

    bool Registered() const noexcept { return wnd_ != nullptr; }
    void Reset() noexcept {
        if (wnd_) ::UnregisterHotKey(wnd_, id_);
        wnd_ = nullptr;
    }

private:
    HWND wnd_ = nullptr;
    int id_ = 0;
};

}  // namespace kestrel
