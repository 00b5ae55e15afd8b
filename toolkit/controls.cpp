#include "toolkit/controls.h"

#include "toolkit/application.h"
#include "toolkit/drawn_controls.h"
#include "toolkit/form.h"

#include <algorithm>

namespace kestrel {

// The button face shows through nowhere: the artwork is drawn on the face colour already.
UniqueBitmap LoadBitmapResource(int id) {
    return UniqueBitmap(static_cast<HBITMAP>(
        ::LoadImageW(app::Instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

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

void Button::CreatePicture(Form& form, HWND container, int id, int bitmapResource, const TwipsRect& twips,
                           const std::wstring& accessibleName) {
    CreateChild(form, container, id, L"BUTTON", accessibleName,
                WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP | BS_CENTER | BS_VCENTER, 0, twips, true);
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
    // A click. Some systems' radio buttons also report one when the keyboard gives them the focus,
    // which is what Form::StepOptionGroup does for an arrow key; running the handler for a button
    // that is selected already then changes nothing.
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
        CreateChild(form, container, id, ToolkitControlClass(), L"", 0, 0, twips, false);
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

}  // namespace kestrel
