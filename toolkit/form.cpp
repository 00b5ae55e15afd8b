#include "toolkit/form.h"

#include "resources/resource_ids.h"
#include "toolkit/application.h"
#include "toolkit/dialog_keys.h"
#include "toolkit/system_function.h"

#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace kestrel {
namespace {

constexpr wchar_t kControlClass[] = L"Kestrel.Control";

// The DPI functions arrived with Windows 10; they are looked up so the program still starts on
// older systems and under Wine versions that lack them.
int SystemDpi() {
    using GetDpiForSystemFn = UINT(WINAPI*)();
    if (auto fn = SystemFunction<GetDpiForSystemFn>(L"user32.dll", "GetDpiForSystem")) {
        if (UINT dpi = fn()) return static_cast<int>(dpi);
    }
    WindowDc screen = WindowDc::Client(nullptr);
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND wnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    if (auto fn = SystemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow")) {
        if (UINT dpi = fn(wnd)) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

void RegisterControlClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ToolkitControlProc;
    wc.hInstance = app::Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kControlClass;
    registered = ::RegisterClassExW(&wc) != 0;
}

struct DisableArgs {
    HWND self;
    std::vector<HWND>* disabled;
};

// Disables every enabled top-level window of the thread but the modal one.
BOOL CALLBACK DisableOthers(HWND wnd, LPARAM param) {
    auto* args = reinterpret_cast<DisableArgs*>(param);
    if (wnd != args->self && ::IsWindowEnabled(wnd)) {
        ::EnableWindow(wnd, FALSE);
        args->disabled->push_back(wnd);
    }
    return TRUE;
}

Form* FormOf(HWND wnd) {
    HWND root = ::GetAncestor(wnd, GA_ROOT);
    return root ? reinterpret_cast<Form*>(::GetWindowLongPtrW(root, GWLP_USERDATA)) : nullptr;
}

// Loads a bitmap resource with its own colours; the button face shows through nowhere, the
// artwork is drawn on the face colour already.
UniqueBitmap LoadBitmapResource(int id) {
    return UniqueBitmap(static_cast<HBITMAP>(
        ::LoadImageW(app::Instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Control

void Control::CreateChild(Form& form, HWND container, int id, const wchar_t* windowClass, const std::wstring& text,
                          DWORD style, DWORD exStyle, const TwipsRect& twips, bool tabStop) {
    form_ = &form;
    container_ = container;
    id_ = id;
    twips_ = twips;
    const RECT px = form.ToPixels(twips);
    style |= WS_CHILD | (tabStop ? WS_TABSTOP : 0);
    wnd_ = ::CreateWindowExW(exStyle, windowClass, text.c_str(), style, px.left, px.top, px.right - px.left,
                             px.bottom - px.top, container, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             app::Instance(), this);
    ::SendMessageW(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form.DefaultFont()), FALSE);
    form.Register(*this);
}

void Control::Move(const TwipsRect& twips) {
    twips_ = twips;
    if (!wnd_) return;
    const RECT px = form_->ToPixels(twips);
    ::MoveWindow(wnd_, px.left, px.top, px.right - px.left, px.bottom - px.top, TRUE);
    // A moved control may uncover parts of its siblings; let the container repaint them.
    ::InvalidateRect(container_, nullptr, TRUE);
}

bool Control::Visible() const { return wnd_ && (::GetWindowLongPtrW(wnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Control::SetVisible(bool visible) {
    if (wnd_) ::ShowWindow(wnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Control::Enabled() const { return wnd_ && ::IsWindowEnabled(wnd_); }

void Control::SetEnabled(bool enabled) {
    if (wnd_) ::EnableWindow(wnd_, enabled ? TRUE : FALSE);
}

void Control::SetFocus() {
    if (wnd_) ::SetFocus(wnd_);
}

std::wstring Control::Text() const {
    if (!wnd_) return {};
    const int length = ::GetWindowTextLengthW(wnd_);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(wnd_, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

void Control::SetText(const std::wstring& text) {
    if (wnd_) ::SetWindowTextW(wnd_, text.c_str());
}

void Control::SetFont(const FontSpec& font) {
    fontSpec_ = font;
    ownFont_ = form_->MakeFont(font);
    ::SendMessageW(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(ownFont_.get()), TRUE);
}

void Control::ApplyDpi() {
    if (!wnd_) return;
    const RECT px = form_->ToPixels(twips_);
    ::MoveWindow(wnd_, px.left, px.top, px.right - px.left, px.bottom - px.top, TRUE);
    if (fontSpec_) {
        ownFont_ = form_->MakeFont(*fontSpec_);
        ::SendMessageW(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(ownFont_.get()), TRUE);
    } else {
        ::SendMessageW(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_->DefaultFont()), TRUE);
    }
}

// ---------------------------------------------------------------------------------------------
// Buttons

void Button::CreateText(Form& form, HWND container, int id, const std::wstring& caption, const TwipsRect& twips) {
    CreateChild(form, container, id, L"BUTTON", caption, WS_VISIBLE | BS_PUSHBUTTON, 0, twips, true);
}

void Button::CreatePicture(Form& form, HWND container, int id, int bitmapResource, const TwipsRect& twips) {
    CreateChild(form, container, id, L"BUTTON", L"", WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP | BS_CENTER | BS_VCENTER, 0,
                twips, true);
    picture_ = LoadBitmapResource(bitmapResource);
    ::SendMessageW(wnd_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
}

void Button::SetValue(bool pressed) {
    if (pressed && onClick) onClick();
}

void Button::OnCommand(WORD code) {
    if (code == BN_CLICKED && onClick) onClick();
}

void OptionButton::Create(Form& form, HWND container, int id, const std::wstring& caption, const TwipsRect& twips,
                          int group, bool firstOfGroup) {
    group_ = group;
    CreateChild(form, container, id, L"BUTTON", caption, WS_VISIBLE | BS_RADIOBUTTON | (firstOfGroup ? WS_GROUP : 0), 0,
                twips, true);
}

bool OptionButton::Value() const { return wnd_ && ::SendMessageW(wnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void OptionButton::SetValue(bool selected) {
    if (!wnd_) return;
    if (!selected) {
        ::SendMessageW(wnd_, BM_SETCHECK, BST_UNCHECKED, 0);
        return;
    }
    form_->SelectOption(*this);
    if (onClick) onClick();
}

void OptionButton::OnCommand(WORD code) {
    // Arrow keys inside a group and clicks both arrive as BN_CLICKED for a plain radio button.
    if (code == BN_CLICKED) SetValue(true);
}

void Frame::Create(Form& form, HWND container, int id, const std::wstring& caption, const TwipsRect& twips) {
    CreateChild(form, container, id, L"BUTTON", caption, WS_VISIBLE | BS_GROUPBOX, 0, twips, false);
}

void Label::Create(Form& form, HWND container, int id, const std::wstring& caption, const TwipsRect& twips) {
    CreateChild(form, container, id, L"STATIC", caption, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, twips, false);
}

void Label::SetSystemColors(int background, int text) {
    background_ = background;
    text_ = text;
}

HBRUSH Label::OnColor(HDC dc) {
    if (background_ < 0) return nullptr;
    ::SetTextColor(dc, ::GetSysColor(text_));
    ::SetBkColor(dc, ::GetSysColor(background_));
    return ::GetSysColorBrush(background_);
}

void TextBox::Create(Form& form, HWND container, int id, const std::wstring& text, const TwipsRect& twips,
                     bool visible) {
    if (visible) {
        CreateChild(form, container, id, L"EDIT", L"", WS_VISIBLE | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, twips,
                    true);
        // A text set from code may be far longer than the default 30000-character limit.
        ::SendMessageW(wnd_, EM_SETLIMITTEXT, 0, 0);
    } else {
        // A field nobody sees only holds its text. An edit control would lay out every character it
        // is given, which takes Wine half a minute for a megabyte-long setting.
        RegisterControlClass();
        CreateChild(form, container, id, kControlClass, L"", 0, 0, twips, false);
    }
    SetText(text);
}

void TextBox::OnCommand(WORD code) {
    if (code == EN_KILLFOCUS && onLostFocus) onLostFocus();
}

void TextBox::Refresh() {
    if (!wnd_) return;
    ::InvalidateRect(wnd_, nullptr, TRUE);
    ::UpdateWindow(wnd_);
}

void ListBox::Create(Form& form, HWND container, int id, const TwipsRect& twips) {
    CreateChild(form, container, id, L"LISTBOX", L"", WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                WS_EX_CLIENTEDGE, twips, true);
}

void ListBox::Clear() { ::SendMessageW(wnd_, LB_RESETCONTENT, 0, 0); }

void ListBox::AddItem(const std::wstring& item) {
    ::SendMessageW(wnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int ListBox::ListCount() const { return static_cast<int>(::SendMessageW(wnd_, LB_GETCOUNT, 0, 0)); }

// ---------------------------------------------------------------------------------------------
// Drawn controls

void Shape::Create(Form& form, HWND container, int id, const TwipsRect& twips, std::optional<COLORREF> fill) {
    fill_ = fill;
    RegisterControlClass();
    CreateChild(form, container, id, kControlClass, L"", WS_VISIBLE, fill ? 0 : WS_EX_TRANSPARENT, twips, false);
}

void Shape::Paint(HDC dc, const RECT& client) const {
    if (fill_) {
        UniqueBrush brush(::CreateSolidBrush(*fill_));
        ::FillRect(dc, &client, brush.get());
    }
    ::FrameRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

void Line::Create(Form& form, HWND container, int id, int x1, int y1, int x2, int y2) {
    RegisterControlClass();
    const int left = std::min(x1, x2);
    const int top = std::min(y1, y2);
    // The line is one pixel thick whatever the DPI: give the window at least one twip-pixel of size.
    const int onePixel = static_cast<int>(1440 / form.Dpi()) + 1;
    CreateChild(form, container, id, kControlClass, L"", WS_VISIBLE, 0,
                TwipsRect{left, top, std::max(std::abs(x2 - x1), onePixel), std::max(std::abs(y2 - y1), onePixel)},
                false);
}

void Image::Create(Form& form, HWND container, int id, int bitmapResource, const TwipsRect& twips) {
    bitmap_ = LoadBitmapResource(bitmapResource);
    RegisterControlClass();
    CreateChild(form, container, id, kControlClass, L"", WS_VISIBLE, 0, twips, false);
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
    RegisterControlClass();
    CreateChild(form, container, id, kControlClass, L"", (visible ? WS_VISIBLE : 0) | WS_CLIPCHILDREN,
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

void PictureBox::Paint(HDC dc) const {
    if (icon_) ::DrawIconEx(dc, 0, 0, icon_, 0, 0, 0, nullptr, DI_NORMAL);
}

LRESULT CALLBACK ToolkitControlProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* control = reinterpret_cast<Control*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        switch (message) {
        case WM_ERASEBKGND:
            if (dynamic_cast<Shape*>(control) || dynamic_cast<Image*>(control)) return 1;
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(wnd, &ps);
            RECT client;
            ::GetClientRect(wnd, &client);
            if (auto* shape = dynamic_cast<Shape*>(control)) {
                shape->Paint(dc, client);
            } else if (auto* image = dynamic_cast<Image*>(control)) {
                image->Paint(dc, client);
            } else if (auto* box = dynamic_cast<PictureBox*>(control)) {
                box->Paint(dc);
            } else if (dynamic_cast<Line*>(control)) {
                ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOWTEXT));
            }
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

// ---------------------------------------------------------------------------------------------
// Menu

void Menu::Create(std::vector<Item> items) {
    items_ = std::move(items);
    menu_.reset(::CreatePopupMenu());
    for (size_t i = 0; i < items_.size(); ++i) {
        ::AppendMenuW(menu_.get(), MF_STRING, static_cast<UINT_PTR>(i + 1), items_[i].caption.c_str());
    }
}

void Menu::Popup(HWND owner, UINT flags, int x, int y) {
    const UINT chosen =
        static_cast<UINT>(::TrackPopupMenu(menu_.get(), flags | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, owner, nullptr));
    // The shell's notification-area menus need a message of their own after closing, or a second
    // right click opens a menu that cannot be dismissed (documented TrackPopupMenu behaviour).
    ::PostMessageW(owner, WM_NULL, 0, 0);
    if (chosen >= 1 && chosen <= items_.size() && items_[chosen - 1].onClick) items_[chosen - 1].onClick();
}

// ---------------------------------------------------------------------------------------------
// Form

Form::Form(std::wstring className) : className_(std::move(className)) {}

Form::~Form() {
    if (wnd_) {
        ReleaseModal();
        ::DestroyWindow(wnd_);
    }
}

void Form::RegisterClassOnce() {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(app::Instance(), className_.c_str(), &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Form::WindowProc;
    wc.hInstance = app::Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className_.c_str();
    ::RegisterClassExW(&wc);
}

int Form::ToPixelsX(int twips) const noexcept { return ::MulDiv(twips, dpi_, 1440); }
int Form::ToPixelsY(int twips) const noexcept { return ::MulDiv(twips, dpi_, 1440); }

RECT Form::ToPixels(const TwipsRect& twips) const noexcept {
    // Convert the edges, not the sizes, so that neighbouring controls meet without gaps.
    return RECT{ToPixelsX(twips.left), ToPixelsY(twips.top), ToPixelsX(twips.left + twips.width),
                ToPixelsY(twips.top + twips.height)};
}

UniqueFont Form::MakeFont(const FontSpec& font) const {
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(font.points * dpi_ / 72.0 + 0.5);
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = font.pitchAndFamily;
    lstrcpynW(lf.lfFaceName, font.face.c_str(), LF_FACESIZE);
    return UniqueFont(::CreateFontIndirectW(&lf));
}

SIZE Form::OuterSize() const {
    RECT rect{0, 0, ToPixelsX(style_.clientWidthTwips), ToPixelsY(style_.clientHeightTwips)};
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    if (auto fn = SystemFunction<AdjustForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi")) {
        fn(&rect, style_.style, FALSE, style_.exStyle, static_cast<UINT>(dpi_));
    } else {
        ::AdjustWindowRectEx(&rect, style_.style, FALSE, style_.exStyle);
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void Form::Load() {
    if (wnd_) return;
    style_ = Describe();
    RegisterClassOnce();
    dpi_ = SystemDpi();
    // The classic dialog face at 8 points: the layouts in twips were made for it.
    font_ = MakeFont(FontSpec{L"MS Shell Dlg 2", 8.0});
    const SIZE outer = OuterSize();
    ::CreateWindowExW(style_.exStyle, className_.c_str(), style_.caption.c_str(), style_.style, CW_USEDEFAULT,
                      CW_USEDEFAULT, outer.cx, outer.cy, style_.owner, nullptr, app::Instance(), this);
    if (!wnd_) throw std::runtime_error("The window could not be created.");
    app::FormLoaded();
    if (const int dpi = WindowDpi(wnd_); dpi != dpi_) ApplyDpi(dpi, nullptr);
    if (style_.programIcon) {
        iconLarge_.reset(
            static_cast<HICON>(::LoadImageW(app::Instance(), MAKEINTRESOURCEW(IDI_KESTREL), IMAGE_ICON,
                                            ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
        iconSmall_.reset(
            static_cast<HICON>(::LoadImageW(app::Instance(), MAKEINTRESOURCEW(IDI_KESTREL), IMAGE_ICON,
                                            ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
        ::SendMessageW(wnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(iconLarge_.get()));
        ::SendMessageW(wnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconSmall_.get()));
    }
    CreateControls();
    Centre();
    Form_Load();
}

void Form::Centre() {
    RECT window;
    ::GetWindowRect(wnd_, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    HWND owner = ::GetWindow(wnd_, GW_OWNER);
    if (style_.start == StartPosition::CentreOwner && owner && ::IsWindowVisible(owner)) {
        ::GetWindowRect(owner, &area);
    }
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(wnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::ApplyDpi(int dpi, const RECT* suggested) {
    dpi_ = dpi;
    font_ = MakeFont(FontSpec{L"MS Shell Dlg 2", 8.0});
    const SIZE outer = OuterSize();
    if (suggested) {
        ::SetWindowPos(wnd_, nullptr, suggested->left, suggested->top, outer.cx, outer.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        ::SetWindowPos(wnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (Control* control : ordered_) control->ApplyDpi();
}

void Form::Register(Control& control) {
    controls_[control.Id()] = &control;
    ordered_.push_back(&control);
}

void Form::SelectOption(OptionButton& selected) {
    for (Control* control : ordered_) {
        auto* option = dynamic_cast<OptionButton*>(control);
        if (!option || option->Group() != selected.Group()) continue;
        ::SendMessageW(option->hWnd(), BM_SETCHECK, option == &selected ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    // Keyboard navigation stops at the selected option of each group.
    for (Control* control : ordered_) {
        auto* option = dynamic_cast<OptionButton*>(control);
        if (!option || option->Group() != selected.Group()) continue;
        LONG_PTR style = ::GetWindowLongPtrW(option->hWnd(), GWL_STYLE);
        style = option == &selected ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        ::SetWindowLongPtrW(option->hWnd(), GWL_STYLE, style);
    }
}

void Form::Show() {
    if (!wnd_) Load();
    ::ShowWindow(wnd_, SW_SHOW);
    ::SetForegroundWindow(wnd_);
    if (!shownOnce_) {
        shownOnce_ = true;
        if (HWND first = ::GetNextDlgTabItem(wnd_, nullptr, FALSE)) ::SetFocus(first);
    }
}

void Form::ShowModal() {
    if (!wnd_) Load();
    HWND previous = ::GetActiveWindow();
    DisableArgs args{wnd_, &disabledByModal_};
    ::EnumThreadWindows(::GetCurrentThreadId(), DisableOthers, reinterpret_cast<LPARAM>(&args));
    Show();
    MSG msg;
    while (wnd_) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        if (app::TranslateDialogKeys(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ReleaseModal();
    if (previous && ::IsWindow(previous) && ::IsWindowVisible(previous)) ::SetActiveWindow(previous);
}

void Form::ReleaseModal() noexcept {
    for (HWND wnd : disabledByModal_) {
        if (::IsWindow(wnd)) ::EnableWindow(wnd, TRUE);
    }
    disabledByModal_.clear();
}

void Form::Hide() {
    if (wnd_) ::ShowWindow(wnd_, SW_HIDE);
}

bool Form::Visible() const { return wnd_ && ::IsWindowVisible(wnd_); }

void Form::SetWindowStateNormal() {
    if (wnd_ && (::IsIconic(wnd_) || ::IsZoomed(wnd_))) ::ShowWindow(wnd_, SW_RESTORE);
}

void Form::Unload() {
    if (!wnd_) return;
    // Give the owners back their input before the window goes, or Windows activates another program.
    ReleaseModal();
    ::DestroyWindow(wnd_);
}

void Form::BringToFront() {
    if (!wnd_) return;
    ::ShowWindow(wnd_, SW_SHOW);
    ::SetForegroundWindow(wnd_);
    ::BringWindowToTop(wnd_);
}

LRESULT CALLBACK Form::WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* form = static_cast<Form*>(create->lpCreateParams);
        form->wnd_ = wnd;
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!form) return ::DefWindowProcW(wnd, message, wParam, lParam);
    try {
        return form->OnMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        app::ReportFatalError(error);
    } catch (...) {
        app::ReportFatalError();
    }
}

LRESULT Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_COMMAND:
        if (lParam) {
            auto found = controls_.find(LOWORD(wParam));
            if (found != controls_.end() && found->second->hWnd() == reinterpret_cast<HWND>(lParam)) {
                found->second->OnCommand(HIWORD(wParam));
            }
        }
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        auto found = controls_.find(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        if (found != controls_.end()) {
            if (HBRUSH brush = found->second->OnColor(reinterpret_cast<HDC>(wParam))) {
                return reinterpret_cast<LRESULT>(brush);
            }
        }
        break;
    }
    case WM_MOUSEMOVE: {
        int button = 0;
        if (wParam & MK_LBUTTON) button |= 1;
        if (wParam & MK_RBUTTON) button |= 2;
        if (wParam & MK_MBUTTON) button |= 4;
        int shift = 0;
        if (wParam & MK_SHIFT) shift |= 1;
        if (wParam & MK_CONTROL) shift |= 2;
        if (::GetKeyState(VK_MENU) < 0) shift |= 4;
        const float x = static_cast<float>(GET_X_LPARAM(lParam)) * TwipsPerPixelX();
        const float y = static_cast<float>(GET_Y_LPARAM(lParam)) * TwipsPerPixelX();
        Form_MouseMove(button, shift, x, y);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(wnd_, focus)) lastFocus_ = focus;
        } else if (lastFocus_ && ::IsWindow(lastFocus_) && ::IsChild(wnd_, lastFocus_)) {
            ::SetFocus(lastFocus_);
            return 0;
        }
        break;
    case WM_DPICHANGED:
        ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CLOSE:
        Form_QueryUnload();
        Unload();
        return 0;
    case WM_NCDESTROY: {
        HWND wnd = wnd_;
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        wnd_ = nullptr;
        lastFocus_ = nullptr;
        shownOnce_ = false;
        for (Control* control : ordered_) control->wnd_ = nullptr;
        controls_.clear();
        ordered_.clear();
        app::FormUnloaded();
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }
    default:
        break;
    }
    return ::DefWindowProcW(wnd_, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Keyboard interface

bool app::TranslateDialogKeys(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (!root || !FormOf(root)) return false;
    return ::IsDialogMessageW(root, &msg) != FALSE;
}

}  // namespace kestrel
