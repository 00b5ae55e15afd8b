// A stand-in for the shell's tray window that writes down every icon request it gets.
//
// Wine's Shell_NotifyIcon hands each request to the first top-level window of the class
// "Shell_TrayWnd" as WM_COPYDATA, with the request (NIM_ADD, NIM_DELETE, ...) as dwData and, first in
// the data, the record's hWnd, uID, uFlags and uCallbackMessage. A window of that class created
// after the real one comes first in z-order, so it gets the requests instead. Needed because Wine's
// own tray drops the icons of a window that is destroyed or whose process ends: whether the program
// took its icon down itself cannot be seen there afterwards.
#pragma once
#include "tests/e2e/driver.h"

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::e2e {

struct ShellRequest {
    DWORD message = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE, ...
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::vector<std::uint8_t> data;  // the whole message, as Wine's shell packed it

    // Whether the packed data holds `text` in UTF-16 followed by a NUL.
    bool CarriesText(const std::wstring& text) const {
        std::vector<std::uint8_t> needle;
        for (wchar_t c : text + L'\0') {
            needle.push_back(static_cast<std::uint8_t>(c & 0xFF));
            needle.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
        }
        return std::search(data.begin(), data.end(), needle.begin(), needle.end()) != data.end();
    }
};

class FakeShellTray {
public:
    FakeShellTray() {
        thread_ = std::thread([this] { Run(); });
        WaitFor([&] { return ready_.load(); });
    }
    ~FakeShellTray() {
        if (wnd_) ::PostMessageW(wnd_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    FakeShellTray(const FakeShellTray&) = delete;
    FakeShellTray& operator=(const FakeShellTray&) = delete;

    // Whether Shell_NotifyIcon finds this window rather than the real tray.
    bool InCharge() const { return wnd_ && ::FindWindowW(L"Shell_TrayWnd", nullptr) == wnd_; }

    std::vector<ShellRequest> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

    // The requests about the icon (owner, id).
    std::vector<ShellRequest> RequestsFor(HWND owner, std::uint32_t id) const {
        std::vector<ShellRequest> matching;
        for (const ShellRequest& r : Requests()) {
            if (r.hWnd == Bits(owner) && r.uID == id) matching.push_back(r);
        }
        return matching;
    }

    static std::uint32_t Bits(HWND wnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(wnd)); }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<FakeShellTray*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (message == WM_COPYDATA && self) return self->OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (message == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }

    LRESULT OnCopyData(const COPYDATASTRUCT& copy) {
        ShellRequest request;
        request.message = static_cast<DWORD>(copy.dwData);
        const auto* bytes = static_cast<const std::uint8_t*>(copy.lpData);
        request.data.assign(bytes, bytes + copy.cbData);
        if (copy.cbData < 16) return FALSE;
        std::uint32_t head[4];
        std::memcpy(head, bytes, sizeof head);
        request.hWnd = head[0];
        request.uID = head[1];
        request.uFlags = head[2];
        request.uCallbackMessage = head[3];

        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        // Answer as a shell does: an icon is added once, and only an icon it holds can be changed
        // or removed.
        const auto key = std::make_pair(request.hWnd, request.uID);
        const auto held = std::find(icons_.begin(), icons_.end(), key);
        switch (request.message) {
        case NIM_ADD:
            if (held != icons_.end()) return FALSE;
            icons_.push_back(key);
            return TRUE;
        case NIM_DELETE:
            if (held == icons_.end()) return FALSE;
            icons_.erase(held);
            return TRUE;
        default:
            return held != icons_.end();
        }
    }

    void Run() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Shell_TrayWnd";
        ::RegisterClassW(&wc);
        HWND wnd = ::CreateWindowExW(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                                     nullptr);
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        wnd_ = wnd;
        ready_ = true;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
        ::UnregisterClassW(wc.lpszClassName, wc.hInstance);
    }

    mutable std::mutex mutex_;
    std::vector<ShellRequest> requests_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> icons_;
    HWND wnd_ = nullptr;
    std::atomic<bool> ready_{false};
    std::thread thread_;
};

}  // namespace kestrel::e2e
