#include "toolkit/form.h"

#include "resources/resource_ids.h"
#include "toolkit/application.h"
#include "toolkit/dialog_keys.h"
#include "toolkit/dpi.h"

#include <windowsx.h>

#include <exception>
#include <stdexcept>
#include <utility>

namespace kestrel {
namespace {

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

}  // namespace

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
    AdjustWindowRectForDpi(rect, style_.style, style_.exStyle, dpi_);
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

bool Form::StepOptionGroup(HWND focus, WPARAM key) {
    int step = 0;
    if (key == VK_DOWN || key == VK_RIGHT) {
        step = 1;
    } else if (key == VK_UP || key == VK_LEFT) {
        step = -1;
    } else {
        return false;
    }
    OptionButton* current = nullptr;
    for (Control* control : ordered_) {
        auto* option = dynamic_cast<OptionButton*>(control);
        if (option && option->hWnd() == focus) current = option;
    }
    if (!current) return false;
    std::vector<OptionButton*> group;
    size_t at = 0;
    for (Control* control : ordered_) {
        auto* option = dynamic_cast<OptionButton*>(control);
        if (!option || option->Group() != current->Group()) continue;
        if (option != current && (!option->Visible() || !option->Enabled())) continue;
        if (option == current) at = group.size();
        group.push_back(option);
    }
    const size_t count = group.size();
    OptionButton* next = group[step > 0 ? (at + 1) % count : (at + count - 1) % count];
    if (next == current) return true;
    // The focus moves before the handler runs, as it does for a click.
    next->SetFocus();
    if (!next->Value()) next->SetValue(true);
    return true;
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

}  // namespace kestrel
