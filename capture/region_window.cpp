#include "capture/region_window.h"

#include "toolkit/application.h"
#include "toolkit/handle_cast.h"
#include "toolkit/run_time_error.h"

#include <olectl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

namespace kestrel {
namespace {

// An 8 x 8 checkerboard. Drawn with black text and a white background colour and combined with
// the screen by AND (MERGECOPY), it blackens every other pixel: dimmed in one pass, without a
// second screen-sized bitmap, and on palette screens too (black and white are the palette's ends).
UniqueBrush MakeDimBrush() {
    static const WORD rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    UniqueBitmap pattern(::CreateBitmap(8, 8, 1, 1, rows));
    return UniqueBrush(pattern ? ::CreatePatternBrush(pattern.get()) : nullptr);
}

RECT ToRect(const PixelRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

RegionWindow::RegionWindow(IPictureDisp* frozen) {
    if (!frozen) throw InvalidPictureError();
    ComPtr<IPicture> info;
    if (FAILED(frozen->QueryInterface(IID_IPicture, reinterpret_cast<void**>(info.put()))) || !info) {
        throw InvalidPictureError();
    }
    OLE_HANDLE bitmap = 0;
    OLE_HANDLE palette = 0;
    if (FAILED(info->get_Handle(&bitmap)) || !bitmap) throw InvalidPictureError();
    if (FAILED(info->get_hPal(&palette))) palette = 0;
    bitmap_ = HandleFromBits<HBITMAP>(bitmap);
    palette_ = HandleFromBits<HPALETTE>(palette);
    BITMAP facts{};
    if (!::GetObjectW(bitmap_, sizeof facts, &facts) || facts.bmWidth <= 0 || facts.bmHeight <= 0) {
        throw InvalidPictureError();
    }
    width_ = facts.bmWidth;
    height_ = facts.bmHeight;

    WindowDc screen = WindowDc::Client(nullptr);
    memory_.reset(::CreateCompatibleDC(screen.get()));
    if (!memory_) throw OutOfMemoryError();
    displaced_ = ::SelectObject(memory_.get(), bitmap_);
    if (palette_) displacedPalette_ = ::SelectPalette(memory_.get(), palette_, FALSE);
    dim_ = MakeDimBrush();
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    LOGFONTW face{};
    face.lfHeight = -::MulDiv(9, dpi > 0 ? dpi : 96, 72);
    face.lfWeight = FW_BOLD;
    face.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(face.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    font_.reset(::CreateFontIndirectW(&face));
}

RegionWindow::~RegionWindow() {
    if (wnd_) ::DestroyWindow(wnd_);
    // The frozen bitmap goes back to its picture unselected, so that releasing the picture frees it.
    if (memory_ && displaced_) ::SelectObject(memory_.get(), displaced_);
    if (memory_ && displacedPalette_) ::SelectPalette(memory_.get(), displacedPalette_, FALSE);
}

void RegionWindow::RegisterClassOnce() {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(app::Instance(), kWindowClass, &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &RegionWindow::WindowProc;
    wc.hInstance = app::Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_CROSS);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc);
}

std::optional<PixelRect> RegionWindow::Choose() {
    RegisterClassOnce();
    // Over everything, the taskbar included, and without a taskbar button of its own.
    ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClass, L"Kestrel", WS_POPUP, 0, 0, width_, height_,
                      nullptr, nullptr, app::Instance(), this);
    if (!wnd_) throw OutOfMemoryError();
    ::ShowWindow(wnd_, SW_SHOW);
    ::SetForegroundWindow(wnd_);
    ::SetFocus(wnd_);
    ::UpdateWindow(wnd_);

    MSG msg;
    while (!finished_) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The session is ending: hand the quit on to the program's own loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    HWND wnd = wnd_;
    wnd_ = nullptr;
    ::DestroyWindow(wnd);
    if (failed_) throw OutOfMemoryError();
    return result_;
}

LRESULT CALLBACK RegionWindow::WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<RegionWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->wnd_ = wnd;
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<RegionWindow*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self || message == WM_NCDESTROY) {
        if (message == WM_NCDESTROY) ::SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing leaves the window procedure: the selection ends and Choose reports the failure.
        // What can fail here is making a text or a device context: memory.
        self->failed_ = true;
        self->Finish(std::nullopt);
        return 0;
    }
}

PixelRect RegionWindow::Selection() const noexcept { return DragRect(press_, current_, width_, height_); }

void RegionWindow::Finish(std::optional<PixelRect> result) {
    if (finished_) return;
    finished_ = true;
    result_ = result;
    if (dragging_) {
        dragging_ = false;
        ::ReleaseCapture();
    }
    // Wakes the loop in Choose.
    ::PostMessageW(wnd_, WM_NULL, 0, 0);
}

