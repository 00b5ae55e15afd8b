#include "toolkit/drawn_controls.h"

#include "toolkit/application.h"
#include "toolkit/form.h"

#include <olectl.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <utility>

namespace kestrel {
namespace {

LRESULT CALLBACK ToolkitControlProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        const auto* control = reinterpret_cast<const Control*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        switch (message) {
        case WM_ERASEBKGND:
            if (control && control->PaintsWholeClient()) return 1;
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(wnd, &ps);
            RECT client;
            ::GetClientRect(wnd, &client);
            if (control) control->Paint(dc, client);
            ::EndPaint(wnd, &ps);
            return 0;
        }
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            // Controls inside a picture box report to the form that owns them.
            if (HWND root = ::GetAncestor(wnd, GA_ROOT)) return ::SendMessageW(root, message, wParam, lParam);
            break;
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
    } catch (const std::exception& error) {
        app::ReportFatalError(error);
    } catch (...) {
        app::ReportFatalError();
    }
    return ::DefWindowProcW(wnd, message, wParam, lParam);
}

}  // namespace

const wchar_t* ToolkitControlClass() {
    static constexpr wchar_t kClass[] = L"Kestrel.Control";
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = ToolkitControlProc;
        wc.hInstance = app::Instance();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClass;
        registered = ::RegisterClassExW(&wc) != 0;
    }
    return kClass;
}

void Shape::Create(Form& form, HWND container, int id, const TwipsRect& twips, std::optional<COLORREF> fill) {
    fill_ = fill;
    CreateChild(form, container, id, ToolkitControlClass(), L"", WS_VISIBLE, fill ? 0 : WS_EX_TRANSPARENT, twips,
                false);
}

void Shape::Paint(HDC dc, const RECT& client) const {
    if (fill_) {
        UniqueBrush brush(::CreateSolidBrush(*fill_));
        ::FillRect(dc, &client, brush.get());
    }
    ::FrameRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

void Line::Create(Form& form, HWND container, int id, int x1, int y1, int x2, int y2) {
    const int left = std::min(x1, x2);
    const int top = std::min(y1, y2);
    // The line is one pixel thick whatever the DPI: give the window at least one twip-pixel of size.
    const int onePixel = static_cast<int>(1440 / form.Dpi()) + 1;
    CreateChild(form, container, id, ToolkitControlClass(), L"", WS_VISIBLE, 0,
                TwipsRect{left, top, std::max(std::abs(x2 - x1), onePixel), std::max(std::abs(y2 - y1), onePixel)},
                false);
}

void Line::Paint(HDC dc, const RECT& client) const { ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOWTEXT)); }

void Image::Create(Form& form, HWND container, int id, int bitmapResource, const TwipsRect& twips) {
    bitmap_ = LoadBitmapResource(bitmapResource);
    CreateChild(form, container, id, ToolkitControlClass(), L"", WS_VISIBLE, 0, twips, false);
}

void Image::Paint(HDC dc, const RECT& client) const {
    BITMAP info{};
    if (!bitmap_ || !::GetObjectW(bitmap_.get(), sizeof info, &info)) return;
    UniqueDc memory(::CreateCompatibleDC(dc));
    SelectionScope select(memory.get(), bitmap_.get());
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

void PictureBox::Create(Form& form, HWND container, int id, const TwipsRect& twips, bool visible, bool border) {
    CreateChild(form, container, id, ToolkitControlClass(), L"", (visible ? WS_VISIBLE : 0) | WS_CLIPCHILDREN,
                WS_EX_CONTROLPARENT | (border ? WS_EX_CLIENTEDGE : 0), twips, false);
}

void PictureBox::SetPicture(ComPtr<IPictureDisp> picture) {
    picture_ = std::move(picture);
    if (!picture_ || !autoSize || !wnd_) return;
    // Automatic sizing: the box takes the picture's size (HIMETRIC to twips: 1440 / 2540).
    ComPtr<IPicture> info;
    if (FAILED(picture_->QueryInterface(IID_IPicture, reinterpret_cast<void**>(info.put()))) || !info) return;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    info->get_Width(&width);
    info->get_Height(&height);
    twips_.width = ::MulDiv(width, 1440, 2540);
    twips_.height = ::MulDiv(height, 1440, 2540);
    ApplyDpi();
}

void PictureBox::Paint(HDC dc, const RECT& /*client*/) const {
    if (icon_) ::DrawIconEx(dc, 0, 0, icon_, 0, 0, 0, nullptr, DI_NORMAL);
}

}  // namespace kestrel
