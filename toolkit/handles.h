// Owners for the operating system's handles. Every HDC, HBITMAP, HPALETTE, HKEY, HICON, HMENU,
// module, event hook and COM pointer the program obtains lives in one of these, so nothing leaks on any
// path, exceptions included. All are move-only and convert to nothing implicitly.
#pragma once
#include "toolkit/win.h"

#include <memory>
#include <type_traits>
#include <utility>

namespace kestrel {

template <typename Handle, auto Release>
struct HandleDeleter {
    void operator()(Handle h) const noexcept {
        if (h) Release(h);
    }
};

template <typename Handle, auto Release>
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<Handle>, HandleDeleter<Handle, Release>>;

inline void DeleteGdiObject(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void DeleteMemoryDc(HDC h) noexcept { ::DeleteDC(h); }
inline void CloseRegistryKey(HKEY h) noexcept { ::RegCloseKey(h); }
inline void DestroyIconHandle(HICON h) noexcept { ::DestroyIcon(h); }
inline void DestroyMenuHandle(HMENU h) noexcept { ::DestroyMenu(h); }
inline void FreeLoadedModule(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void CloseKernelHandle(HANDLE h) noexcept { ::CloseHandle(h); }
inline void UnhookEvent(HWINEVENTHOOK h) noexcept { ::UnhookWinEvent(h); }

using UniqueDc = UniqueHandle<HDC, DeleteMemoryDc>;  // CreateCompatibleDC / CreateDC
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniquePalette = UniqueHandle<HPALETTE, DeleteGdiObject>;
using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteGdiObject>;
using UniqueKey = UniqueHandle<HKEY, CloseRegistryKey>;
using UniqueIcon = UniqueHandle<HICON, DestroyIconHandle>;
using UniqueMenu = UniqueHandle<HMENU, DestroyMenuHandle>;
using UniqueModule = UniqueHandle<HMODULE, FreeLoadedModule>;
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;
using UniqueWinEventHook = UniqueHandle<HWINEVENTHOOK, UnhookEvent>;

// GetDC/GetWindowDC must be paired with ReleaseDC on the same window.
class WindowDc {
public:
    WindowDc() = default;
    static WindowDc Client(HWND wnd) { return WindowDc(wnd, ::GetDC(wnd)); }
    static WindowDc Whole(HWND wnd) { return WindowDc(wnd, ::GetWindowDC(wnd)); }
    WindowDc(WindowDc&& other) noexcept
        : wnd_(std::exchange(other.wnd_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc&& other) noexcept {
        if (this != &other) {
            Reset();
            wnd_ = std::exchange(other.wnd_, nullptr);
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { Reset(); }
    HDC get() const noexcept { return dc_; }
    void Reset() noexcept {
        if (dc_) ::ReleaseDC(wnd_, dc_);
        dc_ = nullptr;
        wnd_ = nullptr;
    }

private:
    WindowDc(HWND wnd, HDC dc) : wnd_(wnd), dc_(dc) {}
    HWND wnd_ = nullptr;
    HDC dc_ = nullptr;
};

// Puts back whatever object a SelectObject displaced, when the scope ends (unless released).
class SelectionScope {
public:
    SelectionScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectionScope(const SelectionScope&) = delete;
    SelectionScope& operator=(const SelectionScope&) = delete;
    ~SelectionScope() { Restore(); }
    // Selects the previous object back now and returns the object it displaced.
    HGDIOBJ Restore() noexcept {
        HGDIOBJ displaced = nullptr;
        if (dc_ && previous_) displaced = ::SelectObject(dc_, previous_);
        dc_ = nullptr;
        return displaced;
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A minimal owning COM pointer: WIL and ATL are not available with every toolchain we build with.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* adopt) noexcept : p_(adopt) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T** put() noexcept {
        Reset();
        return &p_;
    }
    void Reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T* Detach() noexcept { return std::exchange(p_, nullptr); }

private:
    T* p_ = nullptr;
};

}  // namespace kestrel