RECT RegionWindow::DrawnArea(const PixelRect& selection) const {
    RECT area = ToRect(selection);
    ::InflateRect(&area, 2, 2);  // the outline
    WindowDc screen = WindowDc::Client(wnd_);
    HGDIOBJ previous = ::SelectObject(screen.get(), font_.get());
    const std::wstring text = SelectionSizeText(selection);
    SIZE size{};
    ::GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(screen.get(), previous);
    // A little wider than today's text: the next size may have one digit more.
    const RECT label = ToRect(LabelPlace(selection, size.cx + 8 + size.cx / 2, size.cy + 4, width_, height_));
    RECT both{};
    ::UnionRect(&both, &area, &label);
    return both;
}

LRESULT RegionWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(wnd_, &ps);
        Paint(dc, ps.rcPaint);
        ::EndPaint(wnd_, &ps);
        return 0;
    }
    case WM_ACTIVATE:
        // Switching to another program (Alt+Tab, the Windows key) leaves the selection: a window
        // over the whole screen must not stay behind where the user cannot see why.
        if (LOWORD(wParam) != WA_INACTIVE) {
            activated_ = true;
        } else if (activated_) {
            Finish(std::nullopt);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) Finish(std::nullopt);
        return 0;
    case WM_RBUTTONUP:
        // On the release, so that it reaches no window below once this one has gone.
        Finish(std::nullopt);
        return 0;
    case WM_LBUTTONDOWN:
        if (dragging_ || finished_) return 0;
        dragging_ = true;
        press_ = current_ = PixelPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::SetCapture(wnd_);
        ::InvalidateRect(wnd_, nullptr, FALSE);  // everything but the selection dims
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_) {
            const RECT before = DrawnArea(Selection());
            current_ = PixelPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const RECT after = DrawnArea(Selection());
            ::InvalidateRect(wnd_, &before, FALSE);
            ::InvalidateRect(wnd_, &after, FALSE);
        }
        return 0;
    case WM_LBUTTONUP:
        if (dragging_) {
            current_ = PixelPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const PixelRect chosen = Selection();
            Finish(chosen.Empty() ? std::nullopt : std::optional<PixelRect>(chosen));
        }
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse in the middle of a drag.
        if (dragging_ && reinterpret_cast<HWND>(lParam) != wnd_) Finish(std::nullopt);
        return 0;
    case WM_CLOSE:
        Finish(std::nullopt);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(wnd_, message, wParam, lParam);
}

void RegionWindow::Paint(HDC dc, const RECT& area) const {
    HPALETTE previousPalette = nullptr;
    if (palette_) {
        previousPalette = ::SelectPalette(dc, palette_, FALSE);
        ::RealizePalette(dc);
    }
    const auto copy = [&](const RECT& part, DWORD rop) {
        RECT visible{};
        if (!::IntersectRect(&visible, &part, &area)) return;
        ::BitBlt(dc, visible.left, visible.top, visible.right - visible.left, visible.bottom - visible.top,
                 memory_.get(), visible.left, visible.top, rop);
    };
    if (!dragging_) {
        copy(RECT{0, 0, width_, height_}, SRCCOPY);
    } else {
        const PixelRect s = Selection();
        const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
        const COLORREF oldBack = ::SetBkColor(dc, RGB(255, 255, 255));
        const HGDIOBJ oldBrush = ::SelectObject(dc, dim_.get());
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
        // Four bands around the selection, dimmed; the selection itself as it was.
        copy(RECT{0, 0, width_, s.top}, MERGECOPY);
        copy(RECT{0, s.bottom, width_, height_}, MERGECOPY);
        copy(RECT{0, s.top, s.left, s.bottom}, MERGECOPY);
        copy(RECT{s.right, s.top, width_, s.bottom}, MERGECOPY);
        copy(ToRect(s), SRCCOPY);
        ::SelectObject(dc, oldBrush);
        ::SetBkColor(dc, oldBack);
        ::SetTextColor(dc, oldText);

        // The outline lies just outside the selection, so that every selected pixel shows as it
        // will be delivered.
        if (!s.Empty()) {
            RECT outline = ToRect(s);
            ::InflateRect(&outline, 1, 1);
            ::FrameRect(dc, &outline, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            ::InflateRect(&outline, 1, 1);
            ::FrameRect(dc, &outline, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        }
        const std::wstring text = SelectionSizeText(s);
        const HGDIOBJ oldFont = ::SelectObject(dc, font_.get());
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        const RECT label = ToRect(LabelPlace(s, size.cx + 8, size.cy + 4, width_, height_));
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::SetBkColor(dc, RGB(0, 0, 0));
        ::ExtTextOutW(dc, label.left + 4, label.top + 2, ETO_OPAQUE, &label, text.c_str(),
                      static_cast<UINT>(text.size()), nullptr);
        ::SelectObject(dc, oldFont);
    }
    if (previousPalette) ::SelectPalette(dc, previousPalette, FALSE);
}

}  // namespace kestrel
